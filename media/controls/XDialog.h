#pragma once
#include <cstdint>
#include <memory>
#include <vector>

#include "core/Geometry.h"
#include "core/XObject.h"
#include "display/InvalidateObserver.h"
#include "media/controls/Control.h"

namespace KavirelDLL {

class CButton;
class CGraphicsObject;
class CMC_ObjectsContainer;
class CRefreshScreen;
class CWindow;

// A movable panel of a scene: a background drawn at 100000, a drag bar over its top 30 pixels, and graphics
// and buttons that sit on it (at their own priority + 100001) and move, show and hide with it. The panel
// owns only its drag bar; a graphic destroyed or a button deleted elsewhere is forgotten.
class CXDialog : public CXObject, public CControlNotifier, public CInvalidateObserver {
public:
    explicit CXDialog(CMC_ObjectsContainer* container);
    ~CXDialog() override;
    CXDialog(const CXDialog&) = delete;
    CXDialog& operator=(const CXDialog&) = delete;

    // ---- virtual operations, in the engine's order
    // A later background replaces the drag bar.
    virtual void setBackground(CGraphicsObject* background);
    virtual void add(CButton* button);
    virtual void add(CGraphicsObject* graphic);
    // The items shown and enabled, the drag bar too; the background keeps its visibility.
    virtual void show();
    // The items and the background hidden; the drag bar takes no drag until show.
    virtual void hide();
    // The items only: the background and the drag bar stay.
    virtual void move(int dx, int dy);

    // ---- the drag bar's drag, run by the scene unit
    void onControlAction(CControl*, CXPoint) override {}
    void onStartDragging(CControl* control, CXPoint p) override;
    void onDragging(CControl* control, CXPoint p) override;
    void onEndDragging(CControl* control, CXPoint p) override;

    CButton* getDragBar() const { return m_dragBar; }
    CGraphicsObject* getBackground() const { return m_background; }
    int getGraphicsCount() const { return static_cast<int>(m_graphics.size()); }
    int getButtonsCount() const;

    // ---- the graphics watched
    void onInvalidate(CGraphicsObject*, CXRect*) override {}
    void onDestroy(CGraphicsObject* source) override;

private:
    struct Item {
        CButton* button;
        std::shared_ptr<bool> alive;
    };
    CWindow* window() const;
    CRefreshScreen* screen() const;
    // Puts the graphic back on the screen at the priority.
    void place(CGraphicsObject* graphic, int priority);
    // The buttons that still exist.
    std::vector<CButton*> buttons();

    CMC_ObjectsContainer* m_container;
    CButton* m_dragBar = nullptr;
    CGraphicsObject* m_background = nullptr;
    int32_t m_lastX = 0;
    int32_t m_lastY = 0;
    bool m_hidden = false;
    std::vector<CGraphicsObject*> m_graphics;
    std::vector<Item> m_buttons;
};

} // namespace KavirelDLL

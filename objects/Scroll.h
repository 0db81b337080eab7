#pragma once
#include <memory>
#include <vector>

#include "core/Geometry.h"
#include "display/InvalidateObserver.h"
#include "objects/MediaObject.h"
#include "script/Object.h"
#include "script/TypeIds.h"

namespace KavirelDLL {

class CGraphicsObject;
class CWindow;

// The graphics a viewport controls. Shared by whoever holds it; a graphic destroyed elsewhere leaves it.
class CScrollList final : public CInvalidateObserver {
public:
    CScrollList() = default;
    ~CScrollList();
    CScrollList(const CScrollList&) = delete;
    CScrollList& operator=(const CScrollList&) = delete;

    // False when the graphic is listed already.
    bool add(CGraphicsObject* graphic);
    bool remove(CGraphicsObject* graphic);
    bool contains(CGraphicsObject* graphic) const;
    // A copy, so a walk survives graphics leaving meanwhile.
    std::vector<CGraphicsObject*> graphics() const { return m_graphics; }

    void onInvalidate(CGraphicsObject*, CXRect*) override {}
    void onDestroy(CGraphicsObject* source) override;

private:
    std::vector<CGraphicsObject*> m_graphics;
};

// SCROLL: a viewport of the screen through which a set of the scene's graphics is seen; each graphic is
// clipped to the viewport and hidden when none of it lies inside.
class CMC_Scroll : public CMC_Object {
public:
    // VIEWPORT; without an element, the blank object caches read into.
    CMC_Scroll(CMC_ObjectsContainer* container, CMElement* element);
    ~CMC_Scroll() override;

    CXString** getBehavioursList() override;
    // The viewport after the base's record; the list is not stored.
    void serialize(CXArchive* archive) override;

    const CXRect& getViewport() const { return m_viewport; }
    CScrollList* getList() const { return m_list.get(); }

    void add(const CXString& name);
    void remove(const CXString& name);
    // Every graphic moved by dx, dy and fitted, the screen invalidated after each.
    void scroll(int dx, int dy);
    void setViewport(const CXRect& viewport);
    void moveViewport(int dx, int dy);
    void move(int dx, int dy);
    void invalidate();

private:
    void fit(CGraphicsObject* graphic);
    void fitAll();
    void invalidateScreen();

    CXRect m_viewport{0, 0, 0, 0};
    std::shared_ptr<CScrollList> m_list = std::make_shared<CScrollList>();
    CWindow* m_window = nullptr;
};

// SCROLL methods.
class CMC_Scroll_Runner : public CMC_MediaRunner {
public:
    enum : int {
        MTH_ADD = 1,
        MTH_REMOVE = 2,
        MTH_SCROLLUP = 3,
        MTH_SCROLLDOWN = 4,
        MTH_SCROLLLEFT = 5,
        MTH_SCROLLRIGHT = 6,
        MTH_SETVIEWPORT = 7,
        MTH_MOVEVIEWPORT = 8,
        MTH_MOVE = 9,
        MTH_INVALIDATE = 10,
    };

    CMC_Scroll_Runner() : CMC_MediaRunner(TYPE_SCROLL) {}
    void prepareMthHashSet() override;
};

} // namespace KavirelDLL

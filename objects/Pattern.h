#pragma once
#include <cstdint>

#include "display/MouseListener.h"
#include "display/Pattern.h"
#include "objects/MediaObject.h"
#include "script/Object.h"
#include "script/TypeIds.h"

namespace KavirelDLL {

class CWindow;
class CGraphicsObject;

// PATTERN: a tile grid on the screen (CPattern), whose cells scripts fill with other objects' graphics.
// It reports focus, clicks and releases over its rectangle.
class CMC_Pattern : public CMC_Object, public CMouseListener {
public:
    // Definition form; a null element makes the blank object caches read into.
    CMC_Pattern(CMC_ObjectsContainer* container, CMElement* element);
    ~CMC_Pattern() override;

    bool doneFirst() override { return true; }
    bool done(bool flag) override;
    CXString** getBehavioursList() override;
    bool verifyBehaviour(const CXString& key) override;
    // Bindings read back from a cache are verified too, so a cached pattern listens.
    void initializeBehaviours(CMC_ObjectsContainer* container, CMElement* element) override;
    // After the base's part: visible, screen priority (negative: not listed), width, height, grid x, grid y,
    // layers.
    void serialize(CXArchive* archive) override;

    bool onMouseMove(CXPoint p) override;
    bool onClick(int button, CXPoint p) override;
    bool onRelease(int button, CXPoint p) override;
    using CMouseListener::onClick;
    using CMouseListener::onRelease;

    CPattern* getPattern() const { return m_pattern; }
    void setAsButton(bool enable, bool activeCursor) {
        m_buttonMode = enable;
        m_activeCursor = activeCursor;
    }
    int getGridX() const { return m_gridX; }
    int getGridY() const { return m_gridY; }
    // The cell size scripts see and compute with (SETGRID changes it; below 1 acts as 1).
    void setGrid(int x, int y);
    bool isListening() const { return m_listening; }

private:
    void build(bool visible, int layers);
    bool ready();
    bool handles(const char* event);

    CWindow* m_window = nullptr;
    CPattern* m_pattern = nullptr;
    bool m_listening = false;
    bool m_focused = false;
    bool m_buttonMode = true;
    bool m_activeCursor = true;
    int32_t m_width = 0;
    int32_t m_height = 0;
    int32_t m_gridX = 1;
    int32_t m_gridY = 1;
};

// PATTERN methods.
class CMC_Pattern_Runner : public CMC_MediaRunner {
public:
    enum : int {
        MTH_ADD = 1,
        MTH_SETGRID = 2,
        MTH_MOVE = 3,
        MTH_GETGRAPHICSAT = 4,
        MTH_REMOVE = 5,
        MTH_GETALIASAT = 6,
        MTH_GETINFOAT = 7,
        MTH_GETALIASINFO = 8,
        MTH_GETCELLCORD = 9,
        MTH_GETALIASATCELL = 10,
        MTH_SETPOSITION = 11,
    };

    CMC_Pattern_Runner() : CMC_MediaRunner(TYPE_PATTERN) {}
    void prepareMthHashSet() override;
};

} // namespace KavirelDLL

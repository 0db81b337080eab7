#pragma once
#include "display/CanvasObserver.h"
#include "objects/MediaObject.h"
#include "script/TypeIds.h"

namespace KavirelDLL {

class CGraphicsObject;
class CRefreshScreen;

enum : int {
    EVT_CANVASOBSERVER_ONINITIALUPDATE = 3,
    EVT_CANVASOBSERVER_ONUPDATE = 4,
    EVT_CANVASOBSERVER_ONUPDATED = 5,
    EVT_CANVASOBSERVER_ONWINDOWFOCUSON = 6,
    EVT_CANVASOBSERVER_ONWINDOWFOCUSOFF = 7,
    EVT_CANVASOBSERVER_ONINITIALUPDATED = 8,
};

// CANVAS OBSERVER: the script face of the window's screen. It lists and unlists graphics objects, sets the
// background, finds the object at a point, saves screenshots, and raises events around each refresh and on
// the window's focus.
class CMC_CanvasObserver : public CMC_MediaObject, public CCanvasObserver {
public:
    // Definition form; a null element gives the blank form (name "tempCANVAS").
    CMC_CanvasObserver(CMC_ObjectsContainer* container, CMElement* element);
    ~CMC_CanvasObserver() override;

    CXString** getBehavioursList() override;
    void onInitialUpdate() override;
    void onInitialUpdated() override;
    void onUpdate() override;
    void onUpdated() override;
    void onFocusOn() override;
    void onFocusOff() override;

    CRefreshScreen* getCanvas() const { return m_screen; }
    void enableNotify(bool enable);
    // The name of the listed object at the point (see CRefreshScreen::getGraphicsAt), or "" for none.
    CXString getGraphicsAt(CMC_ObjectsContainer* container, int x, int y, bool visibleOnly, int lowest,
                           int highest, bool boxOnly, bool searchParents);

private:
    void raise(int event, const char* name);

    CRefreshScreen* m_screen = nullptr;
};

// CANVAS OBSERVER methods.
class CMC_CanvasObserver_Runner : public CMC_MediaRunner {
public:
    CMC_CanvasObserver_Runner() : CMC_MediaRunner(TYPE_CANVASOBSERVER) {}
    void prepareMthHashSet() override;
};

} // namespace KavirelDLL

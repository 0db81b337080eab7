#pragma once
#include <vector>

#include "core/Geometry.h"
#include "display/MouseListener.h"
#include "objects/MediaObject.h"
#include "script/TypeIds.h"

namespace KavirelDLL {

class CCanvas;
class CGraphicsObject;
class CRefreshScreen;

enum : int {
    EVT_CANVAS_ONFOCUSON = 3,
    EVT_CANVAS_ONFOCUSOFF = 4,
    EVT_CANVAS_ONCLICK = 5,
    EVT_CANVAS_ONRELEASE = 6,
};

// CANVAS: an off-screen canvas of its own on the screen's draw list, into which scripts add, draw, erase and
// capture other graphics objects. The IMAGE and TEXT objects added are remembered by handle, each once.
class CMC_Canvas : public CMC_MediaObject, public CMouseListener {
public:
    // Definition form; a null element gives the blank form (name "temp", no canvas yet).
    CMC_Canvas(CMC_ObjectsContainer* container, CMElement* element);
    // Blank form over a canvas (taken over and cleared; may be null).
    CMC_Canvas(CCanvas* surface, CMC_ObjectsContainer* container);
    ~CMC_Canvas() override;

    CXString** getBehavioursList() override;
    CXObject* clone() override;
    bool done(bool flag) override;
    bool verifyBehaviour(const CXString& key) override;
    void initializeBehaviours(CMC_ObjectsContainer* container, CMElement* element) override;
    // After the base's part: width, height, draw priority, alpha, background.
    void serialize(CXArchive* archive) override;

    // A new canvas replaces the old one on the screen; unless keepEmpty, the children whose names still
    // name graphics objects are added to it at the priority.
    virtual void create(int width, int height, bool alpha, bool background, int priority, bool keepEmpty);
    // The named graphics object onto the canvas; an IMAGE or TEXT is remembered as a child (once).
    virtual void add(const CXString& name, int priority);
    // Flattens the picture; with deleteChildren every live child leaves its container and is deleted.
    virtual void capture(bool deleteChildren);
    virtual void setAsButton(bool enable, bool activeCursor);

    bool onMouseMove(CXPoint p) override;
    bool onClick(int button, CXPoint p) override;
    bool onRelease(int button, CXPoint p) override;
    using CMouseListener::onClick;
    using CMouseListener::onRelease;

    CGraphicsObject* getCanvas() const;
    CCanvas* getSurface() const { return m_surface; }
    // Children remembered by ADD that still exist.
    std::vector<CMC_Object*> getChildren();
    // False (with a log line) when drawing the object into this canvas would draw the canvas into itself.
    bool mayTake(CGraphicsObject* object, const char* method);
    CRefreshScreen* getScreen() const;
    bool isListening() const { return m_listening; }
    bool isFocused() const { return m_focused; }

private:
    void dropSurface();
    bool ready();
    bool handles(const char* event) { return hasHandler(getSignalIndex(event)); }

    CCanvas* m_surface = nullptr;
    std::vector<CMC_ObjectHandle> m_children;
    bool m_listening = false;
    bool m_focused = false;
    bool m_buttonMode = true;
    bool m_activeCursor = true;
};

// CANVAS methods.
class CMC_Canvas_Runner : public CMC_MediaRunner {
public:
    CMC_Canvas_Runner() : CMC_MediaRunner(TYPE_CANVAS) {}
    void prepareMthHashSet() override;
};

} // namespace KavirelDLL

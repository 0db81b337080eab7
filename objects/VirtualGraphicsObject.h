#pragma once
#include <cstdint>

#include "display/Collisions.h"
#include "display/MouseListener.h"
#include "objects/MediaObject.h"
#include "script/Object.h"
#include "script/TypeIds.h"

namespace KavirelDLL {

class CWindow;
class CGraphicsObject;
class CVirtualGraphicsObject;

// VIRTUALGRAPHICSOBJECT: shows another object's graphic (SETSOURCE) through a third one's alpha plane
// (SETMASK). It raises no events of its own and never listens to the mouse.
class CMC_VirtualGraphicsObject : public CMC_Object, public CCollisionObserver, public CMouseListener {
public:
    CMC_VirtualGraphicsObject(CMC_ObjectsContainer* container, CMElement* element);
    // Clone form: takes the graphic over.
    CMC_VirtualGraphicsObject(CMC_ObjectsContainer* container, CVirtualGraphicsObject* graphic);
    ~CMC_VirtualGraphicsObject() override;

    CXObject* clone() override;
    CXString** getBehavioursList() override;
    // Does nothing: the scene keeps the graphic monitored while the object lives.
    virtual void removeCollisionsMonitoring() {}
    // The MONITORCOLLISION method.
    void monitorCollisions(bool alpha);

    void onCollision(CGraphicsObject*, CGraphicsObject*) override {}
    void onCollisionFinished(CGraphicsObject*, CGraphicsObject*) override {}
    bool onMouseMove(CXPoint) override { return true; }
    bool onClick(int, CXPoint) override { return true; }
    bool onRelease(int, CXPoint) override { return true; }
    using CMouseListener::onClick;
    using CMouseListener::onRelease;

    // Button mode is always set; the first argument is not used.
    void setAsButton(bool, bool activeCursor) {
        m_buttonMode = true;
        m_activeCursor = activeCursor;
    }

    CVirtualGraphicsObject* getVirtualGraphicsObject() const { return m_graphic; }
    CGraphicsObject* getGraphicsObject() const;
    CWindow* getWindow() const { return m_window; }
    int getPriority() const { return m_priority; }
    bool isButton() const { return m_buttonMode; }
    bool hasActiveCursor() const { return m_activeCursor; }
    CXString getSourceName() const { return m_sourceName; }
    CXString getMaskName() const { return m_maskName; }

private:
    CWindow* m_window = nullptr;
    CVirtualGraphicsObject* m_graphic = nullptr;
    int32_t m_priority = 0;
    bool m_buttonMode = false;
    bool m_activeCursor = true;
    CXString m_sourceName;
    CXString m_maskName;
    // The scene this object registered its graphic with, so the graphic leaves it with the object.
    CMC_ObjectHandle m_monitoredBy;
};

// VIRTUALGRAPHICSOBJECT methods.
class CMC_VirtualGraphicsObject_Runner : public CMC_MediaRunner {
public:
    enum : int {
        MTH_SHOW = 1,
        MTH_HIDE = 2,
        MTH_SETPOSITION = 3,
        MTH_MOVE = 4,
        MTH_SETSOURCE = 5,
        MTH_SETMASK = 6,
        MTH_CLEARCLIPPING = 7,
        MTH_SETCLIPPING = 8,
        MTH_GETPOSITIONX = 9,
        MTH_GETPOSITIONY = 10,
        MTH_GETWIDTH = 11,
        MTH_GETHEIGHT = 12,
        MTH_ISNEAR = 13,
        MTH_ISINSIDE = 14,
        MTH_MONITORCOLLISION = 15,
        MTH_REMOVEMONITORCOLLISION = 16,
        MTH_SETPRIORITY = 17,
        MTH_INVALIDATE = 18,
        MTH_ISVISIBLE = 19,
        MTH_SETASBUTTON = 20,
    };

    CMC_VirtualGraphicsObject_Runner() : CMC_MediaRunner(TYPE_VIRTUALGRAPHICSOBJECT) {}
    void prepareMthHashSet() override;
};

} // namespace KavirelDLL

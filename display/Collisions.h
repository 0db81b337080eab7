#pragma once
#include <cstdint>
#include <vector>

#include "core/Geometry.h"
#include "core/XObject.h"
#include "display/InvalidateObserver.h"

namespace KavirelDLL {

class CGraphicsObject;
class CXArray;
class CXVector;

// Told when two monitored objects begin and end touching.
class CCollisionObserver {
public:
    virtual void onCollision(CGraphicsObject* a, CGraphicsObject* b) = 0;
    virtual void onCollisionFinished(CGraphicsObject* a, CGraphicsObject* b) = 0;

protected:
    // Observers are never deleted through this interface.
    ~CCollisionObserver() = default;
};

// One graphics object the inspector watches, and the objects it touches now.
class CMonitoredObject {
public:
    CMonitoredObject(CGraphicsObject* object, bool alphaTest);
    virtual ~CMonitoredObject();
    CMonitoredObject(const CMonitoredObject&) = delete;
    CMonitoredObject& operator=(const CMonitoredObject&) = delete;

    enum : int32_t { FLAG_MOVED = 1 };

    CGraphicsObject* getObject() const { return m_object; }
    bool getAlphaTest() const { return m_alphaTest; }
    bool isActive() const { return m_active; }
    void setActive(bool active) { m_active = active; }
    bool isMoved() const { return (m_flags & FLAG_MOVED) != 0; }
    void setMoved(bool moved) { m_flags = moved ? (m_flags | FLAG_MOVED) : (m_flags & ~FLAG_MOVED); }
    CXVector* getContacts() const { return m_contacts; }
    bool touches(CGraphicsObject* other) const;
    void addContact(CGraphicsObject* other);
    void removeContact(CGraphicsObject* other);

private:
    friend class CCollisionInspector;

    CGraphicsObject* m_object; // not owned; null once the object is gone
    bool m_alphaTest;
    int32_t m_flags = 0;
    CXVector* m_contacts;
    bool m_active = true;
};

// Watches the graphics objects that take part in collisions. Objects report their moves; once per frame
// tick each object that moved is tested against every other monitored one, by bounding box and, when its
// entry asks, by probing the other's alpha plane, and the observers hear when a contact begins and ends.
// An object that is destroyed leaves the inspector and every contact by itself.
class CCollisionInspector : public CXObject, public CInvalidateObserver {
public:
    CCollisionInspector();
    ~CCollisionInspector() override;
    CCollisionInspector(const CCollisionInspector&) = delete;
    CCollisionInspector& operator=(const CCollisionInspector&) = delete;

    // Code 1 onCollision(a, b), code 2 onCollisionFinished(a, b), to every observer in order.
    virtual void notify(int code, CGraphicsObject* a, CGraphicsObject* b);
    // Eight points around a's box probed in b's alpha plane; false when b has no readable alpha plane.
    virtual bool checkAlphaCollision(CGraphicsObject* a, CXRect boxA, CGraphicsObject* b, CXRect boxB);
    virtual void onPositionChanged(CGraphicsObject* g);

    // An existing entry is made active again and keeps its alpha test.
    void addMonitoredObject(CGraphicsObject* g, bool alphaTest);
    // The entry goes once it has been inactive through a tick in which it moved.
    void removeMonitoredObject(CGraphicsObject* g);
    void addNotifier(CCollisionObserver* observer);
    void removeNotifier(CCollisionObserver* observer);
    // Once per frame, after the animations and sounds.
    void tick();
    CMonitoredObject* find(CGraphicsObject* g);

    int getMonitoredCount() const;
    CMonitoredObject* getMonitoredAt(int index) const;
    int getMovedCount() const;

    void onInvalidate(CGraphicsObject* source, CXRect* rect) override;
    void onDestroy(CGraphicsObject* source) override;

private:
    void watch(CGraphicsObject* g);
    void forgetContacts(CGraphicsObject* g);
    bool isContact(CGraphicsObject* g) const;
    void dropEntry(CMonitoredObject* entry);
    void testMover(CMonitoredObject* mover);

    CXArray* m_monitored; // owned entries
    CXArray* m_observers;
    CXArray* m_moved;
    // Objects whose destruction we hear of: every monitored one, and those still recorded as contacts.
    std::vector<CGraphicsObject*> m_watched;
    bool m_ticking = false;
};

} // namespace KavirelDLL

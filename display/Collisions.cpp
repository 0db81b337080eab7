#include "display/Collisions.h"

#include <algorithm>

#include "core/Containers.h"
#include "display/GraphicsObject.h"

namespace KavirelDLL {

// ---------------------------------------------------------------- monitored entry

CMonitoredObject::CMonitoredObject(CGraphicsObject* object, bool alphaTest)
    : m_object(object), m_alphaTest(alphaTest), m_contacts(new CXVector(5, 0.75f)) {}

CMonitoredObject::~CMonitoredObject() { delete m_contacts; }

bool CMonitoredObject::touches(CGraphicsObject* other) const { return m_contacts->contains(other); }

void CMonitoredObject::addContact(CGraphicsObject* other) {
    if (!m_contacts->contains(other)) m_contacts->add(other);
}

void CMonitoredObject::removeContact(CGraphicsObject* other) {
    while (m_contacts->contains(other)) m_contacts->remove(other);
}

// ---------------------------------------------------------------- inspector

CCollisionInspector::CCollisionInspector()
    : m_monitored(new CXArray(101, 0.75f)), m_observers(new CXArray(101, 0.75f)),
      m_moved(new CXArray(101, 0.75f)) {}

CCollisionInspector::~CCollisionInspector() {
    for (CGraphicsObject* g : m_watched) g->removeInvalidateObserver(this);
    for (int i = 0; i < m_monitored->getSize(); ++i)
        delete static_cast<CMonitoredObject*>(m_monitored->at(i));
    delete m_monitored;
    delete m_observers;
    delete m_moved;
}

int CCollisionInspector::getMonitoredCount() const { return m_monitored->getSize(); }

CMonitoredObject* CCollisionInspector::getMonitoredAt(int index) const {
    return index >= 0 && index < m_monitored->getSize()
               ? static_cast<CMonitoredObject*>(m_monitored->at(index))
               : nullptr;
}

int CCollisionInspector::getMovedCount() const { return m_moved->getSize(); }

CMonitoredObject* CCollisionInspector::find(CGraphicsObject* g) {
    if (!g) return nullptr;
    for (int i = 0; i < m_monitored->getSize(); ++i) {
        auto* entry = static_cast<CMonitoredObject*>(m_monitored->at(i));
        if (entry->m_object == g) return entry;
    }
    return nullptr;
}

void CCollisionInspector::watch(CGraphicsObject* g) {
    if (std::find(m_watched.begin(), m_watched.end(), g) != m_watched.end()) return;
    m_watched.push_back(g);
    g->addInvalidateObserver(this);
}

void CCollisionInspector::addMonitoredObject(CGraphicsObject* g, bool alphaTest) {
    if (!g) return;
    if (CMonitoredObject* entry = find(g)) {
        entry->setActive(true);
        return;
    }
    m_monitored->add(new CMonitoredObject(g, alphaTest));
    watch(g);
}

void CCollisionInspector::removeMonitoredObject(CGraphicsObject* g) {
    if (CMonitoredObject* entry = find(g)) entry->setActive(false);
}

void CCollisionInspector::addNotifier(CCollisionObserver* observer) {
    if (observer && !m_observers->contains(observer)) m_observers->add(observer);
}

void CCollisionInspector::removeNotifier(CCollisionObserver* observer) { m_observers->remove(observer); }

void CCollisionInspector::onPositionChanged(CGraphicsObject* g) {
    CMonitoredObject* entry = find(g);
    if (!entry || entry->isMoved()) return;
    entry->setMoved(true);
    m_moved->add(entry);
}

void CCollisionInspector::notify(int code, CGraphicsObject* a, CGraphicsObject* b) {
    if (code != 1 && code != 2) return;
    // Observers may come and go while they are told.
    std::vector<CCollisionObserver*> told;
    for (int i = 0; i < m_observers->getSize(); ++i)
        told.push_back(static_cast<CCollisionObserver*>(m_observers->at(i)));
    for (CCollisionObserver* o : told) {
        if (!m_observers->contains(o)) continue;
        if (code == 1)
            o->onCollision(a, b);
        else
            o->onCollisionFinished(a, b);
    }
}

bool CCollisionInspector::checkAlphaCollision(CGraphicsObject* a, CXRect boxA, CGraphicsObject* b,
                                              CXRect boxB) {
    if (!a || !b || b->GetCompression() != COMPRESSION_NONE) return false;
    const auto* alpha = reinterpret_cast<const uint8_t*>(b->GetChannelAlpha());
    if (!alpha) return false;
    const int bw = b->Width(), bh = b->Height();
    const int64_t planeSize = b->GetChannelSize(3);
    // The plane lies at the object's position; its box may be cut at the screen's edge or by its clipping.
    const CXPoint origin = b->GetPosition();
    const int w = a->Width(), h = a->Height(), l = boxA.left, t = boxA.top;
    const CXPoint probes[8] = {
        {l, t},
        {l + w / 2, t},
        {l + w - 1, t},
        {l + w - 1, t + h / 2},
        {l + w - 1, t + h - 1},
        {l + w / 2, t + h - 1},
        {l, t + h - 1},
        {l, t + h / 2},
    };
    for (const CXPoint& p : probes) {
        if (!boxB.IsInRect(p)) continue;
        const int x = p.x - origin.x, y = p.y - origin.y;
        if (x < 0 || y < 0 || x >= bw || y >= bh) continue;
        const int64_t index = int64_t(y) * bw + x;
        if (index >= planeSize) continue;
        if (alpha[index] != 0) return true;
    }
    return false;
}

void CCollisionInspector::testMover(CMonitoredObject* mover) {
    CGraphicsObject* a = mover->m_object;
    const CXRect boxA = a->GetBoundingBox();
    // Observers may add entries while they are told; those wait for their own move.
    const int count = m_monitored->getSize();
    for (int j = 0; j < count && j < m_monitored->getSize(); ++j) {
        auto* other = static_cast<CMonitoredObject*>(m_monitored->at(j));
        CGraphicsObject* b = other->m_object;
        if (other == mover || !other->isActive() || !b || b == a) continue;
        const CXRect boxB = b->GetBoundingBox();
        CXRect common;
        boxA.Common(boxB, &common);
        bool colliding = common.Width() > 0 && common.Height() > 0;
        if (colliding && mover->getAlphaTest()) colliding = checkAlphaCollision(a, boxA, b, boxB);
        const bool was = mover->touches(b);
        if (colliding && !was) {
            mover->addContact(b);
            other->addContact(a);
            notify(1, a, b);
            // Neither order is told about an object an observer has just destroyed.
            if (mover->m_object && other->m_object) notify(1, b, a);
        } else if (was && !colliding) {
            mover->removeContact(b);
            other->removeContact(a);
            notify(2, a, b);
        }
        // An observer may have destroyed the mover. One that only took it out of monitoring lets this
        // pass finish: the entry goes at the tick's end.
        if (!mover->m_object) return;
    }
}

void CCollisionInspector::tick() {
    if (m_ticking) return;
    m_ticking = true;
    // Objects that move during this pass are tested on the next tick.
    std::vector<CMonitoredObject*> pass;
    for (int i = 0; i < m_moved->getSize(); ++i)
        pass.push_back(static_cast<CMonitoredObject*>(m_moved->at(i)));
    m_moved->removeAll();
    for (CMonitoredObject* mover : pass) {
        mover->setMoved(false);
        if (!mover->isActive() || !mover->m_object) continue;
        testMover(mover);
    }
    m_ticking = false;
    for (CMonitoredObject* mover : pass)
        if (m_monitored->contains(mover) && (!mover->isActive() || !mover->m_object)) dropEntry(mover);
    // Objects destroyed during the pass.
    for (int i = m_monitored->getSize() - 1; i >= 0; --i) {
        auto* entry = static_cast<CMonitoredObject*>(m_monitored->at(i));
        if (!entry->m_object) dropEntry(entry);
    }
}

bool CCollisionInspector::isContact(CGraphicsObject* g) const {
    for (int i = 0; i < m_monitored->getSize(); ++i)
        if (static_cast<CMonitoredObject*>(m_monitored->at(i))->touches(g)) return true;
    return false;
}

void CCollisionInspector::forgetContacts(CGraphicsObject* g) {
    for (int i = 0; i < m_monitored->getSize(); ++i)
        static_cast<CMonitoredObject*>(m_monitored->at(i))->removeContact(g);
}

void CCollisionInspector::dropEntry(CMonitoredObject* entry) {
    m_monitored->remove(entry);
    while (m_moved->contains(entry)) m_moved->remove(entry);
    CGraphicsObject* g = entry->m_object;
    delete entry;
    // A dropped object may stay recorded in the contacts of others: its end must still be heard of.
    if (g && !isContact(g)) {
        m_watched.erase(std::remove(m_watched.begin(), m_watched.end(), g), m_watched.end());
        g->removeInvalidateObserver(this);
    }
}

void CCollisionInspector::onInvalidate(CGraphicsObject*, CXRect*) {}

void CCollisionInspector::onDestroy(CGraphicsObject* source) {
    m_watched.erase(std::remove(m_watched.begin(), m_watched.end(), source), m_watched.end());
    source->removeInvalidateObserver(this);
    forgetContacts(source);
    CMonitoredObject* entry = find(source);
    if (!entry) return;
    entry->m_object = nullptr;
    entry->setActive(false);
    // During a tick the pass still holds the entry; it goes at the tick's end.
    if (!m_ticking) dropEntry(entry);
}

} // namespace KavirelDLL

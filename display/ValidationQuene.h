#pragma once
#include "core/Containers.h"

namespace KavirelDLL {

class CGraphicsObject;

// One entry of a draw list: the object (not owned), its drawing priority and marks.
class CValidationElement : public CXObject {
public:
    CValidationElement(CGraphicsObject* object, int priority, int flags)
        : m_object(object), m_priority(priority), m_flags(flags) {}

    // 1 when this element draws after the other, else 0; equal priorities keep the order of adding.
    int compare(CXObject* other) override;

    CGraphicsObject* getObject() const { return m_object; }
    int getPriority() const { return m_priority; }
    int getFlags() const { return m_flags; }
    void setFlags(int flags) { m_flags = flags; }
    bool isToBeDrawn() const { return m_toBeDrawn; }
    void setToBeDrawn(bool on) { m_toBeDrawn = on; }
    bool isDrawn() const { return m_drawn; }
    void setDrawn(bool on) { m_drawn = on; }

private:
    CGraphicsObject* m_object;
    int32_t m_priority;
    int32_t m_flags;
    bool m_toBeDrawn = true;
    bool m_drawn = false;
};

// A draw list in ascending priority (lower drawn first; of equals the later added on top). Owns its
// elements, not their objects.
class CValidationQuene : public CSortedVector {
public:
    CValidationQuene() : CSortedVector(101) {}
    CValidationQuene(const CValidationQuene&) = delete;
    CValidationQuene& operator=(const CValidationQuene&) = delete;
    ~CValidationQuene() override;

    // The list's own element calls stay, under the draw list's.
    using CSortedVector::add;
    using CSortedVector::find;
    using CSortedVector::remove;
    CValidationElement* add(CGraphicsObject* object, int priority, int flags);
    CValidationElement* find(CGraphicsObject* object);
    int getIndex(CGraphicsObject* object);
    CValidationElement* elementAt(int i) {
        return i >= 0 && i < m_count ? static_cast<CValidationElement*>(m_items[i]) : nullptr;
    }
    // Cursor walk; null past either end.
    CValidationElement* first();
    CValidationElement* next();
    CValidationElement* prev();
    void clearMarks();
    void remove(CGraphicsObject* object);
    void removeAll() override;

private:
    int m_cursor = -1;
};

} // namespace KavirelDLL

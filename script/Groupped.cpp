#include "script/Groupped.h"

#include <algorithm>

#include "script/ObjectsContainer.h"

namespace KavirelDLL {

CMC_Groupped::CMC_Groupped(CMC_ObjectsContainer* scene, CMElement* element)
    : CMC_PendingObject(scene, element, TYPE_GROUP, "GROUP") {}

CMC_Groupped::CMC_Groupped(const CXString& name, CMC_ObjectsContainer* scene)
    : CMC_PendingObject(scene, name, TYPE_GROUP, "GROUP") {}

CMC_Groupped::~CMC_Groupped() {
    delete m_snapshot;
}

void CMC_Groupped::compact() {
    std::erase_if(m_members, [](CMC_ObjectHandle& member) { return !member.get(); });
}

void CMC_Groupped::add(CMC_Object* object) {
    if (!object || contains(object)) return;
    // A member found again by name is looked up where this group lives.
    m_members.emplace_back(object, getScene());
}

void CMC_Groupped::remove(CMC_Object* object) {
    compact();
    auto found = std::find_if(m_members.begin(), m_members.end(),
                              [object](const CMC_ObjectHandle& member) { return member.refersTo(object); });
    if (found != m_members.end()) m_members.erase(found);
}

bool CMC_Groupped::contains(CMC_Object* object) {
    compact();
    return std::any_of(m_members.begin(), m_members.end(),
                       [object](const CMC_ObjectHandle& member) { return member.refersTo(object); });
}

void CMC_Groupped::removeAll() {
    m_members.clear();
}

CMC_Object* CMC_Groupped::get(int index) {
    compact();
    if (index < 0 || index >= static_cast<int>(m_members.size())) return nullptr;
    return m_members[static_cast<size_t>(index)].get();
}

int CMC_Groupped::getSize() {
    compact();
    return static_cast<int>(m_members.size());
}

CXVector* CMC_Groupped::getList() {
    compact();
    if (!m_snapshot) m_snapshot = new CXVector(101, 0.75f);
    m_snapshot->removeAll();
    for (CMC_ObjectHandle& member : m_members)
        m_snapshot->add(member.get());
    return m_snapshot;
}

} // namespace KavirelDLL

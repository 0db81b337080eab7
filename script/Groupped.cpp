#include "script/Groupped.h"

#include <algorithm>

#include "core/Log.h"
#include "script/Behaviour.h"
#include "script/Bool.h"
#include "script/Integer.h"
#include "script/ObjectsContainer.h"
#include "script/RunnerFactory.h"
#include "script/String.h"
#include "script/VariableFactory.h"

namespace KavirelDLL {

namespace {

// ADDCLONES looks each name up; a range wider than this is a script's mistake, not a set of clones.
constexpr long long kMaxCloneRange = 1000000;

CMC_String* nameOf(CMC_Object* object) {
    if (!object) return nullptr;
    CMC_String* result = CMC_VariableFactory::allocString();
    result->setValue(object->name());
    return result;
}

} // namespace

CMC_Groupped::CMC_Groupped(CMC_ObjectsContainer* scene, CMElement* element)
    : CMC_Object(scene, element, TYPE_GROUP) {
    initializeBehaviours(scene, element);
}

CMC_Groupped::CMC_Groupped(const CXString& name, CMC_ObjectsContainer* scene) : CMC_Object(name, TYPE_GROUP) {
    if (scene) setScene(scene);
}

CMC_Groupped::~CMC_Groupped() { delete m_snapshot; }

CXString** CMC_Groupped::getBehavioursList() { return makeEventList({"ONINIT", "ONDONE", "ONSIGNAL"}); }

void CMC_Groupped::compact() {
    std::erase_if(m_members, [](CMC_ObjectHandle& member) { return !member.get(); });
}

void CMC_Groupped::add(CMC_Object* object) {
    if (!object || contains(object)) return;
    // A member found again by name is looked up where this group lives.
    m_members.emplace_back(object, getScene());
}

void CMC_Groupped::addClones(const CXString& name, int from, int to) {
    CMC_ObjectsContainer* scene = getScene();
    if (!scene) return;
    if (static_cast<long long>(to) - from >= kMaxCloneRange) {
        logMessage("group %s: ADDCLONES from %d to %d is too wide; nothing added", m_name.GetBuffer(), from,
                   to);
        return;
    }
    for (long long i = from; i <= to; ++i) {
        CMC_Object* found = scene->getObject(name + "_" + CXString::toString(static_cast<int>(i)));
        if (found) m_members.emplace_back(found, scene);
    }
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

void CMC_Groupped::removeAll() { m_members.clear(); }

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
    for (CMC_ObjectHandle& member : m_members) m_snapshot->add(member.get());
    return m_snapshot;
}

CMC_Object* CMC_Groupped::next(int n) {
    int size = getSize();
    if (size == 0) return nullptr;
    long long marker = static_cast<long long>(m_marker) + n;
    marker %= size;
    if (marker < 0) marker += size;
    m_marker = static_cast<int32_t>(marker);
    return get(m_marker);
}

CMC_Object* CMC_Groupped::prev(int n) {
    int size = getSize();
    if (size == 0) return nullptr;
    long long marker = static_cast<long long>(m_marker) - n;
    marker %= size;
    if (marker < 0) marker += size;
    m_marker = static_cast<int32_t>(marker);
    return get(m_marker);
}

void CMC_Groupped::resetMarker() { m_marker = -1; }

int CMC_Groupped::getMarkerPos() { return m_marker; }

void CMC_Groupped::setMarkerPos(int position) {
    int size = getSize();
    m_marker = std::clamp(position, -1, size - 1);
}

CXObject* CMC_Groupped::clone() {
    auto* copy = new CMC_Groupped(CXString("cloned"), getScene());
    compact();
    copy->m_members = m_members;
    return copy;
}

CXString CMC_Groupped::toString() {
    CXString text;
    compact();
    for (size_t i = 0; i < m_members.size(); ++i) {
        if (i) text += ",";
        if (CMC_Object* member = m_members[i].get()) text += member->toString();
    }
    return text;
}

// ---- the runner ----

void CMC_Groupped_Runner::prepareMthHashSet() {
    CMC_Runner::prepareMthHashSet();
    addMethod("ADD", MTH_ADD);
    addMethod("REMOVE", MTH_REMOVE);
    addMethod("REMOVEALL", MTH_REMOVEALL);
    addMethod("GETSIZE", MTH_GETSIZE);
    addMethod("GETNAME", MTH_GETNAME);
    addMethod("PREV", MTH_PREV);
    addMethod("NEXT", MTH_NEXT);
    addMethod("ADDCLONES", MTH_ADDCLONES);
    addMethod("RESETMARKER", MTH_RESETMARKER);
    addMethod("GETMARKERPOS", MTH_GETMARKERPOS);
    addMethod("SETMARKERPOS", MTH_SETMARKERPOS);
    addMethod("CLONE", MTH_CLONE);
    addMethod("GETCLONEINDEX", MTH_GETCLONEINDEX);
    addMethod("GETNAMEATMARKER", MTH_GETNAMEATMARKER);
    addMethod("CONTAINS", MTH_CONTAINS);
}

CMC_Variable* CMC_Groupped_Runner::run(const CXString& name, CMC_Object* object,
                                       CMC_ObjectsContainer* container, CXVector* args) {
    int id = resolveMethod(name);
    if (id >= 0 || !object || object->getType() != TYPE_GROUP) return run(id, object, container, args);
    // Not a group method: every member gets it. Members are taken first, as the calls may change the group.
    auto* group = static_cast<CMC_Groupped*>(object);
    std::vector<CMC_ObjectHandle> members;
    CXVector* list = group->getList();
    for (int i = 0; i < list->getSize(); ++i) members.emplace_back(static_cast<CMC_Object*>(list->at(i)));
    for (CMC_ObjectHandle& handle : members) {
        CMC_Object* member = handle.current();
        if (!member) continue;
        CMC_Runner* runner = CMC_RunnerFactory::getRunner(member->getType());
        if (!runner) runner = member->getRunner();
        if (!runner) continue;
        CMC_Variable* result = runner->run(name, member, container, args);
        // A control code is not a value to hand back.
        if (reinterpret_cast<intptr_t>(result) > 0) CMC_Object::flush(result);
    }
    return nullptr;
}

CMC_Variable* CMC_Groupped_Runner::run(int id, CMC_Object* object, CMC_ObjectsContainer* container,
                                       CXVector* args) {
    if (!object || object->getType() != TYPE_GROUP) return CMC_Runner::run(id, object, container, args);
    auto* group = static_cast<CMC_Groupped*>(object);
    int count = argumentCount(args);
    CMC_ArgumentsGuard guard(object, container, args);
    auto integerAt = [&](int i, int fallback) {
        return i < count ? getParameterInteger(args, i)->getValue() : fallback;
    };
    switch (id) {
    case MTH_ADD:
        for (int i = 0; i < count && container; ++i) {
            CXString name = getParameterString(args, i)->getValue();
            if (guard.gone()) return nullptr;
            if (CMC_Object* found = container->getObject(name)) group->add(found);
        }
        return nullptr;
    case MTH_REMOVE:
        if (count > 0 && container) {
            CXString name = getParameterString(args, 0)->getValue();
            if (guard.gone()) return nullptr;
            if (CMC_Object* found = container->getObject(name)) group->remove(found);
        }
        return nullptr;
    case MTH_REMOVEALL:
        group->removeAll();
        return nullptr;
    case MTH_GETSIZE: {
        CMC_Integer* result = CMC_VariableFactory::allocInteger();
        result->setValue(group->getSize());
        return result;
    }
    case MTH_GETNAME: {
        int index = integerAt(0, 0);
        return guard.gone() ? nullptr : nameOf(group->get(index));
    }
    case MTH_PREV: {
        int steps = integerAt(0, 1);
        return guard.gone() ? nullptr : nameOf(group->prev(steps));
    }
    case MTH_NEXT: {
        int steps = integerAt(0, 1);
        return guard.gone() ? nullptr : nameOf(group->next(steps));
    }
    case MTH_ADDCLONES: {
        if (count < 1 || !container) return nullptr;
        CXString name = getParameterString(args, 0)->getValue();
        int from = integerAt(1, 1);
        bool toGiven = count > 2;
        int to = integerAt(2, 0);
        if (guard.gone()) return nullptr;
        CMC_Object* source = container->getObject(name);
        if (!source) return nullptr;
        group->addClones(name, from, toGiven ? to : source->getClonesNo());
        return nullptr;
    }
    case MTH_RESETMARKER:
        group->resetMarker();
        return nullptr;
    case MTH_GETMARKERPOS: {
        CMC_Integer* result = CMC_VariableFactory::allocInteger();
        result->setValue(group->getMarkerPos());
        return result;
    }
    case MTH_SETMARKERPOS:
        if (count > 0) {
            int position = getParameterInteger(args, 0)->getValue();
            if (!guard.gone()) group->setMarkerPos(position);
        }
        return nullptr;
    case MTH_CLONE:
        return CMC_Runner::run(KavirelDLL::MTH_CLONE, object, container, args);
    case MTH_GETCLONEINDEX:
        return CMC_Runner::run(KavirelDLL::MTH_GETCLONEINDEX, object, container, args);
    case MTH_GETNAMEATMARKER:
        return nameOf(group->get(group->getMarkerPos()));
    case MTH_CONTAINS: {
        CXString name = count > 0 ? getParameterString(args, 0)->getValue() : CXString("");
        if (guard.gone()) return nullptr;
        CMC_Object* found = count > 0 && container ? container->getObject(name) : nullptr;
        CMC_Bool* result = CMC_VariableFactory::allocBool();
        result->setValue(found && group->contains(found));
        return result;
    }
    default:
        return CMC_Runner::run(id, object, container, args);
    }
}

} // namespace KavirelDLL

#include "script/Path.h"

#include <memory>

#include "core/Archive.h"
#include "core/Elements.h"
#include "core/File.h"
#include "core/Log.h"
#include "script/CollectionSupport.h"
#include "script/Double.h"
#include "script/Integer.h"
#include "script/ObjectsContainer.h"
#include "script/RunnerResults.h"
#include "script/String.h"

namespace KavirelDLL {

using namespace CollectionSupport;
using namespace RunnerResults;

namespace {

// A stored name takes at least its 4-byte length.
constexpr long long kStoredNameBytes = 4;

} // namespace

CMC_Path::CMC_Path(CMC_ObjectsContainer* scene, CMElement* element) : CMC_Object(scene, element, TYPE_PATH) {
    CXArray* names = element ? element->getPropertyListValue("NODES") : nullptr;
    for (int i = 0; names && i < names->getSize(); ++i) {
        auto* name = static_cast<CXString*>(names->at(i));
        forwardToNodes(scene ? scene->getObject(*name) : nullptr);
        delete name;
    }
    delete names;
    initializeBehaviours(scene, element);
}

CMC_Path::CMC_Path() : CMC_Object(CXString("temp"), TYPE_PATH) {}

CXString** CMC_Path::getBehavioursList() { return makeEventList({"ONINIT", "ONDONE", "ONSIGNAL"}); }

void CMC_Path::forwardToNodes(CMC_Object* object) {
    // A node found again by name is looked up where this path lives.
    if (object)
        m_nodes.emplace_back(object, getScene());
    else
        m_nodes.emplace_back();
}

CMC_Object* CMC_Path::getNode(int index) {
    if (index < 0 || index >= getSize()) return nullptr;
    return m_nodes[static_cast<size_t>(index)].get();
}

CXString CMC_Path::getNodeName(int index) const {
    if (index < 0 || index >= getSize()) return CXString("");
    return m_nodes[static_cast<size_t>(index)].getName();
}

CXString CMC_Path::toString() {
    CXString text;
    for (int i = 0; i < getSize(); ++i) {
        CMC_Object* node = getNode(i);
        text += '[';
        if (node) text += node->toString();
        text += ']';
    }
    return text;
}

void CMC_Path::serialize(CXArchive* archive) {
    if (!archive) return;
    CMC_Object::serialize(archive);
    if (archive->isStoring()) {
        *archive << static_cast<int32_t>(m_nodes.size());
        for (int i = 0; i < getSize(); ++i) *archive << getNodeName(i);
        return;
    }
    int32_t count = 0;
    *archive >> &count;
    CFile* file = archive->GetFileHandle();
    long long left = file ? static_cast<long long>(file->Length()) - file->Tell() : 0;
    if (!archive->good() || count < 0 || count * kStoredNameBytes > left) {
        logMessage("PATH %s: a stored count of %d nodes cannot be read", m_name.GetBuffer(), count);
        archive->setErrorCode(ERR_FILE_DAMAGED);
        return;
    }
    std::vector<CXString> names(static_cast<size_t>(count));
    for (CXString& name : names) *archive >> &name;
    if (!archive->good()) return;
    m_nodes.clear();
    CMC_ObjectsContainer* scene = getScene();
    for (const CXString& name : names)
        forwardToNodes(scene && name.IsString() ? scene->getObject(name) : nullptr);
}

// ---- runner ----

void CMC_Path_Runner::prepareMthHashSet() {
    CMC_Runner::prepareMthHashSet();
    addMethod("ADD", MTH_ADD);
    addMethod("GETSIZE", MTH_GETSIZE);
    addMethod("GETNODE", MTH_GETNODE);
    addMethod("SETPROPERTY", MTH_SETPROPERTY);
    addMethod("GETPROPERTY", MTH_GETPROPERTY);
}

CMC_Variable* CMC_Path_Runner::run(int id, CMC_Object* object, CMC_ObjectsContainer* container,
                                   CXVector* args) {
    if (!object || object->getType() != TYPE_PATH) return CMC_Runner::run(id, object, container, args);
    auto* path = static_cast<CMC_Path*>(object);
    std::shared_ptr<CMC_ObjectAnchor> self = path->anchor();
    std::shared_ptr<CMC_ObjectAnchor> where = container ? container->anchor() : nullptr;
    auto gone = [&] { return !self->object || (where && !where->object); };
    switch (id) {
    case MTH_ADD: {
        CMC_Variable* argument = getParameter(args, 0);
        if (!argument || gone()) return nullptr;
        path->forwardToNodes(objectOfType(container, nameIn(argument, kAnyType), kAnyType));
        return nullptr;
    }
    case MTH_GETSIZE:
        return integerResult(path->getSize());
    case MTH_GETNODE: {
        int index = getParameterInteger(args, 0)->getValue();
        if (gone()) return nullptr;
        CMC_Object* node = path->getNode(index);
        return stringResult(node ? node->getName() : CXString("NULL"));
    }
    case MTH_SETPROPERTY: {
        CXString key = getParameterString(args, 0)->getValue();
        double value = getParameterDouble(args, 1)->getValue();
        if (!gone() && key.equals("DENSITY")) path->setDensity(value);
        return nullptr;
    }
    case MTH_GETPROPERTY: {
        CXString key = getParameterString(args, 0)->getValue();
        if (gone() || !key.equals("DENSITY")) return nullptr;
        return doubleResult(path->getDensity());
    }
    default:
        return CMC_Runner::run(id, object, container, args);
    }
}

} // namespace KavirelDLL

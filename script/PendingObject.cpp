#include "script/PendingObject.h"

#include <set>
#include <string>

#include "core/Elements.h"
#include "core/Log.h"
#include "script/ObjectsContainer.h"

namespace KavirelDLL {

namespace {

bool firstTime(const std::string& what) {
    static std::set<std::string> seen;
    return seen.insert(what).second;
}

} // namespace

CMElement* CMC_PendingObject::copyDefinition(CMElement* element) {
    if (!element) return nullptr;
    auto* copy = new CMElement(element->getName());
    CMProperties* properties = element->getProperties();
    for (int i = 0; properties && i < properties->getSize(); ++i) {
        auto* property = static_cast<CMProperty*>(properties->at(i));
        copy->addProperty(property->getName(), property->getValue());
    }
    return copy;
}

CMC_PendingObject::CMC_PendingObject(CMC_ObjectsContainer* scene, CMElement* element, int type,
                                     const char* typeName)
    : CMC_Object(scene, element, type), m_definition(copyDefinition(element)), m_typeName(typeName) {
    announce(typeName, type);
    initializeBehaviours(scene, element);
}

CMC_PendingObject::CMC_PendingObject(CMC_ObjectsContainer* scene, const CXString& name, int type,
                                     const char* typeName)
    : CMC_Object(name, type), m_typeName(typeName) {
    if (scene) setScene(scene);
    announce(typeName, type);
}

CMC_PendingObject::~CMC_PendingObject() { delete m_definition; }

bool CMC_PendingObject::learnEvents(CMElement* element) {
    bool learned = false;
    CMProperties* properties = element ? element->getProperties() : nullptr;
    for (int i = 0; properties && i < properties->getSize(); ++i) {
        CXString key = static_cast<CMProperty*>(properties->at(i))->getName();
        if (!key.startsWith("ON")) continue;
        int caret = key.Find('^');
        if (caret >= 0) key = key.Left(caret);
        bool known = false;
        for (const CXString& name : m_eventNames) known = known || name.equals(key);
        if (known) continue;
        m_eventNames.push_back(key);
        learned = true;
    }
    return learned;
}

CXString** CMC_PendingObject::getBehavioursList() {
    auto** list = new CXString*[m_eventNames.size() + 1];
    for (size_t i = 0; i < m_eventNames.size(); ++i) list[i] = new CXString(m_eventNames[i]);
    list[m_eventNames.size()] = nullptr;
    return list;
}

void CMC_PendingObject::initializeBehaviours(CMC_ObjectsContainer* scene, CMElement* element) {
    // New events go at the end, so the indexes of the handler flags already set stay.
    if (learnEvents(element) && !isClone()) m_events.reset();
    CMC_Object::initializeBehaviours(scene, element);
}

void CMC_PendingObject::announce(const char* typeName, int type) {
    if (firstTime(std::string("type ") + typeName))
        logMessage("%s objects (type %d) load, but their own methods are not built yet", typeName, type);
}

void CMC_PendingObject::notBuilt(CMC_Object* object, const char* typeName, const char* operation) {
    if (object) object->setErrorCode(ERR_NOT_BUILT);
    if (firstTime(std::string(typeName) + " " + operation))
        logMessage("%s %s: %s is not built yet", typeName, object ? object->getName().GetBuffer() : "",
                   operation);
}

} // namespace KavirelDLL

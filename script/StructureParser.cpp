#include "script/StructureParser.h"

#include "core/Elements.h"
#include "core/ElementsLoader.h"
#include "core/Log.h"
#include "display/Window.h"
#include "script/Application.h"
#include "script/Episode.h"
#include "script/RunnerFactory.h"
#include "script/Scene.h"
#include "script/VariableFactory.h"

namespace KavirelDLL {

CMC_StructureParser::CMC_StructureParser(CWindow* window, const CXString& fileName) : m_window(window) {
    CMC_VariableFactory::initialize();
    CMC_RunnerFactory::initialize();
    load(fileName);
}

CMC_StructureParser::~CMC_StructureParser() {
    // Containers no list took have no other owner. The application's own are gone with it, or still have
    // their parent.
    for (CMC_ObjectHandle& handle : m_containers) {
        CMC_Object* object = handle.current();
        if (!object || object == m_application) continue;
        if (static_cast<CMC_ObjectsContainer*>(object)->getParent()) continue;
        delete object;
    }
    m_containers.clear();
    CMC_RunnerFactory::done();
    CMC_VariableFactory::done();
}

CMC_Object* CMC_StructureParser::get(const CXString& name) {
    for (CMC_ObjectHandle& handle : m_containers) {
        CMC_Object* object = handle.current();
        if (object && object->name().equals(name)) return object;
    }
    return nullptr;
}

CMC_Application* CMC_StructureParser::load(const CXString& fileName) {
    CMElements* elements = CMElementsLoader::load(m_window, fileName);
    if (!elements) {
        logMessage("%s cannot be read; there is no application", fileName.GetBuffer());
        return nullptr;
    }
    auto typeOf = [](CMElement* element) { return element->getPropertyValue("TYPE"); };
    for (int i = 0; i < elements->getSize(); ++i) {
        CMElement* element = elements->getAt(i);
        if (typeOf(element).equals("SCENE"))
            m_containers.emplace_back(new CMC_Scene(m_window, nullptr, element, TYPE_SCENE));
    }
    for (int i = 0; i < elements->getSize(); ++i) {
        CMElement* element = elements->getAt(i);
        if (typeOf(element).equals("EPISODE"))
            m_containers.emplace_back(new CMC_Episode(m_window, this, element));
    }
    // Only the last APPLICATION element counts; an application made from an earlier one would take the
    // episodes and scenes away from it.
    CMElement* last = nullptr;
    int applications = 0;
    for (int i = 0; i < elements->getSize(); ++i) {
        CMElement* element = elements->getAt(i);
        if (!typeOf(element).equals("APPLICATION")) continue;
        last = element;
        ++applications;
    }
    if (applications > 1)
        logMessage("%s: %d APPLICATION elements; the last one, %s, is the application", fileName.GetBuffer(),
                   applications, last->getName().GetBuffer());
    if (last) {
        m_application = new CMC_Application(m_window, this, last);
        m_containers.emplace_back(m_application);
    } else {
        logMessage("%s has no APPLICATION element", fileName.GetBuffer());
    }
    delete elements;
    return m_application;
}

} // namespace KavirelDLL

#pragma once
#include "script/ObjectsContainer.h"
#include "script/PendingObject.h"

namespace KavirelDLL {

// A script class (and, later, its instances): a container of type 3004. The declaration loads with its
// DEF and BASE properties and the scene as its parent; importing class files and making instances come
// with the script classes.
class CMC_Class : public CMC_ObjectsContainer {
public:
    CMC_Class(CMC_ObjectsContainer* scene, CMElement* element);

    CXString getDefinitionFile() const { return m_definition; }
    CXString getBases() const { return m_bases; }

private:
    CXString m_definition;
    CXString m_bases;
};

KAVIREL_PENDING_RUNNER(CMC_Class_Runner, "CLASS");

} // namespace KavirelDLL

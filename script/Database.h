#pragma once
#include "script/PendingObject.h"
#include "script/TypeIds.h"

namespace KavirelDLL {

// A database of rows. It loads with its definition; its rows and files come with the collections.
class CMC_Database : public CMC_PendingObject {
public:
    CMC_Database(CMC_ObjectsContainer* scene, CMElement* element)
        : CMC_PendingObject(scene, element, TYPE_DATABASE, "DATABASE") {}
};

KAVIREL_PENDING_RUNNER(CMC_Database_Runner, "DATABASE");

} // namespace KavirelDLL

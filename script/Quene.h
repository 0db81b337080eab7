#pragma once
#include "script/PendingObject.h"
#include "script/TypeIds.h"

namespace KavirelDLL {

// A first-in first-out queue. It loads with its definition; its methods come with the collections.
class CMC_Fifo : public CMC_PendingObject {
public:
    CMC_Fifo(CMC_ObjectsContainer* scene, CMElement* element)
        : CMC_PendingObject(scene, element, TYPE_FIFO, "FIFO") {}
};

// A last-in first-out queue. It loads with its definition; its methods come with the collections.
class CMC_Lifo : public CMC_PendingObject {
public:
    CMC_Lifo(CMC_ObjectsContainer* scene, CMElement* element)
        : CMC_PendingObject(scene, element, TYPE_LIFO, "LIFO") {}
};

KAVIREL_PENDING_RUNNER(CMC_Quene_Runner, "FIFO/LIFO");

} // namespace KavirelDLL

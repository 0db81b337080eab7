#pragma once
#include "script/PendingObject.h"
#include "script/TypeIds.h"

namespace KavirelDLL {

// A dynamic filter. It loads with its definition; the filter comes with the script filter objects.
class CMC_Filter : public CMC_PendingObject {
public:
    CMC_Filter(CMC_ObjectsContainer* scene, CMElement* element)
        : CMC_PendingObject(scene, element, TYPE_FILTER, "FILTER") {}
};

KAVIREL_PENDING_RUNNER(CMC_Filter_Runner, "FILTER");

// A static filter. It loads with its definition; the filter comes with the script filter objects.
class CMC_StaticFilter : public CMC_PendingObject {
public:
    CMC_StaticFilter(CMC_ObjectsContainer* scene, CMElement* element)
        : CMC_PendingObject(scene, element, TYPE_STATICFILTER, "STATICFILTER") {}
};

KAVIREL_PENDING_RUNNER(CMC_StaticFilter_Runner, "STATICFILTER");

} // namespace KavirelDLL

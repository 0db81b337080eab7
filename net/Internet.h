#pragma once
#include "script/PendingObject.h"

namespace KavirelDLL {

// The INTERNET object (HTTP downloads). It loads with its definition; downloading comes with the
// networking subsystem.
class CMC_Internet : public CMC_PendingObject {
public:
    CMC_Internet(CMC_ObjectsContainer* scene, CMElement* element)
        : CMC_PendingObject(scene, element, TYPE_INTERNET, "INTERNET") {}

    // Called once per frame by the scene step: raises the events of finished downloads.
    virtual void flushDownloadFinished() {}
};

KAVIREL_PENDING_RUNNER(CMC_Internet_Runner, "INTERNET");

} // namespace KavirelDLL

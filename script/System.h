#pragma once
#include "script/PendingObject.h"

namespace KavirelDLL {

// The SYSTEM object every application has. It exists under its name; its methods (date, time, files, the
// command line, web games) come with that object, and until then they fail as not built.
class CMC_System : public CMC_PendingObject {
public:
    explicit CMC_System(CMC_ObjectsContainer* container)
        : CMC_PendingObject(container, CXString("SYSTEM"), TYPE_SYSTEM, "SYSTEM") {}
};

KAVIREL_PENDING_RUNNER(CMC_System_Runner, "SYSTEM");

} // namespace KavirelDLL

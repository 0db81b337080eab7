#pragma once
#include "script/PendingObject.h"

namespace KavirelDLL {

// The methods of the SYSTEM object. They come with that object.
KAVIREL_PENDING_RUNNER(CMC_System_Runner, "SYSTEM");

} // namespace KavirelDLL

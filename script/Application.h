#pragma once
#include "script/PendingObject.h"

namespace KavirelDLL {

// The methods of the APPLICATION object. They come with the script root.
KAVIREL_PENDING_RUNNER(CMC_Application_Runner, "APPLICATION");

} // namespace KavirelDLL

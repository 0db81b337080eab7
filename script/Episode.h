#pragma once
#include "script/PendingObject.h"

namespace KavirelDLL {

// The methods of EPISODE objects. They come with the episodes.
KAVIREL_PENDING_RUNNER(CMC_Episode_Runner, "EPISODE");

} // namespace KavirelDLL

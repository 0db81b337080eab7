#pragma once
#include "script/PendingObject.h"

namespace KavirelDLL {

// The methods of the RANDOM object. They come with the collections.
KAVIREL_PENDING_RUNNER(CMC_Rand_Runner, "RANDOM");

} // namespace KavirelDLL

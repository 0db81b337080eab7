#pragma once
#include "script/PendingObject.h"

namespace KavirelDLL {

// The methods of the definition loader. They come with the plug-in modules.
KAVIREL_PENDING_RUNNER(CMC_CNVLoader_Runner, "CNVLOADER");

} // namespace KavirelDLL

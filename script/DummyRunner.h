#pragma once
#include "script/PendingObject.h"

namespace KavirelDLL {

// The built-in "@" statements (type 0). They come with the interpreter.
KAVIREL_PENDING_RUNNER(CMC_Dummy_Runner, "@");

} // namespace KavirelDLL

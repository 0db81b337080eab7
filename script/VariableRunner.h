#pragma once
#include "script/PendingObject.h"

namespace KavirelDLL {

// The methods of INTEGER, STRING, BOOL, DOUBLE and EXPRESSION values. They come with the interpreter.
KAVIREL_PENDING_RUNNER(CMC_Variable_Runner, "VARIABLE");

} // namespace KavirelDLL

#pragma once
#include "script/Runner.h"

namespace KavirelDLL {

// The runner singletons, one per script type of the type registry (some types share one). They exist from
// initialize() to done(); a type without a runner gets null, and its object is asked for its own (plug-in
// types).
class CMC_RunnerFactory {
public:
    // Makes the runners of the registered types; nothing while they exist.
    static void initialize();
    static void done();
    static bool isInitialized();
    static CMC_Runner* getRunner(int type);
};

} // namespace KavirelDLL

#pragma once
#include "platform/PlatformError.h"

#include <string>
#include <vector>

namespace KavirelDLL {

// The program's hand-overs to other programs and its end on the desktop's request.
class CPlatformProcess {
public:
    // Replaces the process by a program, an engine name resolved as files are (relative to the working
    // folder). A name ending in ".exe" is looked up without it first, then as given. The arguments go as they
    // are, after the program's own name. Returns only when the program could not be started.
    static EPlatformError exec(const std::string& program, const std::vector<std::string>& arguments);

    // From now on SIGTERM, SIGINT and SIGHUP ask the program to end instead of killing it.
    static void catchTerminationSignals();
    // Whether such a request arrived since the last call.
    static bool takeTerminationRequest();
};

} // namespace KavirelDLL

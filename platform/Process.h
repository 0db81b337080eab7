#pragma once
#include "platform/PlatformError.h"

#include <cstddef>
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

    // Runs a program (a native path, or a bare name looked up along PATH) with the arguments and waits for it
    // to end; false when it could not start, ended by a signal, or exited other than with 0.
    static bool run(const std::string& program, const std::vector<std::string>& arguments);

    // From now on SIGTERM, SIGINT and SIGHUP ask the program to end instead of killing it.
    static void catchTerminationSignals();
    // Whether such a request arrived since the last call.
    static bool takeTerminationRequest();
    // Whether one waits to be taken; it stays.
    static bool terminationRequested();

    // The process's arguments, its own name first, joined by blanks; one that is empty or holds a blank, a
    // tab or a double quote is put in double quotes (inner ones escaped with a backslash). Engine text.
    static std::string commandLine();
    // The user's login name (engine text); empty when the system cannot tell.
    static std::string userName();

    // Bytes of the calling thread's stack left below the caller's frame; SIZE_MAX when the system cannot tell.
    static size_t stackRoom();
};

} // namespace KavirelDLL

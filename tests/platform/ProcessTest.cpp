#include "platform/Process.h"

#include "TempFolder.h"
#include "platform/Files.h"

#include <gtest/gtest.h>

#include <filesystem>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace KavirelDLL;

namespace {

// Runs fn in a child process and answers its exit status (-1 when it did not exit normally).
template <typename Fn>
int inChild(Fn fn) {
    pid_t pid = fork();
    if (pid == 0) {
        int code = fn();
        _exit(code);
    }
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::filesystem::path script(const CTempFolder& folder, const std::string& name) {
    auto path =
        folder.put(name, "#!/bin/sh\nprintf '%s|' \"$0\" \"$@\" > \"$(dirname \"$0\")/ran\"\nexit 7\n");
    std::filesystem::permissions(path, std::filesystem::perms::owner_all);
    return path;
}

} // namespace

TEST(Process, ExecHandsTheArgumentsOverUnchanged) {
    CTempFolder folder("exec");
    script(folder, "copy");
    int code = inChild([&] {
        if (chdir(folder.str().c_str()) != 0) return 90;
        CPlatformFiles::clearIndex();
        // The Windows name finds the program without its extension.
        CPlatformProcess::exec("COPY.EXE", {"-path", "two words", "\xC5\x82"});
        return 91;
    });
    EXPECT_EQ(code, 7);
    std::string ran = readNative(folder.path() / "ran");
    EXPECT_NE(ran.find("copy|-path|two words|\xC5\x82|"), std::string::npos) << ran;
}

TEST(Process, ExecFallsBackToTheNameAsGivenAndFailsForWhatIsNotAProgram) {
    CTempFolder folder("exec2");
    script(folder, "copy.exe");
    folder.put("plain.exe", "not a program");
    folder.put("dir.exe/x");
    int code = inChild([&] {
        if (chdir(folder.str().c_str()) != 0) return 90;
        CPlatformFiles::clearIndex();
        if (CPlatformProcess::exec("missing.exe", {}) != EPlatformError::notFound) return 92;
        if (CPlatformProcess::exec("dir.exe", {}) != EPlatformError::isFolder) return 93;
        if (CPlatformProcess::exec("plain.exe", {}) == EPlatformError::none) return 94;
        if (CPlatformProcess::exec("", {}) != EPlatformError::invalidName) return 95;
        CPlatformProcess::exec("copy.exe", {"a"});
        return 96;
    });
    EXPECT_EQ(code, 7);
    EXPECT_NE(readNative(folder.path() / "ran").find("copy.exe|a|"), std::string::npos);
}

TEST(Process, TerminationSignalsBecomeARequest) {
    int code = inChild([] {
        CPlatformProcess::catchTerminationSignals();
        if (CPlatformProcess::takeTerminationRequest()) return 1;
        if (CPlatformProcess::terminationRequested()) return 5;
        kill(getpid(), SIGTERM);
        // Looking leaves the request for the main loop to take.
        if (!CPlatformProcess::terminationRequested() || !CPlatformProcess::terminationRequested()) return 6;
        if (!CPlatformProcess::takeTerminationRequest()) return 2;
        if (CPlatformProcess::terminationRequested()) return 7;
        if (CPlatformProcess::takeTerminationRequest()) return 3;
        kill(getpid(), SIGINT);
        kill(getpid(), SIGHUP);
        if (!CPlatformProcess::takeTerminationRequest()) return 4;
        return 0;
    });
    EXPECT_EQ(code, 0);
}

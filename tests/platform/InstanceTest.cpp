#include "platform/Instance.h"

#include "TempFolder.h"
#include "platform/Files.h"

#include <gtest/gtest.h>

#include <cstdlib>

#include <sys/wait.h>
#include <unistd.h>

using namespace KavirelDLL;

TEST(Instance, TheFirstHoldsTheLockAndHearsLaterStarts) {
    CTempFolder folder("instance");
    CPlatformInstance first(folder.str());
    CPlatformInstance second(folder.str());
    ASSERT_TRUE(first.acquire()) << platformErrorText(first.lastError());
    EXPECT_TRUE(first.acquire());
    EXPECT_FALSE(second.acquire());
    EXPECT_EQ(second.lastError(), EPlatformError::exists);
    EXPECT_FALSE(second.isOwner());

    EXPECT_FALSE(first.takeRaiseRequest());
    EXPECT_TRUE(second.requestRaise());
    EXPECT_TRUE(second.requestRaise());
    EXPECT_TRUE(first.takeRaiseRequest());
    EXPECT_FALSE(first.takeRaiseRequest());
    // Nobody but the holder listens.
    EXPECT_FALSE(second.takeRaiseRequest());

    first.release();
    EXPECT_FALSE(second.requestRaise());
    EXPECT_TRUE(second.acquire());
    EXPECT_TRUE(first.requestRaise());
    EXPECT_TRUE(second.takeRaiseRequest());
}

TEST(Instance, ACopyThatDiedLeavesNeitherLockNorSocketInTheWay) {
    CTempFolder folder("instance_dead");
    pid_t pid = fork();
    if (pid == 0) {
        CPlatformInstance dying(folder.str());
        _exit(dying.acquire() ? 0 : 1);
    }
    int status = 0;
    waitpid(pid, &status, 0);
    ASSERT_TRUE(WIFEXITED(status));
    ASSERT_EQ(WEXITSTATUS(status), 0);
    EXPECT_TRUE(std::filesystem::exists(folder.path() / "instance.sock"));

    CPlatformInstance next(folder.str());
    ASSERT_TRUE(next.acquire());
    CPlatformInstance later(folder.str());
    EXPECT_TRUE(later.requestRaise());
    EXPECT_TRUE(next.takeRaiseRequest());
}

TEST(Instance, TheRuntimeFolderIsTheDefaultAndIsPrivate) {
    CTempFolder folder("instance_runtime");
    const char* old = std::getenv("XDG_RUNTIME_DIR");
    std::string saved = old ? old : "";
    setenv("XDG_RUNTIME_DIR", folder.str().c_str(), 1);
    {
        CPlatformInstance instance;
        EXPECT_EQ(instance.folder(), folder.str() + "/kavirel");
        EXPECT_TRUE(instance.acquire());
        auto perms = std::filesystem::status(folder.path() / "kavirel").permissions();
        EXPECT_EQ(perms & std::filesystem::perms::all, std::filesystem::perms::owner_all);
    }
    if (old)
        setenv("XDG_RUNTIME_DIR", saved.c_str(), 1);
    else
        unsetenv("XDG_RUNTIME_DIR");
}

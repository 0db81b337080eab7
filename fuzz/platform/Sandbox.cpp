// Write confinement through the kernel's Landlock rules: unprivileged, inherited by child processes, and
// never lifted.
#include "fuzz/platform/Sandbox.h"

#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <linux/landlock.h>
#include <sys/prctl.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace KavirelFuzz {

namespace {

int landlockAbi() {
#ifdef SYS_landlock_create_ruleset
    return static_cast<int>(
        syscall(SYS_landlock_create_ruleset, nullptr, 0, LANDLOCK_CREATE_RULESET_VERSION));
#else
    return -1;
#endif
}

} // namespace

bool confineWrites(const std::vector<std::string>& folders, std::string& why) {
#ifdef SYS_landlock_create_ruleset
    const int abi = landlockAbi();
    if (abi < 1) {
        why = "the kernel has no Landlock";
        return false;
    }
    uint64_t writes = LANDLOCK_ACCESS_FS_WRITE_FILE | LANDLOCK_ACCESS_FS_REMOVE_DIR |
                      LANDLOCK_ACCESS_FS_REMOVE_FILE | LANDLOCK_ACCESS_FS_MAKE_CHAR |
                      LANDLOCK_ACCESS_FS_MAKE_DIR | LANDLOCK_ACCESS_FS_MAKE_REG |
                      LANDLOCK_ACCESS_FS_MAKE_SOCK | LANDLOCK_ACCESS_FS_MAKE_FIFO |
                      LANDLOCK_ACCESS_FS_MAKE_BLOCK | LANDLOCK_ACCESS_FS_MAKE_SYM;
#ifdef LANDLOCK_ACCESS_FS_REFER
    if (abi >= 2) writes |= LANDLOCK_ACCESS_FS_REFER;
#endif
#ifdef LANDLOCK_ACCESS_FS_TRUNCATE
    if (abi >= 3) writes |= LANDLOCK_ACCESS_FS_TRUNCATE;
#endif
    landlock_ruleset_attr attr{};
    attr.handled_access_fs = writes;
    const int ruleset = static_cast<int>(syscall(SYS_landlock_create_ruleset, &attr, sizeof(attr), 0));
    if (ruleset < 0) {
        why = std::string("no Landlock rule set: ") + std::strerror(errno);
        return false;
    }
    auto allow = [&](const std::string& path, uint64_t access) {
        const int fd = open(path.c_str(), O_PATH | O_CLOEXEC);
        if (fd < 0) return false;
        landlock_path_beneath_attr beneath{};
        beneath.allowed_access = access;
        beneath.parent_fd = fd;
        const bool added =
            syscall(SYS_landlock_add_rule, ruleset, LANDLOCK_RULE_PATH_BENEATH, &beneath, 0) == 0;
        close(fd);
        return added;
    };
    // A folder that is not there cannot be written in anyway.
    bool ok = true;
    for (const std::string& folder : folders)
        if (access(folder.c_str(), F_OK) == 0) ok = allow(folder, writes) && ok;
    // A file takes only file rights.
    uint64_t fileWrites = LANDLOCK_ACCESS_FS_WRITE_FILE;
#ifdef LANDLOCK_ACCESS_FS_TRUNCATE
    if (abi >= 3) fileWrites |= LANDLOCK_ACCESS_FS_TRUNCATE;
#endif
    allow("/dev/null", fileWrites);
    if (!ok) {
        why = "a folder to write in could not be allowed";
        close(ruleset);
        return false;
    }
    if (prctl(PR_SET_NO_NEW_PRIVS, 1, 0, 0, 0) != 0 || syscall(SYS_landlock_restrict_self, ruleset, 0) != 0) {
        why = std::string("Landlock refused: ") + std::strerror(errno);
        close(ruleset);
        return false;
    }
    close(ruleset);
    return true;
#else
    (void)folders;
    why = "built without Landlock";
    return false;
#endif
}

} // namespace KavirelFuzz

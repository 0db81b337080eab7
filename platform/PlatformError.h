#pragma once
#include <cstdint>

namespace KavirelDLL {

// Results of the platform services; none means success.
enum class EPlatformError : int32_t {
    none = 0,
    invalidName, // empty name, a zero byte, or a name the system cannot hold
    noDrive,     // a drive letter that is not configured
    notFound,
    notFolder, // a folder was expected (also a file used as a folder on the way)
    isFolder,  // a file was expected
    exists,
    notEmpty,
    accessDenied,
    escapesRoot, // the name leaves the folder it was confined to
    ioError,
    noSpace,
    tooLarge,
    corrupt,   // stored data is damaged
    wrongType, // a registry value of another type
    unsupported,
    notLoaded, // a module operation without a loaded module
};

// Short English text for logs.
const char* platformErrorText(EPlatformError error);
// The result that stands for a system error number (errno).
EPlatformError platformErrorFromErrno(int errorNumber);

} // namespace KavirelDLL

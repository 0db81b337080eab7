#include "platform/PlatformError.h"

#include <cerrno>

namespace KavirelDLL {

const char* platformErrorText(EPlatformError error) {
    switch (error) {
    case EPlatformError::none:
        return "no error";
    case EPlatformError::invalidName:
        return "invalid name";
    case EPlatformError::noDrive:
        return "drive letter not configured";
    case EPlatformError::notFound:
        return "not found";
    case EPlatformError::notFolder:
        return "not a folder";
    case EPlatformError::isFolder:
        return "is a folder";
    case EPlatformError::exists:
        return "already exists";
    case EPlatformError::notEmpty:
        return "folder not empty";
    case EPlatformError::accessDenied:
        return "access denied";
    case EPlatformError::escapesRoot:
        return "name leaves its root folder";
    case EPlatformError::ioError:
        return "input/output error";
    case EPlatformError::noSpace:
        return "no space left";
    case EPlatformError::tooLarge:
        return "too large";
    case EPlatformError::corrupt:
        return "damaged data";
    case EPlatformError::wrongType:
        return "value of another type";
    case EPlatformError::unsupported:
        return "not supported";
    case EPlatformError::notLoaded:
        return "module not loaded";
    }
    return "unknown error";
}

EPlatformError platformErrorFromErrno(int errorNumber) {
    switch (errorNumber) {
    case 0:
        return EPlatformError::none;
    case ENOENT:
        return EPlatformError::notFound;
    case ENOTDIR:
        return EPlatformError::notFolder;
    case EISDIR:
        return EPlatformError::isFolder;
    case EEXIST:
        return EPlatformError::exists;
    case ENOTEMPTY:
        return EPlatformError::notEmpty;
    case EACCES:
    case EPERM:
    case EROFS:
    case ETXTBSY:
    case EBUSY:
        return EPlatformError::accessDenied;
    case ENOSPC:
    case EDQUOT:
        return EPlatformError::noSpace;
    case ENAMETOOLONG:
    case EILSEQ:
        return EPlatformError::invalidName;
    case EFBIG:
    case EOVERFLOW:
        return EPlatformError::tooLarge;
    case EXDEV:
    case ENOSYS:
    case EOPNOTSUPP:
        return EPlatformError::unsupported;
    default:
        return EPlatformError::ioError;
    }
}

} // namespace KavirelDLL

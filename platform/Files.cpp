#include "platform/Files.h"

#include "platform/Codepage.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <unordered_map>
#include <unordered_set>
#include <utility>

#include <dirent.h>
#include <fcntl.h>
#include <pwd.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <time.h>
#include <unistd.h>

namespace KavirelDLL {

namespace {

// A game touches a few hundred folders; past this the cache starts again rather than grow without end.
constexpr size_t kMaxCachedFolders = 4096;

struct SFolderIndex {
    struct timespec mtime {};
    // Built within a second of the folder's last change: a coarse clock could hide a later change.
    bool racy = true;
    std::unordered_set<std::string> byDisk;
    std::unordered_map<std::string, std::string> byFolded; // folded engine text -> smallest disk name
};

struct SDrive {
    std::string root; // absolute engine name
    EDriveType type = EDriveType::none;
};

std::mutex g_mutex; // guards g_index and g_drives
std::unordered_map<std::string, SFolderIndex> g_index;
SDrive g_drives[26];

struct SResolved {
    std::string matched;           // native path of the part that exists
    std::vector<std::string> rest; // missing components, UTF-8
    std::string givenLast;         // the last component as the caller wrote it, UTF-8
    bool exists() const { return rest.empty(); }
    std::string path() const;
};

std::string joinPath(const std::string& folder, const std::string& name) {
    if (folder.empty() || folder.back() == '/') return folder + name;
    return folder + "/" + name;
}

std::string SResolved::path() const {
    std::string out = matched;
    for (const auto& r : rest) out = joinPath(out, r);
    return out;
}

std::string parentPath(const std::string& path) {
    size_t slash = path.rfind('/');
    if (slash == std::string::npos || slash == 0) return "/";
    return path.substr(0, slash);
}

bool isInside(const std::string& path, const std::string& root) {
    if (root == "/") return !path.empty() && path[0] == '/';
    return path == root ||
           (path.size() > root.size() && path.compare(0, root.size(), root) == 0 && path[root.size()] == '/');
}

std::string engineText(const std::string& disk) {
    bool ok = false;
    std::string text = utf8ToCp1250(disk, &ok);
    return ok ? text : disk;
}

bool hasHighBytes(const std::string& s) {
    for (unsigned char c : s)
        if (c >= 0x80) return true;
    return false;
}

bool isDriveName(const std::string& name) {
    if (name.size() < 2 || name[1] != ':') return false;
    char c = name[0];
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

int driveIndex(char letter) {
    if (letter >= 'a' && letter <= 'z') return letter - 'a';
    if (letter >= 'A' && letter <= 'Z') return letter - 'A';
    return -1;
}

std::string currentFolderNative() {
    std::vector<char> buffer(256);
    for (;;) {
        if (getcwd(buffer.data(), buffer.size())) return buffer.data();
        if (errno != ERANGE || buffer.size() > (1u << 20)) return "";
        buffer.resize(buffer.size() * 2);
    }
}

std::string homeNative() {
    const char* home = std::getenv("HOME");
    if (home && home[0] == '/') return home;
    struct passwd pw;
    struct passwd* found = nullptr;
    std::vector<char> buffer(16384);
    if (getpwuid_r(getuid(), &pw, buffer.data(), buffer.size(), &found) == 0 && found && found->pw_dir &&
        found->pw_dir[0] == '/')
        return found->pw_dir;
    return "";
}

std::string trimTrailingSlashes(std::string path) {
    while (path.size() > 1 && path.back() == '/') path.pop_back();
    return path;
}

bool sameTime(const struct timespec& a, const struct timespec& b) {
    return a.tv_sec == b.tv_sec && a.tv_nsec == b.tv_nsec;
}

bool buildIndex(const std::string& folder, SFolderIndex& index) {
    DIR* dir = opendir(folder.c_str());
    if (!dir) return false;
    // The time is taken before listing, so a change made while listing shows as a newer time later.
    struct stat st;
    bool haveTime = fstat(dirfd(dir), &st) == 0;
    std::vector<std::string> names;
    while (struct dirent* entry = readdir(dir)) {
        if (std::strcmp(entry->d_name, ".") == 0 || std::strcmp(entry->d_name, "..") == 0) continue;
        names.emplace_back(entry->d_name);
    }
    closedir(dir);
    std::sort(names.begin(), names.end());
    index = SFolderIndex{};
    struct timespec now;
    clock_gettime(CLOCK_REALTIME, &now);
    if (haveTime) index.mtime = st.st_mtim;
    index.racy = !haveTime || now.tv_sec - st.st_mtim.tv_sec <= 1;
    for (auto& name : names) {
        index.byFolded.emplace(foldCp1250(engineText(name)), name);
        index.byDisk.insert(std::move(name));
    }
    return true;
}

bool matchIn(const SFolderIndex& index, const std::string& component, std::string& disk) {
    if (index.byDisk.count(component)) {
        disk = component;
        return true;
    }
    if (hasHighBytes(component)) {
        std::string utf8 = cp1250ToUtf8(component);
        if (index.byDisk.count(utf8)) {
            disk = utf8;
            return true;
        }
    }
    auto it = index.byFolded.find(foldCp1250(component));
    if (it == index.byFolded.end()) return false;
    disk = it->second;
    return true;
}

// Caller holds g_mutex.
bool lookupLocked(const std::string& folder, const std::string& component, std::string& disk) {
    auto it = g_index.find(folder);
    if (it == g_index.end()) {
        if (g_index.size() >= kMaxCachedFolders) g_index.clear();
        SFolderIndex index;
        if (!buildIndex(folder, index)) return false;
        it = g_index.emplace(folder, std::move(index)).first;
        return matchIn(it->second, component, disk);
    }
    if (matchIn(it->second, component, disk)) return true;
    struct stat st;
    if (stat(folder.c_str(), &st) != 0) {
        g_index.erase(it);
        return false;
    }
    if (!it->second.racy && sameTime(st.st_mtim, it->second.mtime)) {
        // A folder time that was put back can hide a change; a name spelled exactly is asked of the disk.
        struct stat entry;
        bool onDisk = lstat(joinPath(folder, component).c_str(), &entry) == 0 ||
                      (hasHighBytes(component) &&
                       lstat(joinPath(folder, cp1250ToUtf8(component)).c_str(), &entry) == 0);
        if (!onDisk) return false;
    }
    if (!buildIndex(folder, it->second)) {
        g_index.erase(it);
        return false;
    }
    return matchIn(it->second, component, disk);
}

// Caller holds g_mutex.
void dropLocked(const std::string& folder) { g_index.erase(folder); }

// Caller holds g_mutex.
void dropUnderLocked(const std::string& folder) {
    for (auto it = g_index.begin(); it != g_index.end();) {
        if (isInside(it->first, folder))
            it = g_index.erase(it);
        else
            ++it;
    }
}

void dropFolder(const std::string& folder) {
    std::lock_guard<std::mutex> lock(g_mutex);
    dropLocked(folder);
}

struct SParsed {
    std::string anchor; // native folder the components start from
    std::string floor;  // ".." never climbs above it
    std::vector<std::string> comps;
};

EPlatformError resolveCore(const std::string& name, const std::string* confine, bool forWrite,
                           SResolved& out);

EPlatformError parseName(const std::string& name, const std::string* confine, SParsed& parsed) {
    if (name.empty() || name.find('\0') != std::string::npos) return EPlatformError::invalidName;
    size_t pos = 0;
    if (confine) {
        if (isDriveName(name)) return EPlatformError::escapesRoot;
        parsed.anchor = parsed.floor = *confine;
    } else if (isDriveName(name)) {
        std::string root;
        {
            std::lock_guard<std::mutex> lock(g_mutex);
            root = g_drives[driveIndex(name[0])].root;
        }
        if (root.empty()) return EPlatformError::noDrive;
        SResolved drive;
        // Drive folders never hold a drive letter, so this does not recurse further.
        EPlatformError error = resolveCore(root, nullptr, false, drive);
        if (error != EPlatformError::none) return error;
        parsed.anchor = parsed.floor = drive.matched;
        pos = 2;
    } else if (name[0] == '/' || name[0] == '\\') {
        parsed.anchor = parsed.floor = "/";
    } else {
        parsed.anchor = currentFolderNative();
        if (parsed.anchor.empty()) return EPlatformError::ioError;
        parsed.floor = "/";
    }
    while (pos <= name.size()) {
        size_t end = name.find_first_of("/\\", pos);
        if (end == std::string::npos) end = name.size();
        std::string piece = name.substr(pos, end - pos);
        pos = end + 1;
        if (piece.empty() || piece == ".") continue;
        if (piece == "..") {
            if (!parsed.comps.empty())
                parsed.comps.pop_back();
            else if (parsed.anchor != parsed.floor)
                parsed.anchor = parentPath(parsed.anchor);
            else if (confine)
                return EPlatformError::escapesRoot;
            continue;
        }
        parsed.comps.push_back(std::move(piece));
    }
    return EPlatformError::none;
}

EPlatformError resolveCore(const std::string& name, const std::string* confine, bool forWrite,
                           SResolved& out) {
    SParsed parsed;
    EPlatformError error = parseName(name, confine, parsed);
    if (error != EPlatformError::none) return error;
    out = SResolved{};
    if (!parsed.comps.empty()) out.givenLast = cp1250ToUtf8(parsed.comps.back());
    for (int attempt = 0; attempt < 2; ++attempt) {
        std::string current = parsed.anchor;
        std::vector<std::string> visited;
        size_t matched = 0;
        {
            std::lock_guard<std::mutex> lock(g_mutex);
            for (; matched < parsed.comps.size(); ++matched) {
                std::string disk;
                if (!lookupLocked(current, parsed.comps[matched], disk)) break;
                visited.push_back(current);
                current = joinPath(current, disk);
            }
        }
        struct stat st;
        if (lstat(current.c_str(), &st) != 0) {
            // The index knew an entry that has gone since: forget what was used and look again.
            if (attempt == 0 && !visited.empty()) {
                std::lock_guard<std::mutex> lock(g_mutex);
                for (const auto& folder : visited) dropLocked(folder);
                continue;
            }
            return platformErrorFromErrno(errno);
        }
        if (matched < parsed.comps.size()) {
            if (!S_ISDIR(st.st_mode) && stat(current.c_str(), &st) == 0 && !S_ISDIR(st.st_mode))
                return EPlatformError::notFolder;
            if (!forWrite) return EPlatformError::notFound;
        }
        out.matched = current;
        for (size_t i = matched; i < parsed.comps.size(); ++i)
            out.rest.push_back(cp1250ToUtf8(parsed.comps[i]));
        break;
    }
    if (confine) {
        // Symbolic links inside the root may point out of it.
        char* real = realpath(out.matched.c_str(), nullptr);
        if (!real) return platformErrorFromErrno(errno);
        bool inside = isInside(real, *confine);
        std::free(real);
        if (!inside) return EPlatformError::escapesRoot;
    }
    return EPlatformError::none;
}

EPlatformError statEntry(const std::string& name, struct stat& st, std::string* native = nullptr) {
    std::string path;
    EPlatformError error = CPlatformFiles::resolve(name, path);
    if (error != EPlatformError::none) return error;
    if (stat(path.c_str(), &st) != 0 && lstat(path.c_str(), &st) != 0) return platformErrorFromErrno(errno);
    if (native) *native = path;
    return EPlatformError::none;
}

// The entry itself (a link, not what it points to) with its native path.
EPlatformError linkStatEntry(const std::string& name, struct stat& st, std::string& native) {
    EPlatformError error = CPlatformFiles::resolve(name, native);
    if (error != EPlatformError::none) return error;
    if (lstat(native.c_str(), &st) != 0) return platformErrorFromErrno(errno);
    return EPlatformError::none;
}

// A rename's or a copy's source, which must exist, and target, which may not yet.
EPlatformError resolveSourceAndTarget(const std::string& from, const std::string& to, std::string& source,
                                      SResolved& target) {
    EPlatformError error = CPlatformFiles::resolve(from, source);
    if (error != EPlatformError::none) return error;
    return resolveCore(to, nullptr, true, target);
}

// Reads fd to its end, handing each block to take, which answers none or the error that stops reading.
template <typename Take>
EPlatformError readBlocks(int fd, Take take) {
    char buffer[65536];
    for (;;) {
        ssize_t got = ::read(fd, buffer, sizeof buffer);
        if (got < 0) {
            if (errno == EINTR) continue;
            return platformErrorFromErrno(errno);
        }
        if (got == 0) return EPlatformError::none;
        EPlatformError error = take(buffer, static_cast<size_t>(got));
        if (error != EPlatformError::none) return error;
    }
}

bool writeAll(int fd, const char* data, size_t size) {
    while (size > 0) {
        ssize_t done = ::write(fd, data, size);
        if (done < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        data += done;
        size -= static_cast<size_t>(done);
    }
    return true;
}

} // namespace

// ---- names ----

EPlatformError CPlatformFiles::resolve(const std::string& name, std::string& path) {
    SResolved resolved;
    EPlatformError error = resolveCore(name, nullptr, false, resolved);
    if (error == EPlatformError::none) path = resolved.matched;
    return error;
}

EPlatformError CPlatformFiles::resolveForWrite(const std::string& name, std::string& path, bool* exists) {
    SResolved resolved;
    EPlatformError error = resolveCore(name, nullptr, true, resolved);
    if (error != EPlatformError::none) return error;
    path = resolved.path();
    if (exists) *exists = resolved.exists();
    return EPlatformError::none;
}

EPlatformError CPlatformFiles::resolveInside(const std::string& root, const std::string& name,
                                             std::string& path, bool mustExist) {
    std::string rootNative;
    EPlatformError error = resolve(root, rootNative);
    if (error != EPlatformError::none) return error;
    char* real = realpath(rootNative.c_str(), nullptr);
    if (!real) return platformErrorFromErrno(errno);
    std::string realRoot = real;
    std::free(real);
    struct stat st;
    if (stat(realRoot.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) return EPlatformError::notFolder;
    SResolved resolved;
    error = resolveCore(name, &realRoot, !mustExist, resolved);
    if (error != EPlatformError::none) return error;
    path = resolved.path();
    return EPlatformError::none;
}

std::string CPlatformFiles::toEngineName(const std::string& nativePath) {
    std::string out;
    size_t pos = 0;
    while (pos < nativePath.size()) {
        size_t end = nativePath.find('/', pos);
        if (end == std::string::npos) end = nativePath.size();
        if (end > pos) {
            if (!out.empty() || nativePath[0] == '/') out += '\\';
            out += engineText(nativePath.substr(pos, end - pos));
        }
        pos = end + 1;
    }
    if (out.empty() && !nativePath.empty() && nativePath[0] == '/') out = "\\";
    return out;
}

// ---- drives ----

EPlatformError CPlatformFiles::setDrive(char letter, const std::string& folder, EDriveType type) {
    int index = driveIndex(letter);
    if (index < 0) return EPlatformError::invalidName;
    std::string root;
    if (!folder.empty() && type != EDriveType::none) {
        if (isDriveName(folder) || folder.find('\0') != std::string::npos) return EPlatformError::invalidName;
        if (folder[0] == '/' || folder[0] == '\\') {
            root = folder;
        } else {
            std::string cwd = currentFolderNative();
            if (cwd.empty()) return EPlatformError::ioError;
            root = joinPath(cwd, folder);
        }
    }
    std::lock_guard<std::mutex> lock(g_mutex);
    g_drives[index].root = root;
    g_drives[index].type = root.empty() ? EDriveType::none : type;
    return EPlatformError::none;
}

void CPlatformFiles::clearDrives() {
    std::lock_guard<std::mutex> lock(g_mutex);
    for (auto& drive : g_drives) drive = SDrive{};
}

EDriveType CPlatformFiles::driveType(char letter) {
    int index = driveIndex(letter);
    if (index < 0) return EDriveType::none;
    std::lock_guard<std::mutex> lock(g_mutex);
    return g_drives[index].type;
}

EDriveType CPlatformFiles::driveTypeOf(const std::string& name) {
    if (name.empty()) return EDriveType::none;
    if (isDriveName(name)) return driveType(name[0]);
    std::string native;
    if (resolveForWrite(name, native) != EPlatformError::none) return EDriveType::none;
    std::vector<SDrive> drives;
    {
        std::lock_guard<std::mutex> lock(g_mutex);
        drives.assign(std::begin(g_drives), std::end(g_drives));
    }
    EDriveType type = EDriveType::fixed;
    size_t longest = 0;
    for (const auto& drive : drives) {
        if (drive.type == EDriveType::none) continue;
        std::string root;
        if (resolveForWrite(drive.root, root) != EPlatformError::none) continue;
        if (isInside(native, root) && root.size() >= longest) {
            longest = root.size();
            type = drive.type;
        }
    }
    return type;
}

std::string CPlatformFiles::driveFolder(char letter) {
    int index = driveIndex(letter);
    if (index < 0) return "";
    std::lock_guard<std::mutex> lock(g_mutex);
    return g_drives[index].root;
}

char CPlatformFiles::cdromDrive() {
    std::lock_guard<std::mutex> lock(g_mutex);
    for (int i = 0; i < 26; ++i)
        if (g_drives[i].type == EDriveType::cdrom) return static_cast<char>('A' + i);
    return 0;
}

// ---- entries ----

bool CPlatformFiles::exists(const std::string& name) {
    std::string path;
    return resolve(name, path) == EPlatformError::none;
}

bool CPlatformFiles::isFolder(const std::string& name) {
    struct stat st;
    return statEntry(name, st) == EPlatformError::none && S_ISDIR(st.st_mode);
}

EPlatformError CPlatformFiles::fileSize(const std::string& name, int64_t& size) {
    struct stat st;
    EPlatformError error = statEntry(name, st);
    if (error != EPlatformError::none) return error;
    if (S_ISDIR(st.st_mode)) return EPlatformError::isFolder;
    size = static_cast<int64_t>(st.st_size);
    return EPlatformError::none;
}

EPlatformError CPlatformFiles::modificationTime(const std::string& name, int64_t& seconds) {
    struct stat st;
    EPlatformError error = statEntry(name, st);
    if (error != EPlatformError::none) return error;
    seconds = static_cast<int64_t>(st.st_mtim.tv_sec);
    return EPlatformError::none;
}

EPlatformError CPlatformFiles::readWholeFile(const std::string& name, std::vector<uint8_t>& data,
                                             uint64_t maxBytes) {
    data.clear();
    std::string path;
    EPlatformError error = resolve(name, path);
    if (error != EPlatformError::none) return error;
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return platformErrorFromErrno(errno);
    struct stat st;
    if (fstat(fd, &st) != 0) {
        error = platformErrorFromErrno(errno);
        ::close(fd);
        return error;
    }
    if (S_ISDIR(st.st_mode)) {
        ::close(fd);
        return EPlatformError::isFolder;
    }
    if (static_cast<uint64_t>(st.st_size) > maxBytes) {
        ::close(fd);
        return EPlatformError::tooLarge;
    }
    data.reserve(static_cast<size_t>(st.st_size));
    error = readBlocks(fd, [&data, maxBytes](const char* block, size_t got) {
        if (data.size() + got > maxBytes) return EPlatformError::tooLarge; // it grew while being read
        data.insert(data.end(), block, block + got);
        return EPlatformError::none;
    });
    ::close(fd);
    if (error != EPlatformError::none) data.clear();
    return error;
}

EPlatformError CPlatformFiles::createFolder(const std::string& name) {
    SResolved resolved;
    EPlatformError error = resolveCore(name, nullptr, true, resolved);
    if (error != EPlatformError::none) return error;
    struct stat st;
    if (stat(resolved.matched.c_str(), &st) != 0) return platformErrorFromErrno(errno);
    if (!S_ISDIR(st.st_mode)) return resolved.exists() ? EPlatformError::exists : EPlatformError::notFolder;
    std::string current = resolved.matched;
    for (const auto& component : resolved.rest) {
        std::string next = joinPath(current, component);
        if (mkdir(next.c_str(), 0777) != 0) {
            int saved = errno;
            if (!(saved == EEXIST && stat(next.c_str(), &st) == 0 && S_ISDIR(st.st_mode))) {
                dropFolder(current);
                return platformErrorFromErrno(saved);
            }
        }
        dropFolder(current);
        current = next;
    }
    return EPlatformError::none;
}

EPlatformError CPlatformFiles::removeFile(const std::string& name) {
    std::string path;
    struct stat st;
    EPlatformError error = linkStatEntry(name, st, path);
    if (error != EPlatformError::none) return error;
    if (S_ISDIR(st.st_mode)) return EPlatformError::isFolder;
    if (unlink(path.c_str()) != 0) return platformErrorFromErrno(errno);
    dropFolder(parentPath(path));
    return EPlatformError::none;
}

EPlatformError CPlatformFiles::removeFolderTree(const std::string& name) {
    std::string path;
    struct stat st;
    EPlatformError error = linkStatEntry(name, st, path);
    if (error != EPlatformError::none) return error;
    if (!S_ISDIR(st.st_mode) && !S_ISLNK(st.st_mode)) return EPlatformError::notFolder;
    // A name that went wrong (an empty game name, say) must not take the whole disk or home with it.
    std::string home = homeNative();
    if (path == "/" || (!home.empty() && trimTrailingSlashes(home) == path))
        return EPlatformError::accessDenied;
    std::error_code ec;
    std::filesystem::remove_all(path, ec);
    {
        std::lock_guard<std::mutex> lock(g_mutex);
        dropUnderLocked(path);
        dropLocked(parentPath(path));
    }
    if (ec) return platformErrorFromErrno(ec.value());
    return EPlatformError::none;
}

EPlatformError CPlatformFiles::renameEntry(const std::string& from, const std::string& to, bool replace) {
    std::string source;
    SResolved target;
    EPlatformError error = resolveSourceAndTarget(from, to, source, target);
    if (error != EPlatformError::none) return error;
    std::string destination = target.path();
    if (target.exists()) {
        struct stat a, b;
        if (lstat(source.c_str(), &a) == 0 && lstat(destination.c_str(), &b) == 0 && a.st_dev == b.st_dev &&
            a.st_ino == b.st_ino) {
            // The same entry found without regard to case: the caller wants the new spelling.
            destination = joinPath(parentPath(destination), target.givenLast);
            if (destination == source) return EPlatformError::none;
        } else if (!replace) {
            return EPlatformError::exists;
        }
    }
    if (rename(source.c_str(), destination.c_str()) != 0) return platformErrorFromErrno(errno);
    std::lock_guard<std::mutex> lock(g_mutex);
    dropUnderLocked(source);
    dropLocked(parentPath(source));
    dropLocked(parentPath(destination));
    return EPlatformError::none;
}

EPlatformError CPlatformFiles::copyFile(const std::string& from, const std::string& to, bool failIfExists) {
    std::string source;
    SResolved target;
    EPlatformError error = resolveSourceAndTarget(from, to, source, target);
    if (error != EPlatformError::none) return error;
    std::string destination = target.path();
    int in = ::open(source.c_str(), O_RDONLY | O_CLOEXEC);
    if (in < 0) return platformErrorFromErrno(errno);
    struct stat sourceStat;
    if (fstat(in, &sourceStat) != 0 || S_ISDIR(sourceStat.st_mode)) {
        ::close(in);
        return EPlatformError::isFolder;
    }
    if (target.exists()) {
        struct stat st;
        if (stat(destination.c_str(), &st) == 0) {
            if (failIfExists)
                error = EPlatformError::exists;
            else if (S_ISDIR(st.st_mode))
                error = EPlatformError::isFolder;
            // Copying a file onto itself would truncate it before reading.
            else if (st.st_dev == sourceStat.st_dev && st.st_ino == sourceStat.st_ino)
                error = EPlatformError::exists;
        }
        if (error != EPlatformError::none) {
            ::close(in);
            return error;
        }
    }
    // Written beside the target and renamed over it, so a failed copy never leaves half a file.
    std::string temporary = destination + temporarySuffix(".kvtmp");
    int out = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (out < 0) {
        error = platformErrorFromErrno(errno);
        ::close(in);
        return error;
    }
    error = readBlocks(in, [out](const char* block, size_t got) {
        return writeAll(out, block, got) ? EPlatformError::none : platformErrorFromErrno(errno);
    });
    ::close(in);
    if (::close(out) != 0 && error == EPlatformError::none) error = platformErrorFromErrno(errno);
    if (error == EPlatformError::none && failIfExists && access(destination.c_str(), F_OK) == 0)
        error = EPlatformError::exists;
    if (error == EPlatformError::none && rename(temporary.c_str(), destination.c_str()) != 0)
        error = platformErrorFromErrno(errno);
    if (error != EPlatformError::none) unlink(temporary.c_str());
    dropFolder(parentPath(destination));
    return error;
}

// ---- listings ----

bool CPlatformFiles::matchesWildcard(const std::string& name, const std::string& pattern) {
    // Greedy star matching with one backtrack point: linear in practice, never exponential.
    auto match = [](const std::string& text, const std::string& pat, size_t patEnd) {
        size_t t = 0, p = 0, starP = std::string::npos, starT = 0;
        while (t < text.size()) {
            if (p < patEnd && pat[p] == '*') {
                starP = p++;
                starT = t;
            } else if (p < patEnd && (pat[p] == '?' || foldCp1250(pat[p]) == foldCp1250(text[t]))) {
                ++p;
                ++t;
            } else if (starP != std::string::npos) {
                p = starP + 1;
                t = ++starT;
            } else {
                return false;
            }
        }
        while (p < patEnd && pat[p] == '*') ++p;
        return p == patEnd;
    };
    if (match(name, pattern, pattern.size())) return true;
    size_t n = pattern.size();
    return n >= 2 && pattern[n - 2] == '.' && pattern[n - 1] == '*' && match(name, pattern, n - 2);
}

EPlatformError CPlatformFiles::listFolder(const std::string& name, const std::string& pattern,
                                          std::vector<SFolderEntry>& entries, bool withDots) {
    entries.clear();
    std::string path;
    EPlatformError error = resolve(name, path);
    if (error != EPlatformError::none) return error;
    DIR* dir = opendir(path.c_str());
    if (!dir) return platformErrorFromErrno(errno);
    int fd = dirfd(dir);
    auto describe = [fd](const char* disk, SFolderEntry& entry) {
        struct stat st;
        if (fstatat(fd, disk, &st, 0) != 0 && fstatat(fd, disk, &st, AT_SYMLINK_NOFOLLOW) != 0) return false;
        entry.isFolder = S_ISDIR(st.st_mode);
        entry.size = entry.isFolder ? 0 : static_cast<int64_t>(st.st_size);
        entry.modified = static_cast<int64_t>(st.st_mtim.tv_sec);
        return true;
    };
    std::vector<std::pair<SFolderEntry, std::string>> found;
    while (struct dirent* dirEntry = readdir(dir)) {
        if (std::strcmp(dirEntry->d_name, ".") == 0 || std::strcmp(dirEntry->d_name, "..") == 0) continue;
        SFolderEntry entry;
        entry.name = engineText(dirEntry->d_name);
        if (!pattern.empty() && !matchesWildcard(entry.name, pattern)) continue;
        if (!describe(dirEntry->d_name, entry)) continue; // gone while listing
        found.emplace_back(std::move(entry), dirEntry->d_name);
    }
    std::sort(found.begin(), found.end(), [](const auto& a, const auto& b) {
        return a.first.name != b.first.name ? a.first.name < b.first.name : a.second < b.second;
    });
    if (withDots) {
        for (const char* dot : {".", ".."}) {
            SFolderEntry entry;
            entry.name = dot;
            if ((pattern.empty() || matchesWildcard(dot, pattern)) && describe(dot, entry))
                entries.push_back(entry);
        }
    }
    closedir(dir);
    for (auto& item : found) entries.push_back(std::move(item.first));
    return EPlatformError::none;
}

// ---- special folders ----

std::string CPlatformFiles::userDataFolder() {
    const char* xdg = std::getenv("XDG_DATA_HOME");
    std::string base = xdg && xdg[0] == '/' ? std::string(xdg) : homeNative();
    if (base.empty()) return "";
    if (!(xdg && xdg[0] == '/')) base = joinPath(base, ".local/share");
    return toEngineName(joinPath(trimTrailingSlashes(base), "kavirel"));
}

std::string CPlatformFiles::userConfigFolder() {
    const char* xdg = std::getenv("XDG_CONFIG_HOME");
    std::string base = xdg && xdg[0] == '/' ? std::string(xdg) : homeNative();
    if (base.empty()) return "";
    if (!(xdg && xdg[0] == '/')) base = joinPath(base, ".config");
    return toEngineName(joinPath(trimTrailingSlashes(base), "kavirel"));
}

namespace {
std::string programPath() {
    std::vector<char> buffer(PATH_MAX + 1);
    ssize_t size = readlink("/proc/self/exe", buffer.data(), buffer.size());
    if (size <= 0 || static_cast<size_t>(size) >= buffer.size()) return "";
    return std::string(buffer.data(), static_cast<size_t>(size));
}
} // namespace

std::string CPlatformFiles::programFolder() {
    const std::string path = programPath();
    return path.empty() ? "" : toEngineName(parentPath(path));
}

std::string CPlatformFiles::programName() {
    const std::string path = programPath();
    const size_t slash = path.rfind('/');
    return path.empty() ? "" : engineText(path.substr(slash == std::string::npos ? 0 : slash + 1));
}

namespace {
// A folder of "user-dirs.dirs" ("XDG_DOCUMENTS_DIR=\"$HOME/Documents\""), else fallback below home.
std::string xdgUserFolder(const char* variable, const char* fallback) {
    const std::string home = homeNative();
    if (home.empty()) return "";
    const char* xdg = std::getenv("XDG_CONFIG_HOME");
    std::string config = xdg && xdg[0] == '/' ? std::string(xdg) : joinPath(home, ".config");
    std::ifstream in(joinPath(config, "user-dirs.dirs"));
    std::string line;
    const std::string key = std::string(variable) + "=";
    while (std::getline(in, line)) {
        if (line.compare(0, key.size(), key) != 0) continue;
        std::string value = line.substr(key.size());
        if (value.size() >= 2 && value.front() == '"' && value.back() == '"')
            value = value.substr(1, value.size() - 2);
        if (value.compare(0, 5, "$HOME") == 0)
            value = home + value.substr(5);
        else if (value.empty() || value[0] != '/')
            continue;
        return CPlatformFiles::toEngineName(trimTrailingSlashes(value));
    }
    return CPlatformFiles::toEngineName(joinPath(home, fallback));
}
} // namespace

std::string CPlatformFiles::homeFolder() {
    const std::string home = homeNative();
    return home.empty() ? "" : toEngineName(trimTrailingSlashes(home));
}

std::string CPlatformFiles::documentsFolder() { return xdgUserFolder("XDG_DOCUMENTS_DIR", "Documents"); }

std::string CPlatformFiles::desktopFolder() { return xdgUserFolder("XDG_DESKTOP_DIR", "Desktop"); }

std::string CPlatformFiles::workingFolder() { return toEngineName(currentFolderNative()); }

std::string CPlatformFiles::tempFolder() {
    const char* tmp = std::getenv("TMPDIR");
    return toEngineName(tmp && tmp[0] == '/' ? trimTrailingSlashes(tmp) : std::string("/tmp"));
}

EPlatformError CPlatformFiles::changeWorkingFolder(const std::string& name) {
    std::string path;
    EPlatformError error = resolve(name, path);
    if (error != EPlatformError::none) return error;
    if (chdir(path.c_str()) != 0) return platformErrorFromErrno(errno);
    return EPlatformError::none;
}

void CPlatformFiles::invalidateIndex(const std::string& folder) {
    std::string path;
    if (resolveForWrite(folder, path) != EPlatformError::none) return;
    std::lock_guard<std::mutex> lock(g_mutex);
    dropUnderLocked(path);
}

void CPlatformFiles::clearIndex() {
    std::lock_guard<std::mutex> lock(g_mutex);
    g_index.clear();
}

std::string CPlatformFiles::temporarySuffix(const char* stem) {
    static std::atomic<uint32_t> counter{0};
    return stem + std::to_string(getpid()) + "_" + std::to_string(counter++);
}

// ---- kept files and locks ----

namespace {

int64_t nanoseconds(const struct timespec& t) { return int64_t(t.tv_sec) * 1000000000 + t.tv_nsec; }

bool sameFile(const struct stat& a, const struct stat& b) { return a.st_dev == b.st_dev && a.st_ino == b.st_ino; }

void closeKeepingErrno(int fd) {
    int saved = errno;
    ::close(fd);
    errno = saved;
}

} // namespace

CPlatformKeptFile::~CPlatformKeptFile() { forget(); }

void CPlatformKeptFile::forget() {
    if (m_fd >= 0) ::close(m_fd);
    m_fd = -1;
    m_kept = false;
    m_missing = false;
}

bool CPlatformKeptFile::keep(int fd) {
    struct stat st;
    if (fstat(fd, &st) != 0) {
        ::close(fd);
        forget();
        return false;
    }
    forget();
    m_fd = fd;
    m_kept = true;
    m_device = static_cast<uint64_t>(st.st_dev);
    m_inode = static_cast<uint64_t>(st.st_ino);
    m_size = static_cast<int64_t>(st.st_size);
    m_modified = nanoseconds(st.st_mtim);
    m_changed = nanoseconds(st.st_ctim);
    return true;
}

EPlatformError CPlatformKeptFile::read(const std::string& name, std::vector<uint8_t>& data, uint64_t maxBytes) {
    data.clear();
    forget();
    std::string path;
    EPlatformError error = CPlatformFiles::resolve(name, path);
    if (error == EPlatformError::notFound) {
        m_kept = m_missing = true;
        return error;
    }
    if (error != EPlatformError::none) return error;
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) {
        if (errno == ENOENT) {
            m_kept = m_missing = true;
            return EPlatformError::notFound;
        }
        return platformErrorFromErrno(errno);
    }
    struct stat st;
    if (fstat(fd, &st) != 0) {
        closeKeepingErrno(fd);
        return platformErrorFromErrno(errno);
    }
    if (S_ISDIR(st.st_mode)) {
        ::close(fd);
        return EPlatformError::isFolder;
    }
    if (static_cast<uint64_t>(st.st_size) > maxBytes) {
        ::close(fd);
        return EPlatformError::tooLarge;
    }
    data.reserve(static_cast<size_t>(st.st_size));
    error = readBlocks(fd, [&data, maxBytes](const char* block, size_t got) {
        if (data.size() + got > maxBytes) return EPlatformError::tooLarge;
        data.insert(data.end(), block, block + got);
        return EPlatformError::none;
    });
    if (error != EPlatformError::none) {
        ::close(fd);
        data.clear();
        return error;
    }
    // The times and size from before the read: a change made while reading shows as a change later.
    keep(fd);
    m_size = static_cast<int64_t>(st.st_size);
    m_modified = nanoseconds(st.st_mtim);
    m_changed = nanoseconds(st.st_ctim);
    return EPlatformError::none;
}

bool CPlatformKeptFile::unchanged(const std::string& name) const {
    if (!m_kept) return false;
    std::string path;
    EPlatformError error = CPlatformFiles::resolve(name, path);
    if (error == EPlatformError::notFound) return m_missing;
    struct stat st;
    if (error != EPlatformError::none || m_missing || stat(path.c_str(), &st) != 0) return false;
    return static_cast<uint64_t>(st.st_dev) == m_device && static_cast<uint64_t>(st.st_ino) == m_inode &&
           static_cast<int64_t>(st.st_size) == m_size && nanoseconds(st.st_mtim) == m_modified &&
           nanoseconds(st.st_ctim) == m_changed;
}

EPlatformError CPlatformKeptFile::replace(const std::string& name, const void* data, size_t size) {
    std::string path;
    bool existed = false;
    EPlatformError error = CPlatformFiles::resolveForWrite(name, path, &existed);
    if (error != EPlatformError::none) return error;
    std::string temporary = path + CPlatformFiles::temporarySuffix();
    int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOCTTY, 0666);
    if (fd < 0) return platformErrorFromErrno(errno);
    // Closing a copy of the descriptor reports what a network file system defers to a close.
    int copy = -1;
    if (!writeAll(fd, static_cast<const char*>(data), size) || (copy = dup(fd)) < 0 || ::close(copy) != 0 ||
        rename(temporary.c_str(), path.c_str()) != 0) {
        error = platformErrorFromErrno(errno);
        ::close(fd);
        unlink(temporary.c_str());
        return error;
    }
    // The folder's index lacks only a name that is new; the temporary was never in it.
    if (!existed) dropFolder(parentPath(path));
    if (!keep(fd)) return EPlatformError::ioError;
    return EPlatformError::none;
}

EPlatformError CPlatformFileLock::lock(const std::string& name) {
    unlock();
    // Each pass waits for a writer who replaced the file meanwhile; so many passes mean something is wrong.
    for (int pass = 0; pass < 10000; ++pass) {
        std::string path;
        bool exists = false;
        EPlatformError error = CPlatformFiles::resolveForWrite(name, path, &exists);
        if (error != EPlatformError::none) return error;
        bool folder = false;
        int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
        if (fd < 0) {
            if (errno != ENOENT) return platformErrorFromErrno(errno);
            fd = ::open(parentPath(path).c_str(), O_RDONLY | O_CLOEXEC | O_DIRECTORY);
            if (fd < 0) return platformErrorFromErrno(errno);
            folder = true;
        }
        int locked;
        while ((locked = flock(fd, LOCK_EX)) != 0 && errno == EINTR) {
        }
        if (locked != 0 && errno == EBADF && !folder) {
            // NFS takes flock as a lock on the whole file, which it grants only to a file open for writing.
            int writable = ::open(path.c_str(), O_RDWR | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
            if (writable >= 0) {
                ::close(fd);
                fd = writable;
                while ((locked = flock(fd, LOCK_EX)) != 0 && errno == EINTR) {
                }
            } else {
                errno = EBADF;
            }
        }
        if (locked != 0) {
            int saved = errno;
            ::close(fd);
            // No locks here (EBADF: none for a folder or a file this process cannot write, on NFS).
            if (saved == ENOLCK || saved == EOPNOTSUPP || saved == ENOSYS || saved == EBADF)
                return EPlatformError::none;
            return platformErrorFromErrno(saved);
        }
        if (folder) {
            // Still missing, also under another letter case, now that no other writer can make it.
            std::string again;
            bool made = false;
            if (CPlatformFiles::resolveForWrite(name, again, &made) == EPlatformError::none && !made) {
                m_fd = fd;
                return EPlatformError::none;
            }
        } else {
            struct stat held, now;
            if (fstat(fd, &held) == 0 && stat(path.c_str(), &now) == 0 && sameFile(held, now)) {
                m_fd = fd;
                return EPlatformError::none;
            }
        }
        ::close(fd);
    }
    return EPlatformError::ioError;
}

void CPlatformFileLock::unlock() {
    if (m_fd >= 0) ::close(m_fd); // closing the last descriptor of the open file ends its lock
    m_fd = -1;
}

// ---- open files ----

CPlatformFile::~CPlatformFile() { close(); }

CPlatformFile::CPlatformFile(CPlatformFile&& other) noexcept { *this = std::move(other); }

CPlatformFile& CPlatformFile::operator=(CPlatformFile&& other) noexcept {
    if (this != &other) {
        close();
        m_stream = std::exchange(other.m_stream, nullptr);
        m_path = std::move(other.m_path);
        m_text = other.m_text;
        m_ctrlZ = other.m_ctrlZ;
        m_lastOp = other.m_lastOp;
        m_rangeStart = other.m_rangeStart;
        m_rangeLength = other.m_rangeLength;
        m_rangeLeft = other.m_rangeLeft;
        m_rangeEnd = other.m_rangeEnd;
    }
    return *this;
}

EPlatformError CPlatformFile::open(const std::string& name, EOpenMode mode, bool text) {
    close();
    std::string native;
    bool existed = true;
    EPlatformError error = mode == EOpenMode::read || mode == EOpenMode::update
                               ? CPlatformFiles::resolve(name, native)
                               : CPlatformFiles::resolveForWrite(name, native, &existed);
    if (error != EPlatformError::none) return error;
    const char* modeText = "rbe";
    switch (mode) {
    case EOpenMode::read:
        modeText = "rbe";
        break;
    case EOpenMode::write:
        modeText = "w+be";
        break;
    case EOpenMode::update:
        modeText = "r+be";
        break;
    case EOpenMode::append:
        modeText = "a+be";
        break;
    }
    std::FILE* stream = std::fopen(native.c_str(), modeText);
    if (!stream) return platformErrorFromErrno(errno);
    struct stat st;
    if (fstat(fileno(stream), &st) != 0 || S_ISDIR(st.st_mode)) {
        std::fclose(stream);
        return EPlatformError::isFolder;
    }
    if (!existed) dropFolder(parentPath(native));
    m_stream = stream;
    m_path = native;
    m_text = text;
    m_ctrlZ = false;
    m_lastOp = ELastOp::none;
    m_rangeLength = -1;
    return EPlatformError::none;
}

EPlatformError CPlatformFile::openRange(const std::string& name, int64_t offset, int64_t length, bool text) {
    close();
    if (offset < 0 || length < 0) return EPlatformError::corrupt;
    EPlatformError error = open(name, EOpenMode::read, text);
    if (error != EPlatformError::none) return error;
    struct stat st;
    if (fstat(fileno(m_stream), &st) != 0) {
        error = platformErrorFromErrno(errno);
        close();
        return error;
    }
    if (offset > st.st_size || length > st.st_size - offset) {
        close();
        return EPlatformError::corrupt;
    }
    if (fseeko(m_stream, static_cast<off_t>(offset), SEEK_SET) != 0) {
        error = platformErrorFromErrno(errno);
        close();
        return error;
    }
    m_rangeStart = offset;
    m_rangeLength = length;
    m_rangeLeft = length;
    m_rangeEnd = false;
    return EPlatformError::none;
}

void CPlatformFile::switchTo(ELastOp op) {
    // C streams need a positioning call between reading and writing.
    if (m_lastOp != ELastOp::none && m_lastOp != op) fseeko(m_stream, 0, SEEK_CUR);
    m_lastOp = op;
}

int CPlatformFile::getRaw() {
    if (isRange()) {
        if (m_rangeLeft <= 0) {
            m_rangeEnd = true;
            return EOF;
        }
        int c = getc_unlocked(m_stream);
        if (c != EOF) --m_rangeLeft;
        return c;
    }
    return getc_unlocked(m_stream);
}

int CPlatformFile::getFolded() {
    if (m_ctrlZ) return EOF;
    int c = getRaw();
    if (c == 0x1A) {
        m_ctrlZ = true;
        return EOF;
    }
    if (c != '\r') return c;
    int next = getRaw();
    if (next == '\n') return '\n';
    if (next != EOF) {
        ungetc(next, m_stream);
        if (isRange()) ++m_rangeLeft;
    }
    return '\r';
}

size_t CPlatformFile::read(void* buffer, size_t count) {
    if (!m_stream || count == 0) return 0;
    switchTo(ELastOp::read);
    if (!m_text) {
        if (isRange()) {
            size_t allowed = m_rangeLeft > 0 ? static_cast<size_t>(m_rangeLeft) : 0;
            if (count > allowed) {
                count = allowed;
                m_rangeEnd = true;
            }
            size_t got = count ? std::fread(buffer, 1, count, m_stream) : 0;
            m_rangeLeft -= static_cast<int64_t>(got);
            return got;
        }
        return std::fread(buffer, 1, count, m_stream);
    }
    auto* out = static_cast<unsigned char*>(buffer);
    size_t done = 0;
    while (done < count) {
        int c = getFolded();
        if (c == EOF) break;
        out[done++] = static_cast<unsigned char>(c);
    }
    return done;
}

size_t CPlatformFile::write(const void* buffer, size_t count) {
    if (!m_stream || count == 0 || isRange()) return 0;
    switchTo(ELastOp::write);
    return std::fwrite(buffer, 1, count, m_stream);
}

bool CPlatformFile::readLine(std::string& line, size_t maxChars) {
    line.clear();
    if (!m_stream) return false;
    switchTo(ELastOp::read);
    while (line.size() < maxChars) {
        int c = m_text ? getFolded() : getRaw();
        if (c == EOF) break;
        line += static_cast<char>(c);
        if (c == '\n') break;
    }
    return !line.empty();
}

bool CPlatformFile::seek(int64_t offset, int origin) {
    if (!m_stream) return false;
    int whence = origin == 0 ? SEEK_SET : origin == 1 ? SEEK_CUR : origin == 2 ? SEEK_END : -1;
    if (whence < 0) return false;
    if (isRange()) {
        int64_t base = whence == SEEK_SET   ? m_rangeStart
                       : whence == SEEK_END ? m_rangeStart + m_rangeLength
                                            : static_cast<int64_t>(ftello(m_stream));
        if (base < 0 || (offset < 0 && base + offset < m_rangeStart) ||
            (offset > 0 && offset > INT64_MAX - base))
            return false;
        int64_t target = base + offset;
        if (fseeko(m_stream, static_cast<off_t>(target), SEEK_SET) != 0) return false;
        m_rangeLeft = m_rangeStart + m_rangeLength - target;
        m_rangeEnd = false;
    } else if (fseeko(m_stream, static_cast<off_t>(offset), whence) != 0) {
        return false;
    }
    m_ctrlZ = false;
    m_lastOp = ELastOp::none;
    return true;
}

int64_t CPlatformFile::tell() const {
    if (!m_stream) return -1;
    return static_cast<int64_t>(ftello(m_stream)) - (isRange() ? m_rangeStart : 0);
}

int64_t CPlatformFile::size() {
    if (!m_stream) return -1;
    if (isRange()) return m_rangeLength;
    if (m_lastOp == ELastOp::write) std::fflush(m_stream);
    struct stat st;
    if (fstat(fileno(m_stream), &st) != 0) return -1;
    return static_cast<int64_t>(st.st_size);
}

bool CPlatformFile::flush() { return m_stream && std::fflush(m_stream) == 0; }

bool CPlatformFile::eof() const { return m_stream && (m_ctrlZ || m_rangeEnd || std::feof(m_stream)); }

bool CPlatformFile::failed() const { return m_stream && std::ferror(m_stream); }

EPlatformError CPlatformFile::close() {
    if (!m_stream) return EPlatformError::none;
    bool hadError = std::ferror(m_stream) != 0;
    int result = std::fclose(m_stream);
    int saved = errno;
    m_stream = nullptr;
    m_lastOp = ELastOp::none;
    m_rangeLength = -1;
    m_rangeEnd = false;
    if (result != 0) return platformErrorFromErrno(saved);
    return hadError ? EPlatformError::ioError : EPlatformError::none;
}

} // namespace KavirelDLL

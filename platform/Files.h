#pragma once
#include "platform/PlatformError.h"

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace KavirelDLL {

// Names given to these calls are engine names: code page 1250 text, '\' or '/' separators, any letter case,
// an optional drive letter. Every component is matched without regard to case against what is on disk;
// a code page 1250 name also finds the same text stored in UTF-8. Native paths (UTF-8, '/') are what
// the resolve calls return; handing one back in finds the same entry.

enum class EDriveType { none, fixed, cdrom };

enum class EOpenMode {
    read,   // existing file, reading
    write,  // created or truncated, reading and writing
    update, // existing file, reading and writing from the start
    append, // created when missing, writes go to the end
};

struct SFolderEntry {
    std::string name; // engine text of the entry's name
    bool isFolder = false;
    int64_t size = 0;     // bytes; 0 for folders
    int64_t modified = 0; // seconds since 1970
};

// An open file. Text mode folds CRLF to LF and stops at a Ctrl-Z byte when reading, as the Windows C
// runtime does; writes are never translated.
class CPlatformFile {
public:
    CPlatformFile() = default;
    ~CPlatformFile();
    CPlatformFile(const CPlatformFile&) = delete;
    CPlatformFile& operator=(const CPlatformFile&) = delete;
    CPlatformFile(CPlatformFile&& other) noexcept;
    CPlatformFile& operator=(CPlatformFile&& other) noexcept;

    // Opens an engine name; a file already open is closed first.
    EPlatformError open(const std::string& name, EOpenMode mode, bool text = false);
    // Opens length bytes from offset of an existing file for reading, as if they were the whole file:
    // positions, sizes and the end are those of the range. Fails with corrupt when the range does not lie
    // inside the file.
    EPlatformError openRange(const std::string& name, int64_t offset, int64_t length, bool text = false);
    bool isOpen() const { return m_stream != nullptr; }
    // Bytes read (after folding in text mode); fewer than asked at the end or on an error.
    // A range is read only; writes to it do nothing.
    size_t read(void* buffer, size_t count);
    size_t write(const void* buffer, size_t count);
    // One line with its '\n' when it had one, at most maxChars characters; false at the end of the file.
    bool readLine(std::string& line, size_t maxChars);
    // origin 0 start, 1 current, 2 end; false when the position would be invalid or there is no file.
    bool seek(int64_t offset, int origin);
    // Position in bytes of the file (not of folded text); -1 without a file.
    int64_t tell() const;
    // -1 without a file; counts what was written but not yet flushed.
    int64_t size();
    bool flush();
    // True once a read has reached the end (or a Ctrl-Z in text mode).
    bool eof() const;
    // True when a read or write failed for a reason other than the end of the file.
    bool failed() const;
    EPlatformError close();
    // The native path the file was opened at.
    const std::string& path() const { return m_path; }

private:
    enum class ELastOp { none, read, write };
    void switchTo(ELastOp op);
    int getRaw();
    int getFolded();
    bool isRange() const { return m_rangeLength >= 0; }

    std::FILE* m_stream = nullptr;
    std::string m_path;
    bool m_text = false;
    bool m_ctrlZ = false;
    ELastOp m_lastOp = ELastOp::none;
    int64_t m_rangeStart = 0;
    int64_t m_rangeLength = -1; // -1: the whole file
    int64_t m_rangeLeft = 0;    // raw bytes a read may still take from the range
    bool m_rangeEnd = false;    // a read has reached the end of the range
};

class CPlatformFiles {
public:
    // Native path of an existing entry.
    static EPlatformError resolve(const std::string& name, std::string& path);
    // Native path for writing: existing folders (and an existing last entry) matched without regard to case,
    // the rest kept as given and converted to UTF-8. exists (when given) tells whether the entry is there.
    static EPlatformError resolveForWrite(const std::string& name, std::string& path, bool* exists = nullptr);
    // Resolves name below the folder root (an engine name that must exist); fails with escapesRoot rather
    // than leaving it, through "..", a drive letter or a symbolic link. A leading separator means root.
    static EPlatformError resolveInside(const std::string& root, const std::string& name, std::string& path,
                                        bool mustExist);
    // Engine name (code page 1250 where every character converts, '\' separators) of a native path.
    static std::string toEngineName(const std::string& nativePath);

    // Drive letters map to folders only through this configuration; none is set at start.
    // A folder is an engine name without a drive letter; relative ones are taken from the working folder
    // now. An empty folder or the type none removes the letter.
    static EPlatformError setDrive(char letter, const std::string& folder, EDriveType type);
    static void clearDrives();
    static EDriveType driveType(char letter);
    // Type of the drive an engine name lies on: its letter's, or that of a configured drive whose folder
    // holds it, else fixed; none for an empty name.
    static EDriveType driveTypeOf(const std::string& name);
    // Engine name of a drive's folder, empty when the letter is not set.
    static std::string driveFolder(char letter);
    // The first drive configured as a CD-ROM, 0 when none.
    static char cdromDrive();

    static bool exists(const std::string& name);
    static bool isFolder(const std::string& name);
    static EPlatformError fileSize(const std::string& name, int64_t& size);
    // Seconds since 1970.
    static EPlatformError modificationTime(const std::string& name, int64_t& seconds);
    // Whole file into memory; tooLarge (and nothing read) when it holds more than maxBytes.
    static EPlatformError readWholeFile(const std::string& name, std::vector<uint8_t>& data,
                                        uint64_t maxBytes = uint64_t(1) << 31);
    // Creates the folder and every missing folder above it; an existing folder is success.
    static EPlatformError createFolder(const std::string& name);
    static EPlatformError removeFile(const std::string& name);
    // Removes the folder with everything below it; symbolic links are removed, never followed.
    static EPlatformError removeFolderTree(const std::string& name);
    // Renames a file or folder; an existing different target fails unless replace is set.
    // Changing only the letter case of a name works.
    static EPlatformError renameEntry(const std::string& from, const std::string& to, bool replace = false);
    static EPlatformError copyFile(const std::string& from, const std::string& to, bool failIfExists);

    // A suffix no other write uses at the same time, in this process or another (the stem, then
    // "<process id>_<count>": ".tmp4711_0"): a file written whole is written as its name with this suffix and
    // renamed over the name once complete, so two writers never share a temporary.
    static std::string temporarySuffix(const char* stem = ".tmp");

    // Entries of a folder ("." and ".." skipped unless withDots, then first), filtered by a wildcard pattern
    // (empty for all), sorted by the byte order of their engine names.
    static EPlatformError listFolder(const std::string& name, const std::string& pattern,
                                     std::vector<SFolderEntry>& entries, bool withDots = false);
    // "*" any run, "?" one character, without regard to case; a trailing ".*" also fits a name without a dot.
    static bool matchesWildcard(const std::string& name, const std::string& pattern);

    // Folders as engine names, without a trailing separator; empty when the system cannot tell.
    static std::string userDataFolder();   // $XDG_DATA_HOME or ~/.local/share, then "kavirel"
    static std::string userConfigFolder(); // $XDG_CONFIG_HOME or ~/.config, then "kavirel"
    static std::string programFolder();
    // The program's own file name, without its folder.
    static std::string programName();
    static std::string workingFolder();
    static std::string tempFolder();
    // The user's home, and the desktop's documents and desktop folders (XDG user folders, else below home).
    static std::string homeFolder();
    static std::string documentsFolder();
    static std::string desktopFolder();
    static EPlatformError changeWorkingFolder(const std::string& name);

    // Forgets the cached index of one folder (engine name) and of everything below it.
    static void invalidateIndex(const std::string& folder);
    static void clearIndex();
};

// A file read whole and kept open, so that it can be told cheaply whether its name still leads to that file
// unchanged (the same file, size, modification and change times, to the nanosecond): an open file's identity
// never passes to another file, as a file number freed by a rename would. The engine keeps a parsed copy of
// such a file and reads it again only when it changed. Not for use from two threads at once.
class CPlatformKeptFile {
public:
    CPlatformKeptFile() = default;
    ~CPlatformKeptFile();
    CPlatformKeptFile(const CPlatformKeptFile&) = delete;
    CPlatformKeptFile& operator=(const CPlatformKeptFile&) = delete;

    // Reads the file whole and keeps it; notFound when it is missing, which is kept as well (unchanged
    // while it stays missing); tooLarge (nothing read) past maxBytes. Other failures keep nothing.
    EPlatformError read(const std::string& name, std::vector<uint8_t>& data, uint64_t maxBytes);
    // True when the name leads to the kept file as it was kept, or is still missing when that was kept.
    bool unchanged(const std::string& name) const;
    // Writes data as the whole file: a temporary beside it (temporarySuffix), renamed over it once
    // complete, so a failed write leaves the old file as it was. Keeps the new file. Never makes folders.
    EPlatformError replace(const std::string& name, const void* data, size_t size);
    void forget();

private:
    bool keep(int fd);

    int m_fd = -1;
    bool m_kept = false;
    bool m_missing = false;
    uint64_t m_device = 0, m_inode = 0;
    int64_t m_size = 0, m_modified = 0, m_changed = 0; // times in nanoseconds
};

// An exclusive advisory lock on a file's name for a read-change-write, held until unlock: other processes
// and threads locking the same name wait meanwhile. Writers replace the file by a rename, so the lock is
// taken on the file the name leads to once locked (a file renamed over it meanwhile is locked again), and
// on the folder holding it while it is missing. Where the file system has no locks none is taken and the
// call succeeds, as writes went before.
class CPlatformFileLock {
public:
    CPlatformFileLock() = default;
    ~CPlatformFileLock() { unlock(); }
    CPlatformFileLock(const CPlatformFileLock&) = delete;
    CPlatformFileLock& operator=(const CPlatformFileLock&) = delete;

    // Waits for the lock. Fails when the file exists but cannot be opened, or its folder is missing.
    EPlatformError lock(const std::string& name);
    void unlock();

private:
    int m_fd = -1;
};

} // namespace KavirelDLL

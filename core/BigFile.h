#pragma once
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "core/File.h"

namespace KavirelDLL {

class CXArchive;
struct _entry;

// A file of the table of contents.
struct _file {
    std::string name;
    int64_t reserved = 0;
    int32_t size = 0;
    int32_t offset = 0; // from the start of the big file
    _entry* parent = nullptr;
};

// A folder of the table of contents.
struct _entry {
    std::string name;
    _entry* parent = nullptr; // null for the root
    std::vector<std::unique_ptr<_entry>> folders;
    std::vector<std::unique_ptr<_file>> files;
};

struct _rootentry {
    std::string archiveName;
    std::string rootPath;
    int32_t totalSize = 0;
    int64_t reserved1 = 0;
    int64_t reserved2 = 0;
    int32_t fileCount = 0;   // whole tree
    int32_t folderCount = 0; // whole tree, the root not counted
    _entry root;
};

// One file holding a folder tree: a table of contents, then every file's bytes back to back.
// Names are found without regard to case. While it is open as the process's big file, CFile reads
// from it before the disk.
class CBigFile : public CXObject {
public:
    // An empty archive, for Create.
    explicit CBigFile(bool verbose = false, CXString unused = CXString());
    // Opens name: ERR_FILE_NOT_FOUND when it cannot be opened, ERR_FILE_DAMAGED when its table is damaged.
    CBigFile(CXString name, bool verbose, CXString unused = CXString());
    ~CBigFile() override;
    CBigFile(const CBigFile&) = delete;
    CBigFile& operator=(const CBigFile&) = delete;

    // Packs sourceFolder into outputFile; false (and no output left) when a file cannot be read whole,
    // changes size meanwhile, or the archive would pass 2 GiB.
    bool Create(CXString sourceFolder, CXString archiveName, CXString outputFile);

    // The entry's data offset, with the archive's file positioned there; -1 (position kept) when absent.
    int Seek(CXString name);
    // The entry's size, 0 when absent.
    int GetSize(CXString name);
    // The archive file's own positions.
    int Seek(int offset, int origin);
    int Tell();
    CFile* GetFile() { return m_file.get(); }

    // "\Folder\Sub" inside the archive, "" at the root (after the root path); without an open archive
    // the process's current directory.
    CXString GetCurrentDirectoryA();
    // The same cut to size - 1 characters; the length written.
    int GetCurrentDirectoryA(int size, char* buffer);
    // In the pattern's folder, files then folders whose names fit (without regard to case); the index of
    // the first, with its lower-cased name, size and attributes in data; -1 when none fits.
    int FindFirst(CXString pattern, _finddata64i32_t* data);
    // 0 with the next fitting entry of that search, -1 when there is none (the search is then closed).
    // A search is known by the index it started at: a later one from the same index takes its place
    // (CFile's searches gather their entries at once and never meet this).
    int FindNext(int handle, _finddata64i32_t* data);
    void FindClose(int handle);
    bool FileExists(CXString name);
    // Enters a folder of the archive ("." and ".." too); 0, or -1 when there is no such folder.
    int ChDir(CXString name);
    bool DirExists(CXString name);
    // Whether the name as written is a folder of the archive; a disk name found only below the archive's own
    // folder or from a data marker is not.
    bool holdsFolderAsNamed(CXString name);
    // Copies an entry's bytes to a file on disk.
    bool ExtractFile(CXString name, CXString outputFile);

    // The entry a name stands for, as Seek finds it; false when absent.
    bool findEntry(CXString name, int32_t& offset, int32_t& size);
    // Absolute engine name of the archive on disk.
    CXString getArchiveName() const { return m_archiveName; }
    const _rootentry& getHeader() const { return m_header; }

private:
    struct SSearch {
        _entry* folder;
        std::string pattern;
        size_t next;
    };

    bool open(const CXString& name);
    // The index of the next fitting entry of the search, or -1.
    int FindNext(int, _finddata64i32_t* data, SSearch* search);
    bool readFolder(CXArchive& archive, _entry& folder, int depth, int64_t fileLength);
    // Names the archive may know a name by: as given, below the archive's own folder, from a data marker.
    std::vector<std::string> candidates(const std::string& name) const;
    _file* locate(const std::string& name);
    _entry* locateFolder(const std::string& name);
    // The folder one candidate name leads to, from the root or the current folder.
    _entry* folderAt(const std::string& candidate);

    std::unique_ptr<CFile> m_file;
    CXString m_bigFileName;
    CXString m_archiveName;
    std::string m_mountFolded; // folded engine name of the archive's folder, with a trailing '\'
    bool m_verbose;
    _rootentry m_header;
    _entry* m_current;
    std::map<int, SSearch> m_searches;
};

} // namespace KavirelDLL

#pragma once
#include "core/XObject.h"

namespace KavirelDLL {

class CWindow;
class CXArray;

// A path with its extension, and the engine's joins and logical-name resolution.
class CPath : public CXObject {
public:
    // currentPath is the current directory (the big file's while one is open).
    explicit CPath(CWindow* window);
    // Keeps the path; the extension is what follows its last '.', or the whole path without one.
    CPath(CWindow* window, CXString path);

    // The current directory lies on a drive configured as a CD-ROM.
    virtual bool isCD();

    // Cuts the path after its first '.' and appends ext (a path without '.' gets one); the new path.
    CXString SetExtension(CXString ext);
    CXString GetExtension() const { return m_extension; }
    CXString getCurrentPath() const { return m_currentPath; }
    CXString getPath() const { return m_path; }

    CXString GetFullPath(CXString file);
    CXString GetFullPath(CXString folder, CXString file);
    CXString resolveFileName(CXString name);

    // a, a '\' unless a is empty or ends with one, then b.
    static CXString getFullPath(CXString a, CXString b);
    // a, always a '\', then b and a '\' when b is not empty, then c.
    static CXString getFullPath(CXString a, CXString b, CXString c);
    // '$' or '&' first: the CD data root instead; '?' splits a folder of the current directory from a
    // file; any other name is returned as it is.
    static CXString resolveFileName(CWindow* window, CXString name);
    // The same with the local install root for '$' and '&'.
    static CXString resolveFileNameEx(CWindow* window, CXString name);
    // Creates every missing folder of path up to its last '\' (or '/'); what follows it is not a folder.
    static bool makeSureDirectoryPathExists(CXString path);

private:
    void FillInfo();

    CWindow* m_window;
    CXString m_path;
    CXString m_extension;
    CXString m_currentPath;
};

// The parts of a full name: drive, folders, file name, its stem and extension.
class CFileNameResolver : public CXObject {
public:
    explicit CFileNameResolver(CXString fullName);
    ~CFileNameResolver() override;
    CFileNameResolver(const CFileNameResolver&) = delete;
    CFileNameResolver& operator=(const CFileNameResolver&) = delete;

    CXString getFileName() const { return m_fileName; }
    CXString getExtension() const { return m_extension; }
    // The name up to its last '\' (drive and folders).
    CXString getPath() const { return m_path; }
    CXString getPureFileName() const { return m_pureFileName; }
    // 0 when the name has none.
    unsigned char getDrive() const { return m_drive; }
    // The folders between the drive and the file, as CXString*, owned by this object.
    CXArray* getDirectories() const { return m_directories; }

private:
    void split();

    CXString m_fullName;
    CXString m_path;
    CXString m_extension;
    CXString m_fileName;
    CXString m_pureFileName;
    unsigned char m_drive = 0;
    CXArray* m_directories;
};

} // namespace KavirelDLL

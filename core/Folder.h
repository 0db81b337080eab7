#pragma once
#include "core/XObject.h"

namespace KavirelDLL {

class CWindow;
class CXArray;

// Walks folders through CFile's directory operations, so it sees the big file while one is open.
// It changes the process's current directory; callers made with a path call back() to return.
class CFolder : public CXObject {
public:
    static const char* const DATA_FOLDER;   // "Dane"
    static const char* const WAVS_FOLDER;   // "WAVS"
    static const char* const SFX_FOLDER;    // "Wavs\Sfx"
    static const char* const COMMON_FOLDER; // "COMMON"

    explicit CFolder(CWindow* window);
    // Changes into path, remembering where it was.
    CFolder(CWindow* window, CXString path);
    ~CFolder() override;
    CFolder(const CFolder&) = delete;
    CFolder& operator=(const CFolder&) = delete;

    // The first folder the pattern finds, or "".
    virtual CXString GetFolderName(CXString pattern);
    // The first entry the pattern finds, or "".
    virtual CXString GetFileName(CXString pattern);
    // The next entry of the open search, or "".
    virtual CXString GetNextFileName();

    CXString getPath() const { return m_startPath; }
    CXString getCurrentPath() const { return m_currentPath; }
    void back();
    void GoStart();
    // The type of the folder reached (see GetFolderType).
    CXString GoUp();
    // Into the first folder named 'A' + n followed by ".*".
    CXString GoTo(int n);
    CXString FindFolder(unsigned char letter);

    static bool IsDirectory(CXString name);
    static int GetSize(CXString name);
    // New CXString* names of every entry the pattern finds ("." and ".." too when they fit).
    static CXArray* list(CXString pattern);
    static void releaseFilesList(CXArray* list);

private:
    // After the last '.': the text after a leading '+' when more follows, else its first character.
    static CXString GetFolderType(const CXString& name);
    void closeSearch();

    CWindow* m_window;
    CXString m_startPath;
    CXString m_currentPath;
    CXString m_lastGoTo;
    CXString m_searchPattern;
    CXString m_previousDirectory;
    int m_findHandle = -1;
};

} // namespace KavirelDLL

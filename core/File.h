#pragma once
#include <cstdint>
#include <memory>

#include "core/XObject.h"

namespace KavirelDLL {

class CWindow;
class CBigFile;
class CPlatformFile;

// One entry found by CFile::findFirst / findNext.
struct _finddata64i32_t {
    uint32_t attrib = 0; // FIND_FOLDER for folders
    int64_t time_create = 0;
    int64_t time_access = 0;
    int64_t time_write = 0; // seconds since 1970
    uint32_t size = 0;      // bytes, at most 4 GiB - 1
    char name[260] = {};
};

constexpr uint32_t FIND_FOLDER = 16;

// A file of the game, opened by the engine's logical names: '$' or '&' for the CD data root, '?' between
// a folder and a name, '~' for the local install, the language folder before the common one, and the
// open big-file archive before the disk.
class CFile : public CXObject {
public:
    enum : int { MODE_READ = 1, MODE_UPDATE = 4, MODE_TEXT = 8, MODE_BINARY = 16 };

    CFile();
    CFile(CWindow* window, CXString name, int mode);
    ~CFile() override;
    CFile(const CFile&) = delete;
    CFile& operator=(const CFile&) = delete;

    // -1 without a file.
    virtual int Length();
    // 0 without a file.
    virtual int Tell();
    // The open file; null when closed.
    virtual CPlatformFile* GetHandle();
    // origin 0 start, 1 current, 2 end; 0 on success.
    virtual int Seek(int offset, int origin);
    // 0, or ERR_FILE_NOT_FOUND when no candidate opens.
    virtual int Open(CWindow* window, CXString name, int mode);
    virtual int Read(void* buffer, int count);
    virtual int Write(const void* buffer, int count);
    // The error code; a failed flush of written data sets ERR_FILE_WRITE.
    virtual int Close();
    // At most size - 1 characters up to and with a '\n', terminated; null at the end of the file.
    virtual char* GetLine(char* buffer, int size);
    // One line with its '\n' when it had one, at most 10239 characters.
    virtual CXString getLine();
    // The text as it is, no line end added; the count of bytes written.
    virtual int putLine(CXString text);
    virtual bool eof();

    CWindow* getWindow() const { return m_window; }
    // The full name before any data root was applied.
    CXString GetFileName() const { return m_fileName; }
    // The name that opened: the winning data root or language copy; inside the big file, the archive's.
    CXString getOpenedName() const { return m_openedName; }
    bool isInBigFile() const { return m_inBigFile; }
    // After a failed open: a candidate was there but would not open (a folder, no permission, ...).
    bool wasRefused() const { return m_refused; }
    // Opens exactly the given name, without data roots, language folder or big file.
    int OpenDirect(CXString name, int mode);

    // Re-rooting at the first "Dane", "COMMON" or (any case) "WAVS" of the name; unchanged without one.
    static CXString getLocalPath(CXString name);
    static CXString getNetPath(CXString name);
    static CXString getCDPath(CXString name);
    // On a fixed disk: a drive letter configured as fixed, or an absolute name outside every CD-ROM folder.
    static bool isHdd(CXString path);
    static bool isNet();
    // The first of the candidate paths that opens for reading, or "".
    static CXString getPath(CWindow* window, CXString name);
    static bool fileExists(CWindow* window, CXString name);

    // The process-wide big-file archive; a failed open leaves none open.
    static bool openBigFile(CXString name);
    static void closeBigFile();
    static CBigFile* getBigFileIfc();
    static CFile* getBigFileHandle();

    // 0 on success. With the big file open: the archive's folder when it has one, else the disk's, which is
    // then the current folder (relative names start there) until an archive folder is entered again, and
    // the disk goes back to where it was. A disk folder's own name (a folder reported on the disk) enters the
    // disk whenever the disk has it, also below the archive's folder.
    static int chDir(CXString name);
    // Ends with '\'. The folder chDir entered last, the archive's or the disk's.
    static CXString getCurrentDirectory();
    // Cut to size - 1 characters, no '\' added; the length written.
    static int getCurrentDirectory(int size, char* buffer);
    // A search handle, or -1 when nothing fits. With FIND_FOLDER set in data beforehand only folders count.
    static int findFirst(CXString pattern, _finddata64i32_t* data);
    // 0 with the next entry, -1 at the end (the search is then closed).
    static int findNext(int handle, _finddata64i32_t* data);
    static void findClose(int handle);
    static int fSeek(CFile* file, int offset, int origin);
    static int fTell(CFile* file);
    static bool dirExists(CXString name);

    // A name that needs no current directory in front: a drive letter, or a leading separator.
    static bool isAbsoluteName(const CXString& name);
    // The process's current directory on disk as an engine name, without a trailing '\'.
    static CXString diskCurrentDirectory();

private:
    static CXString archiveName(const CXString& name);
    bool tryOpen(const CXString& name, int mode);
    bool openFromBigFile(const CXString& resolved, const CXString& full, int mode);
    void closeStream();

    std::unique_ptr<CPlatformFile> m_stream;
    CXString m_fileName;
    CXString m_openedName;
    CWindow* m_window = nullptr;
    bool m_inBigFile = false;
    bool m_refused = false;

    static CBigFile* s_bigFile;
};

} // namespace KavirelDLL

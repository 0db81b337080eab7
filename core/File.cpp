#include "core/File.h"

#include "core/BigFile.h"
#include "core/LanguageOSVer.h"
#include "core/Log.h"
#include "core/Path.h"
#include "display/Window.h"
#include "platform/Files.h"

#include <algorithm>
#include <climits>
#include <cstring>
#include <map>
#include <mutex>
#include <string>
#include <vector>

namespace KavirelDLL {

CBigFile* CFile::s_bigFile = nullptr;

namespace {

constexpr int kMaxLine = 10240;

// While the big file is open, the current folder is the archive's, or, once chDir entered a folder the
// archive lacks, the disk's; g_archiveDisk is the disk folder to go back to when the archive's folder is
// entered again.
bool g_currentOnDisk = false;
CXString g_archiveDisk;

std::string text(const CXString& s) { return std::string(s.GetBuffer(), static_cast<size_t>(s.GetLength())); }

CXString toX(const std::string& s) { return CXString(s.c_str()); }

int clampToInt(int64_t value) {
    if (value > INT_MAX) return INT_MAX;
    if (value < INT_MIN) return INT_MIN;
    return static_cast<int>(value);
}

bool readOnly(int mode) { return (mode & CFile::MODE_READ) && !(mode & CFile::MODE_UPDATE); }

// A mode naming neither text nor binary opens as text, the Windows C runtime's default.
bool textMode(int mode) { return (mode & CFile::MODE_TEXT) || !(mode & CFile::MODE_BINARY); }

EOpenMode openModeOf(int mode) {
    if (mode & CFile::MODE_READ) return (mode & CFile::MODE_UPDATE) ? EOpenMode::update : EOpenMode::read;
    return EOpenMode::write;
}

CXString reroot(const CXString& name, const CXString& root) {
    int at = name.indexOf("Dane");
    if (at < 0) at = name.indexOf("COMMON");
    if (at < 0) {
        CXString upper(name);
        upper.Upper();
        at = upper.indexOf("WAVS");
    }
    if (at < 0) return name;
    return root + name.Right(at);
}

CLanguageOSVer* languageOf(CWindow* window) { return window ? window->getLangIfc() : nullptr; }

// The language folder's copy of a name inside the big file, where the disk cannot be asked.
CXString archiveLanguageCopy(CLanguageOSVer* language, const CXString& name) {
    CXString folder = language->getLanguageFolder();
    if (!folder.IsString()) return CXString();
    int slash = name.FindLast('\\');
    if (slash < 0) return folder + "\\" + name;
    return name.Left(slash + 1) + folder + name.Right(slash);
}

// A candidate on a root that is not set would be a name relative to wherever the process stands.
CXString rerootedCandidate(const CXString& name, const CXString& root) {
    if (!root.IsString()) return name;
    return reroot(name, root);
}

void fillFindData(const SFolderEntry& entry, _finddata64i32_t* data) {
    if (!data) return;
    data->attrib = entry.isFolder ? FIND_FOLDER : 0;
    data->time_create = data->time_access = data->time_write = entry.modified;
    data->size = entry.size > int64_t(UINT32_MAX) ? UINT32_MAX : static_cast<uint32_t>(entry.size);
    size_t n = std::min(entry.name.size(), sizeof data->name - 1);
    std::memcpy(data->name, entry.name.data(), n);
    data->name[n] = 0;
}

struct SDiskSearch {
    std::vector<SFolderEntry> entries;
    size_t next = 0;
};

std::mutex g_searchMutex;
std::map<int, SDiskSearch> g_searches;
int g_nextSearch = 1;

} // namespace

// ---- objects ----

CFile::CFile() = default;

CFile::CFile(CWindow* window, CXString name, int mode) { Open(window, name, mode); }

CFile::~CFile() { closeStream(); }

void CFile::closeStream() {
    if (m_stream) {
        m_stream->close();
        m_stream.reset();
    }
    m_inBigFile = false;
}

int CFile::Length() {
    if (!m_stream) return -1;
    return clampToInt(m_stream->size());
}

int CFile::Tell() {
    if (!m_stream) return 0;
    return clampToInt(m_stream->tell());
}

CPlatformFile* CFile::GetHandle() { return m_stream.get(); }

int CFile::Seek(int offset, int origin) {
    if (!m_stream) return -1;
    return m_stream->seek(offset, origin) ? 0 : -1;
}

bool CFile::tryOpen(const CXString& name, int mode) {
    if (!name.IsString()) return false;
    auto stream = std::make_unique<CPlatformFile>();
    const EPlatformError error = stream->open(text(name), openModeOf(mode), textMode(mode));
    if (error != EPlatformError::none) {
        if (error != EPlatformError::notFound && error != EPlatformError::notFolder &&
            error != EPlatformError::noDrive && error != EPlatformError::invalidName)
            m_refused = true;
        return false;
    }
    m_stream = std::move(stream);
    m_openedName = name;
    return true;
}

bool CFile::openFromBigFile(const CXString& resolved, const CXString& full, int mode) {
    CLanguageOSVer* language = languageOf(m_window);
    std::vector<CXString> names;
    for (const CXString& name : {resolved, full}) {
        CXString copy = language ? archiveLanguageCopy(language, name) : CXString();
        for (const CXString& candidate : {copy, name}) {
            if (candidate.IsString() && std::find(names.begin(), names.end(), candidate) == names.end())
                names.push_back(candidate);
        }
    }
    for (const CXString& name : names) {
        int32_t offset = 0;
        int32_t size = 0;
        if (!s_bigFile->findEntry(name, offset, size)) continue;
        auto stream = std::make_unique<CPlatformFile>();
        if (stream->openRange(text(s_bigFile->getArchiveName()), offset, size, textMode(mode)) !=
            EPlatformError::none)
            continue;
        m_stream = std::move(stream);
        m_openedName = s_bigFile->getArchiveName();
        m_inBigFile = true;
        return true;
    }
    return false;
}

int CFile::Open(CWindow* window, CXString name, int mode) {
    closeStream();
    m_openedName = CXString();
    m_refused = false;
    setErrorCode(ERR_NONE);
    CXString resolved = CPath::resolveFileName(window, name);
    bool tilde = resolved.GetAt(0) == '~';
    CXString full = tilde || isAbsoluteName(resolved) ? resolved : diskCurrentDirectory() + "\\" + resolved;
    m_window = window;
    m_fileName = full;
    if (tilde) {
        full = full.Right(1);
        resolved = full;
    }

    if (s_bigFile && readOnly(mode) && openFromBigFile(tilde ? resolved : archiveName(resolved), full, mode))
        return ERR_NONE;

    std::vector<CXString> tries;
    if (CLanguageOSVer* language = languageOf(window)) {
        // The install the name belongs to, then the CD; the language folder's copy before each.
        CXString base;
        if (!tilde && isNet())
            base = getNetPath(full);
        else
            base = isHdd(full) ? full : rerootedCandidate(full, CWindow::rootPath);
        CXString alternative = isHdd(full) ? rerootedCandidate(full, CWindow::getCDPath()) : full;
        tries.push_back(language->getLocalFileName(base));
        tries.push_back(base);
        tries.push_back(language->getLocalFileName(alternative));
        tries.push_back(alternative);
    } else {
        // The product install, the local install, then the name itself.
        if (isNet()) tries.push_back(getNetPath(full));
        tries.push_back(rerootedCandidate(full, CWindow::rootPath));
        tries.push_back(full);
    }

    std::vector<CXString> tried;
    for (const CXString& candidate : tries) {
        if (std::find(tried.begin(), tried.end(), candidate) != tried.end()) continue;
        tried.push_back(candidate);
        if (tryOpen(candidate, mode)) return ERR_NONE;
    }
    setErrorCode(ERR_FILE_NOT_FOUND);
    return LastError();
}

int CFile::OpenDirect(CXString name, int mode) {
    closeStream();
    m_openedName = CXString();
    m_refused = false;
    m_fileName = name;
    m_window = nullptr;
    setErrorCode(tryOpen(name, mode) ? ERR_NONE : ERR_FILE_NOT_FOUND);
    return LastError();
}

int CFile::Read(void* buffer, int count) {
    if (!m_stream || !buffer || count <= 0) return 0;
    return static_cast<int>(m_stream->read(buffer, static_cast<size_t>(count)));
}

int CFile::Write(const void* buffer, int count) {
    if (!m_stream || !buffer || count <= 0) return 0;
    return static_cast<int>(m_stream->write(buffer, static_cast<size_t>(count)));
}

int CFile::Close() {
    if (m_stream) {
        bool failed = m_stream->close() != EPlatformError::none;
        m_stream.reset();
        m_inBigFile = false;
        if (failed && LastError() == ERR_NONE) {
            logMessage("file: writing %s failed", m_fileName.GetBuffer());
            setErrorCode(ERR_FILE_WRITE);
        }
    }
    return LastError();
}

char* CFile::GetLine(char* buffer, int size) {
    if (!m_stream || !buffer || size <= 0) return nullptr;
    std::string line;
    if (size == 1 || !m_stream->readLine(line, static_cast<size_t>(size - 1))) {
        buffer[0] = 0;
        return nullptr;
    }
    std::memcpy(buffer, line.data(), line.size());
    buffer[line.size()] = 0;
    return buffer;
}

CXString CFile::getLine() {
    std::string line;
    if (!m_stream || !m_stream->readLine(line, kMaxLine - 1)) return CXString();
    return toX(line);
}

int CFile::putLine(CXString line) { return Write(line.GetBuffer(), line.GetLength()); }

bool CFile::eof() { return m_stream && m_stream->eof(); }

// ---- names and data roots ----

CXString CFile::getLocalPath(CXString name) { return reroot(name, CWindow::rootPath); }

CXString CFile::getNetPath(CXString name) { return reroot(name, CWindow::gameProductPath); }

CXString CFile::getCDPath(CXString name) { return reroot(name, CWindow::getCDPath()); }

bool CFile::isAbsoluteName(const CXString& name) {
    char first = name.GetAt(0);
    if (first == '\\' || first == '/') return true;
    return name.GetAt(1) == ':' && ((first >= 'A' && first <= 'Z') || (first >= 'a' && first <= 'z'));
}

bool CFile::isHdd(CXString path) {
    if (!path.IsString()) return false;
    // A name relative to nowhere in particular is not on the local disk: it is taken from the local install.
    if (!isAbsoluteName(path)) return false;
    return CPlatformFiles::driveTypeOf(text(path)) == EDriveType::fixed;
}

bool CFile::isNet() { return CWindow::gameProductPath.IsString(); }

CXString CFile::diskCurrentDirectory() { return toX(CPlatformFiles::workingFolder()); }

CXString CFile::getPath(CWindow* window, CXString name) {
    name = CPath::resolveFileName(window, name);
    if (!isAbsoluteName(name)) name = diskCurrentDirectory() + "\\" + name;
    CXString local = rerootedCandidate(name, CWindow::rootPath);
    std::vector<CXString> tries;
    if (CLanguageOSVer* language = languageOf(window)) {
        tries.push_back(language->getLocalFileName(local));
        tries.push_back(language->getLocalFileName(name));
    }
    tries.push_back(local);
    tries.push_back(name);
    for (const CXString& candidate : tries) {
        CPlatformFile file;
        if (file.open(text(candidate), EOpenMode::read) == EPlatformError::none) return candidate;
    }
    return CXString();
}

bool CFile::fileExists(CWindow* window, CXString name) {
    CXString resolved = CPath::resolveFileName(window, name);
    if (s_bigFile) {
        if (s_bigFile->FileExists(archiveName(resolved))) return true;
        if (!isAbsoluteName(resolved) && s_bigFile->FileExists(diskCurrentDirectory() + "\\" + resolved))
            return true;
    }
    CPlatformFile file;
    if (file.open(text(resolved), EOpenMode::read) == EPlatformError::none) return true;
    if (!isNet()) return false;
    CXString full = isAbsoluteName(resolved) ? resolved : diskCurrentDirectory() + "\\" + resolved;
    return file.open(text(getNetPath(full)), EOpenMode::read) == EPlatformError::none;
}

// ---- the big file ----

// A name as the archive should take it: while the current folder is on the disk, a relative name is taken
// from there (the archive finds it when the folder lies in the archive's own), not from the archive's folder.
CXString CFile::archiveName(const CXString& name) {
    if (!g_currentOnDisk || !name.IsString() || isAbsoluteName(name) || name.GetAt(0) == '~') return name;
    return diskCurrentDirectory() + "\\" + name;
}

bool CFile::openBigFile(CXString name) {
    closeBigFile();
    auto* bigFile = new CBigFile(name, false);
    if (bigFile->LastError() != ERR_NONE) {
        // A game without an archive keeps its files loose; the archive logs one that is there but unusable.
        if (bigFile->LastError() != ERR_FILE_NOT_FOUND)
            logMessage("big file %s could not be opened (error %d)", name.GetBuffer(), bigFile->LastError());
        delete bigFile;
        return false;
    }
    s_bigFile = bigFile;
    return true;
}

void CFile::closeBigFile() {
    delete s_bigFile;
    s_bigFile = nullptr;
    g_currentOnDisk = false;
}

CBigFile* CFile::getBigFileIfc() { return s_bigFile; }

CFile* CFile::getBigFileHandle() { return s_bigFile ? s_bigFile->GetFile() : nullptr; }

// ---- directories ----

int CFile::chDir(CXString name) {
    if (!s_bigFile) return CPlatformFiles::changeWorkingFolder(text(name)) == EPlatformError::none ? 0 : -1;
    const CXString target = archiveName(name);
    // A disk folder the archive finds only below its own folder or from a data marker (the roots, a folder
    // getCurrentDirectory reported on the disk) stays the disk's when the disk has it: the archive still
    // serves the names below it from there, and the disk's own files there stay in reach.
    const bool diskFolder = isAbsoluteName(target) && !s_bigFile->holdsFolderAsNamed(target) &&
                            CPlatformFiles::isFolder(text(target));
    if (!diskFolder && s_bigFile->ChDir(target) == 0) {
        // Back in the archive, the disk is back where it was while the archive's folder was current.
        if (g_currentOnDisk) CPlatformFiles::changeWorkingFolder(text(g_archiveDisk));
        g_currentOnDisk = false;
        return 0;
    }
    // A folder the archive lacks is entered on the disk, as a name the archive lacks opens from there; the
    // current folder is then the disk's until the archive's is entered again.
    const CXString before = diskCurrentDirectory();
    if (CPlatformFiles::changeWorkingFolder(text(name)) != EPlatformError::none) return -1;
    if (!g_currentOnDisk) g_archiveDisk = before;
    g_currentOnDisk = true;
    return 0;
}

CXString CFile::getCurrentDirectory() {
    CXString current =
        s_bigFile && !g_currentOnDisk ? s_bigFile->GetCurrentDirectoryA() : diskCurrentDirectory();
    if (current.lastChar() != '\\') current += '\\';
    return current;
}

int CFile::getCurrentDirectory(int size, char* buffer) {
    if (!buffer || size <= 0) return 0;
    CXString current =
        s_bigFile && !g_currentOnDisk ? s_bigFile->GetCurrentDirectoryA() : diskCurrentDirectory();
    int n = std::min(current.GetLength(), size - 1);
    std::memcpy(buffer, current.GetBuffer(), static_cast<size_t>(n));
    buffer[n] = 0;
    return n;
}

int CFile::findFirst(CXString pattern, _finddata64i32_t* data) {
    bool foldersOnly = data && (data->attrib & FIND_FOLDER);
    SDiskSearch search;
    if (s_bigFile) {
        // Gathered at once: the archive numbers a search by the index it starts at, so two open searches
        // could share one number.
        _finddata64i32_t found;
        int archiveSearch = s_bigFile->FindFirst(archiveName(pattern), &found);
        if (archiveSearch < 0) return -1;
        do {
            search.entries.push_back(
                SFolderEntry{found.name, (found.attrib & FIND_FOLDER) != 0, found.size, 0});
        } while (s_bigFile->FindNext(archiveSearch, &found) == 0);
    } else {
        std::string whole = text(pattern);
        size_t cut = whole.find_last_of("\\/");
        std::string folder = cut == std::string::npos ? "." : whole.substr(0, cut + 1);
        std::string wildcard = cut == std::string::npos ? whole : whole.substr(cut + 1);
        if (wildcard.empty()) return -1;
        if (CPlatformFiles::listFolder(folder, wildcard, search.entries, true) != EPlatformError::none)
            return -1;
    }
    while (search.next < search.entries.size() && foldersOnly && !search.entries[search.next].isFolder)
        ++search.next;
    if (search.next >= search.entries.size()) return -1;
    fillFindData(search.entries[search.next++], data);
    std::lock_guard<std::mutex> lock(g_searchMutex);
    int handle = g_nextSearch;
    g_nextSearch = g_nextSearch == INT_MAX ? 1 : g_nextSearch + 1;
    g_searches[handle] = std::move(search);
    return handle;
}

int CFile::findNext(int handle, _finddata64i32_t* data) {
    std::lock_guard<std::mutex> lock(g_searchMutex);
    auto it = g_searches.find(handle);
    if (it == g_searches.end()) return -1;
    if (it->second.next >= it->second.entries.size()) {
        g_searches.erase(it);
        return -1;
    }
    fillFindData(it->second.entries[it->second.next++], data);
    return 0;
}

void CFile::findClose(int handle) {
    std::lock_guard<std::mutex> lock(g_searchMutex);
    g_searches.erase(handle);
}

int CFile::fSeek(CFile* file, int offset, int origin) {
    if (!file) return -1;
    if (s_bigFile && file == s_bigFile->GetFile()) return s_bigFile->Seek(offset, origin);
    return file->Seek(offset, origin);
}

int CFile::fTell(CFile* file) {
    if (!file) return -1;
    if (s_bigFile && file == s_bigFile->GetFile()) return s_bigFile->Tell();
    return file->Tell();
}

bool CFile::dirExists(CXString name) {
    if (s_bigFile && s_bigFile->DirExists(archiveName(name))) return true;
    return CPlatformFiles::isFolder(text(name));
}

} // namespace KavirelDLL

#include "core/BigFile.h"

#include "core/Archive.h"
#include "core/Log.h"
#include "platform/Codepage.h"
#include "platform/Files.h"

#include <climits>
#include <cstdio>
#include <cstring>

namespace KavirelDLL {

namespace {

// Deeper trees than this are damage (or a folder that links back into itself).
constexpr int kMaxDepth = 256;
constexpr int64_t kMaxArchive = INT32_MAX; // offsets are stored as 32-bit ints

std::string text(const CXString& s) { return std::string(s.GetBuffer(), static_cast<size_t>(s.GetLength())); }

std::string normalized(const CXString& name) {
    std::string out = text(name);
    for (char& c : out)
        if (c == '/') c = '\\';
    return out;
}

bool sameName(const std::string& a, const std::string& b) {
    return a.size() == b.size() && foldCp1250(a) == foldCp1250(b);
}

std::string lowered(const std::string& name) {
    CXString lower(name.c_str());
    lower.Lower();
    return text(lower);
}

// The marker rule of CFile's data roots, with the archive's root for a root.
std::string fromMarker(const std::string& name) {
    size_t at = name.find("Dane");
    if (at == std::string::npos) at = name.find("COMMON");
    if (at == std::string::npos) {
        CXString upper(name.c_str());
        upper.Upper();
        at = text(upper).find("WAVS");
    }
    if (at == std::string::npos) return std::string();
    std::string tail(1, '\\');
    tail.append(name, at, std::string::npos);
    return tail;
}

// A plain file name is looked for in the folder reached, never in a same-named folder below it: 'Sub\a.wav'
// is Sub's own a.wav even when Sub holds a folder Sub of its own.
_file* findIn(_entry* folder, const std::string& name, int depth) {
    if (depth > kMaxDepth) return nullptr;
    size_t cut = name.find('\\');
    std::string dir = cut == std::string::npos ? std::string() : name.substr(0, cut);
    std::string rest = cut == std::string::npos ? name : name.substr(cut + 1);
    if (cut != std::string::npos) {
        if (dir.empty() || dir == ".") return findIn(folder, rest, depth + 1);
        if (dir == "..") return findIn(folder->parent ? folder->parent : folder, rest, depth + 1);
        for (auto& sub : folder->folders) {
            if (!sameName(sub->name, dir)) continue;
            if (_file* found = findIn(sub.get(), rest, depth + 1)) return found;
            // Only a plain file name falls back to the starting folder.
            if (rest.find('\\') != std::string::npos) return nullptr;
        }
    }
    for (auto& file : folder->files)
        if (sameName(file->name, rest)) return file.get();
    return nullptr;
}

bool readCString(CXArchive& archive, std::string& out) {
    char* value = nullptr;
    archive >> &value;
    if (!value) return false;
    out = value;
    delete[] value;
    return archive.good();
}

std::string joinName(const std::string& folder, const std::string& name) {
    if (folder.empty() || folder.back() == '\\') return folder + name;
    return folder + "\\" + name;
}

struct SSource {
    std::string path; // engine name on disk
    _file* record;
};

} // namespace

CBigFile::CBigFile(bool verbose, CXString) : m_verbose(verbose), m_current(&m_header.root) {}

CBigFile::CBigFile(CXString name, bool verbose, CXString) : m_verbose(verbose), m_current(&m_header.root) {
    m_bigFileName = name;
    open(name);
}

CBigFile::~CBigFile() = default;

bool CBigFile::open(const CXString& name) {
    m_file = std::make_unique<CFile>();
    if (m_file->Open(nullptr, name, CFile::MODE_READ | CFile::MODE_BINARY) != ERR_NONE) {
        if (m_file->wasRefused()) logMessage("big file %s is there but cannot be opened", name.GetBuffer());
        m_file.reset();
        setErrorCode(ERR_FILE_NOT_FOUND);
        return false;
    }
    CPlatformFile* handle = m_file->GetHandle();
    m_archiveName = CXString(CPlatformFiles::toEngineName(handle->path()).c_str());
    std::string archive = text(m_archiveName);
    size_t cut = archive.rfind('\\');
    m_mountFolded = foldCp1250(cut == std::string::npos ? std::string() : archive.substr(0, cut)) + "\\";

    int64_t fileLength = handle->size();
    CXArchive reader(m_file.get(), false);
    bool ok = readCString(reader, m_header.archiveName) && readCString(reader, m_header.rootPath);
    reader >> &m_header.totalSize >> &m_header.reserved1 >> &m_header.reserved2 >> &m_header.fileCount >>
        &m_header.folderCount;
    ok = ok && reader.good() && readFolder(reader, m_header.root, 0, fileLength);
    if (!ok) {
        logMessage("big file %s: the table of contents is damaged", name.GetBuffer());
        m_header = _rootentry();
        m_file.reset();
        setErrorCode(ERR_FILE_DAMAGED);
        return false;
    }
    m_current = &m_header.root;
    m_file->Seek(0, 0);
    return true;
}

bool CBigFile::readFolder(CXArchive& reader, _entry& folder, int depth, int64_t fileLength) {
    if (depth > kMaxDepth) return false;
    int32_t fileCount = 0;
    int32_t folderCount = 0;
    if (!readCString(reader, folder.name)) return false;
    reader >> &fileCount >> &folderCount;
    if (!reader.good() || fileCount < 0 || folderCount < 0) return false;
    // Every record takes at least its fixed bytes, so counts beyond what remains are damage.
    int64_t left = fileLength - reader.GetFileHandle()->Tell();
    if (int64_t(folderCount) * 12 + int64_t(fileCount) * 20 > left) return false;
    // Nothing is reserved from the counts: every nested folder may claim the whole rest of the file again,
    // while records actually read each take their own bytes.
    for (int32_t i = 0; i < folderCount; ++i) {
        auto sub = std::make_unique<_entry>();
        sub->parent = &folder;
        if (!readFolder(reader, *sub, depth + 1, fileLength)) return false;
        folder.folders.push_back(std::move(sub));
    }
    for (int32_t i = 0; i < fileCount; ++i) {
        auto file = std::make_unique<_file>();
        file->parent = &folder;
        if (!readCString(reader, file->name)) return false;
        reader >> &file->offset >> &file->reserved >> &file->size;
        if (!reader.good() || file->offset < 0 || file->size < 0 ||
            int64_t(file->offset) + file->size > fileLength)
            return false;
        folder.files.push_back(std::move(file));
    }
    return true;
}

// ---- lookups ----

std::vector<std::string> CBigFile::candidates(const std::string& name) const {
    std::vector<std::string> out;
    if (name.empty()) return out;
    out.push_back(name);
    if (name[0] == '\\') {
        std::string folded = foldCp1250(name);
        if (m_mountFolded.size() > 1 && folded.compare(0, m_mountFolded.size(), m_mountFolded) == 0)
            out.push_back(name.substr(m_mountFolded.size() - 1));
    }
    std::string marker = fromMarker(name);
    if (!marker.empty()) out.push_back(marker);
    return out;
}

_file* CBigFile::locate(const std::string& name) {
    if (!m_file) return nullptr;
    for (const std::string& candidate : candidates(name)) {
        bool fromRoot = candidate[0] == '\\';
        size_t start = candidate.find_first_not_of('\\');
        if (start == std::string::npos) continue;
        if (_file* found = findIn(fromRoot ? &m_header.root : m_current, candidate.substr(start), 0))
            return found;
    }
    return nullptr;
}

_entry* CBigFile::folderAt(const std::string& candidate) {
    if (candidate.empty()) return nullptr;
    _entry* folder = candidate[0] == '\\' ? &m_header.root : m_current;
    size_t pos = 0;
    while (folder && pos <= candidate.size()) {
        size_t end = candidate.find('\\', pos);
        if (end == std::string::npos) end = candidate.size();
        std::string part = candidate.substr(pos, end - pos);
        pos = end + 1;
        if (part.empty() || part == ".") continue;
        if (part == "..") {
            if (folder->parent) folder = folder->parent;
            continue;
        }
        _entry* next = nullptr;
        for (auto& sub : folder->folders) {
            if (sameName(sub->name, part)) {
                next = sub.get();
                break;
            }
        }
        folder = next;
    }
    return folder;
}

_entry* CBigFile::locateFolder(const std::string& name) {
    if (!m_file) return nullptr;
    for (const std::string& candidate : candidates(name))
        if (_entry* folder = folderAt(candidate)) return folder;
    return nullptr;
}

bool CBigFile::findEntry(CXString name, int32_t& offset, int32_t& size) {
    _file* file = locate(normalized(name));
    if (!file) return false;
    offset = file->offset;
    size = file->size;
    return true;
}

int CBigFile::Seek(CXString name) {
    _file* file = locate(normalized(name));
    if (!file || m_file->Seek(file->offset, 0) != 0) return -1;
    return file->offset;
}

int CBigFile::GetSize(CXString name) {
    _file* file = locate(normalized(name));
    return file ? file->size : 0;
}

int CBigFile::Seek(int offset, int origin) { return m_file ? m_file->Seek(offset, origin) : -1; }

int CBigFile::Tell() { return m_file ? m_file->Tell() : 0; }

bool CBigFile::FileExists(CXString name) { return locate(normalized(name)) != nullptr; }

int CBigFile::ChDir(CXString name) {
    _entry* folder = locateFolder(normalized(name));
    if (!folder) return -1;
    m_current = folder;
    return 0;
}

bool CBigFile::DirExists(CXString name) { return locateFolder(normalized(name)) != nullptr; }

bool CBigFile::holdsFolderAsNamed(CXString name) { return m_file && folderAt(normalized(name)) != nullptr; }

CXString CBigFile::GetCurrentDirectoryA() {
    if (!m_file) return CFile::diskCurrentDirectory();
    std::string path;
    for (_entry* folder = m_current; folder && folder->parent; folder = folder->parent)
        path.insert(0, folder->name).insert(0, 1, '\\');
    std::string root = m_header.rootPath;
    if (!root.empty() && root.back() == '\\') root.pop_back();
    return CXString((root + path).c_str());
}

int CBigFile::GetCurrentDirectoryA(int size, char* buffer) {
    if (!buffer || size <= 0) return 0;
    CXString current = GetCurrentDirectoryA();
    int n = current.GetLength() < size - 1 ? current.GetLength() : size - 1;
    std::memcpy(buffer, current.GetBuffer(), static_cast<size_t>(n));
    buffer[n] = 0;
    return n;
}

// ---- searches ----

namespace {

// Files first, then folders, as FindFirst numbers them.
bool entryAt(_entry* folder, size_t index, std::string& name, bool& isFolder, int32_t& size) {
    if (index < folder->files.size()) {
        name = folder->files[index]->name;
        isFolder = false;
        size = folder->files[index]->size;
        return true;
    }
    index -= folder->files.size();
    if (index >= folder->folders.size()) return false;
    name = folder->folders[index]->name;
    isFolder = true;
    size = 0;
    return true;
}

} // namespace

int CBigFile::FindFirst(CXString pattern, _finddata64i32_t* data) {
    if (!m_file) return -1;
    std::string whole = normalized(pattern);
    size_t cut = whole.rfind('\\');
    _entry* folder = m_current;
    if (cut != std::string::npos) {
        folder = cut == 0 ? &m_header.root : locateFolder(whole.substr(0, cut));
        if (!folder) return -1;
    }
    SSearch search{folder, cut == std::string::npos ? whole : whole.substr(cut + 1), 0};
    if (search.pattern.empty()) return -1;
    int handle = FindNext(-1, data, &search);
    if (handle >= 0) m_searches[handle] = search;
    return handle;
}

int CBigFile::FindNext(int handle, _finddata64i32_t* data) {
    auto it = m_searches.find(handle);
    if (it == m_searches.end()) return -1;
    if (FindNext(handle, data, &it->second) < 0) {
        m_searches.erase(it);
        return -1;
    }
    return 0;
}

int CBigFile::FindNext(int, _finddata64i32_t* data, SSearch* search) {
    std::string name;
    bool isFolder = false;
    int32_t size = 0;
    while (entryAt(search->folder, search->next, name, isFolder, size)) {
        size_t index = search->next++;
        if (!CPlatformFiles::matchesWildcard(name, search->pattern)) continue;
        if (data) {
            std::string lower = lowered(name);
            size_t n = lower.size() < sizeof data->name - 1 ? lower.size() : sizeof data->name - 1;
            std::memcpy(data->name, lower.data(), n);
            data->name[n] = 0;
            data->attrib = isFolder ? FIND_FOLDER : 0;
            data->size = static_cast<uint32_t>(size);
            data->time_create = data->time_access = data->time_write = 0;
        }
        return static_cast<int>(index);
    }
    return -1;
}

void CBigFile::FindClose(int handle) { m_searches.erase(handle); }

// ---- extracting ----

bool CBigFile::ExtractFile(CXString name, CXString outputFile) {
    _file* file = locate(normalized(name));
    if (!file) return false;
    CPlatformFile source;
    if (source.openRange(text(m_archiveName), file->offset, file->size) != EPlatformError::none) return false;
    CPlatformFile target;
    if (target.open(text(outputFile), EOpenMode::write) != EPlatformError::none) return false;
    char buffer[65536];
    int64_t left = file->size;
    while (left > 0) {
        size_t want = left < int64_t(sizeof buffer) ? static_cast<size_t>(left) : sizeof buffer;
        size_t got = source.read(buffer, want);
        if (got == 0 || target.write(buffer, got) != got) {
            target.close();
            CPlatformFiles::removeFile(text(outputFile));
            return false;
        }
        left -= static_cast<int64_t>(got);
    }
    if (target.close() != EPlatformError::none) {
        CPlatformFiles::removeFile(text(outputFile));
        return false;
    }
    return true;
}

// ---- creating ----

namespace {

struct SBuild {
    int32_t files = 0;
    int32_t folders = 0;
    int64_t tocSize = 0;
    int64_t dataSize = 0;
    std::string skipNative;       // the output file itself, when it lies inside the source folder
    std::vector<SSource> sources; // in data order
};

bool buildFolder(const std::string& path, _entry& folder, SBuild& build, int depth) {
    if (depth > kMaxDepth) {
        logMessage("big file: %s is nested too deeply", path.c_str());
        return false;
    }
    std::vector<SFolderEntry> entries;
    EPlatformError error = CPlatformFiles::listFolder(path, "", entries);
    if (error != EPlatformError::none) {
        logMessage("big file: cannot list %s: %s", path.c_str(), platformErrorText(error));
        return false;
    }
    build.tocSize += 12 + int64_t(folder.name.size());
    for (const auto& entry : entries) {
        if (!entry.isFolder) continue;
        auto sub = std::make_unique<_entry>();
        sub->name = entry.name;
        sub->parent = &folder;
        ++build.folders;
        if (!buildFolder(joinName(path, entry.name), *sub, build, depth + 1)) return false;
        folder.folders.push_back(std::move(sub));
    }
    for (const auto& entry : entries) {
        if (entry.isFolder) continue;
        std::string source = joinName(path, entry.name);
        std::string native;
        if (!build.skipNative.empty() && CPlatformFiles::resolve(source, native) == EPlatformError::none &&
            native == build.skipNative)
            continue;
        if (entry.size > kMaxArchive) {
            logMessage("big file: %s is larger than an archive can hold", source.c_str());
            return false;
        }
        auto file = std::make_unique<_file>();
        file->name = entry.name;
        file->size = static_cast<int32_t>(entry.size);
        file->parent = &folder;
        build.tocSize += 20 + int64_t(entry.name.size());
        build.dataSize += entry.size;
        ++build.files;
        if (build.files == INT32_MAX || build.dataSize > kMaxArchive) {
            logMessage("big file: the files of %s pass 2 GiB", path.c_str());
            return false;
        }
        build.sources.push_back({source, file.get()});
        folder.files.push_back(std::move(file));
    }
    return true;
}

void writeFolder(CXArchive& writer, const _entry& folder) {
    writer << folder.name.c_str() << static_cast<int32_t>(folder.files.size())
           << static_cast<int32_t>(folder.folders.size());
    for (const auto& sub : folder.folders) writeFolder(writer, *sub);
    for (const auto& file : folder.files)
        writer << file->name.c_str() << file->offset << file->reserved << file->size;
}

// Copies exactly the listed size; a file that changed since it was listed fails.
bool copySource(const SSource& source, CFile& output) {
    CPlatformFile input;
    EPlatformError error = input.open(source.path, EOpenMode::read);
    if (error != EPlatformError::none) {
        logMessage("big file: cannot read %s: %s", source.path.c_str(), platformErrorText(error));
        return false;
    }
    char buffer[65536];
    int64_t left = source.record->size;
    while (left > 0) {
        size_t want = left < int64_t(sizeof buffer) ? static_cast<size_t>(left) : sizeof buffer;
        size_t got = input.read(buffer, want);
        if (got == 0) break;
        if (output.Write(buffer, static_cast<int>(got)) != static_cast<int>(got)) {
            logMessage("big file: writing the archive failed");
            return false;
        }
        left -= static_cast<int64_t>(got);
    }
    if (left != 0 || input.read(buffer, 1) != 0 || input.failed()) {
        logMessage("big file: %s changed size while it was packed", source.path.c_str());
        return false;
    }
    return true;
}

} // namespace

bool CBigFile::Create(CXString sourceFolder, CXString archiveName, CXString outputFile) {
    m_header = _rootentry();
    m_current = &m_header.root;
    m_searches.clear();
    m_file.reset();

    SBuild build;
    std::string output = text(outputFile);
    CPlatformFiles::resolveForWrite(output, build.skipNative);
    m_header.archiveName = text(archiveName);
    m_header.rootPath.assign(1, '\\');
    m_header.root.name = text(sourceFolder);
    build.tocSize = 37 + int64_t(m_header.archiveName.size());
    if (!buildFolder(m_header.root.name, m_header.root, build, 0)) {
        m_header = _rootentry();
        return false;
    }
    if (build.tocSize + build.dataSize > kMaxArchive) {
        logMessage("big file: %s would pass 2 GiB", output.c_str());
        m_header = _rootentry();
        return false;
    }
    m_header.totalSize = static_cast<int32_t>(build.dataSize);
    m_header.fileCount = build.files;
    m_header.folderCount = build.folders;
    int64_t offset = build.tocSize;
    for (auto& source : build.sources) {
        source.record->offset = static_cast<int32_t>(offset);
        offset += source.record->size;
    }

    if (m_verbose) {
        std::printf("Big file name: %s.\n", m_header.archiveName.c_str());
        std::printf("Number of folders: %d.\n", build.folders);
        std::printf("Number of files: %d.\n", build.files);
        std::printf("Total size: %d bytes.\n", m_header.totalSize);
        std::printf("TOC size: %d bytes.\n", static_cast<int>(build.tocSize));
    }

    CFile out;
    if (out.OpenDirect(outputFile, CFile::MODE_UPDATE | CFile::MODE_BINARY) != ERR_NONE) {
        logMessage("big file: cannot create %s", output.c_str());
        return false;
    }
    auto fail = [&]() {
        out.Close();
        CPlatformFiles::removeFile(output);
        return false;
    };
    CXArchive writer(&out, true);
    writer << m_header.archiveName.c_str() << m_header.rootPath.c_str() << m_header.totalSize
           << m_header.reserved1 << m_header.reserved2 << m_header.fileCount << m_header.folderCount;
    writeFolder(writer, m_header.root);
    if (!writer.good() || out.Tell() != build.tocSize) {
        logMessage("big file: writing the table of contents of %s failed", output.c_str());
        return fail();
    }
    if (m_verbose) std::printf("TOC saved.\n");
    int number = 0;
    for (const auto& source : build.sources) {
        if (!copySource(source, out)) return fail();
        if (m_verbose) std::printf("\r%48s\rFile %d of %d saved.", "", ++number, build.files);
    }
    if (m_verbose) std::fflush(stdout);
    if (out.Close() != ERR_NONE) {
        logMessage("big file: writing %s failed", output.c_str());
        CPlatformFiles::removeFile(output);
        return false;
    }
    return true;
}

} // namespace KavirelDLL

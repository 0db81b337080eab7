#include "core/Path.h"

#include "core/Containers.h"
#include "core/File.h"
#include "core/GamePaths.h"
#include "platform/Files.h"

#include <algorithm>
#include <string>
#include <vector>

namespace KavirelDLL {

// ---- CPath ----

CPath::CPath(CWindow* window) : m_window(window), m_currentPath(CFile::getCurrentDirectory()) {}

CPath::CPath(CWindow* window, CXString path) : m_window(window), m_path(path) { FillInfo(); }

void CPath::FillInfo() {
    int dot = m_path.FindLast('.');
    m_extension = dot < 0 ? m_path : m_path.Right(dot + 1);
}

bool CPath::isCD() {
    if (!m_currentPath.IsString()) return false;
    return CPlatformFiles::driveTypeOf(std::string(m_currentPath.GetBuffer())) == EDriveType::cdrom;
}

CXString CPath::SetExtension(CXString ext) {
    int dot = m_path.Find('.');
    m_path = dot < 0 ? m_path + "." : m_path.Left(dot + 1);
    m_path += ext;
    FillInfo();
    return m_path;
}

CXString CPath::GetFullPath(CXString file) { return getFullPath(m_currentPath, file); }

CXString CPath::GetFullPath(CXString folder, CXString file) {
    return getFullPath(m_currentPath, folder, file);
}

CXString CPath::resolveFileName(CXString name) { return resolveFileName(m_window, name); }

CXString CPath::getFullPath(CXString a, CXString b) {
    CXString out(a);
    if (a.IsString() && a.lastChar() != '\\') out += '\\';
    out += b;
    return out;
}

CXString CPath::getFullPath(CXString a, CXString b, CXString c) {
    CXString out(a);
    out += '\\';
    if (b.IsString()) {
        out += b;
        out += '\\';
    }
    out += c;
    return out;
}

namespace {

CXString resolveWithRoot(const CXString& name, const CXString& root) {
    char first = name.GetAt(0);
    if (first == '$' || first == '&') return root + name.Right(1);
    if (name.Find('?') < 0) return name;
    CXString folder;
    CXString file;
    int pieces = 0;
    int start = 0;
    while (start <= name.GetLength() && pieces < 2) {
        int end = name.Find('?', start);
        if (end < 0) end = name.GetLength();
        if (end > start) {
            if (pieces == 0)
                file = name.Mid(start, end);
            else {
                folder = file;
                file = name.Mid(start, end);
            }
            ++pieces;
        }
        start = end + 1;
    }
    return CPath::getFullPath(CFile::getCurrentDirectory(), folder, file);
}

} // namespace

CXString CPath::resolveFileName(CWindow*, CXString name) {
    return resolveWithRoot(name, CGamePaths::getCDPath());
}

CXString CPath::resolveFileNameEx(CWindow*, CXString name) {
    return resolveWithRoot(name, CGamePaths::rootPath);
}

// ---- CFileNameResolver ----

CFileNameResolver::CFileNameResolver(CXString fullName)
    : m_fullName(fullName), m_directories(new CXArray(101, 0.75f)) {
    if (m_fullName.IsString()) split();
}

CFileNameResolver::~CFileNameResolver() {
    for (int i = 0; i < m_directories->getSize(); ++i) delete static_cast<CXString*>(m_directories->at(i));
    delete m_directories;
}

namespace {

std::vector<CXString> splitAt(const CXString& text, char separator) {
    std::vector<CXString> pieces;
    int start = 0;
    int length = text.GetLength();
    while (start <= length) {
        int end = text.Find(separator, start);
        if (end < 0) end = length;
        if (end > start) pieces.push_back(text.Mid(start, end));
        start = end + 1;
    }
    return pieces;
}

} // namespace

void CFileNameResolver::split() {
    std::vector<CXString> pieces = splitAt(m_fullName, '\\');
    if (pieces.empty()) return;
    size_t first = 0;
    if (pieces.size() > 1 && pieces[0].lastChar() == ':') {
        m_drive = static_cast<unsigned char>(pieces[0].GetAt(0));
        first = 1;
    }
    for (size_t i = first; i + 1 < pieces.size(); ++i) m_directories->add(new CXString(pieces[i]));
    m_fileName = pieces.back();
    int cut = m_fullName.FindLast('\\');
    if (cut > 0) m_path = m_fullName.Left(cut);
    std::vector<CXString> parts = splitAt(m_fileName, '.');
    if (!parts.empty()) m_pureFileName = parts[0];
    if (parts.size() > 1) m_extension = parts[1];
}

bool CPath::makeSureDirectoryPathExists(CXString path) {
    const int last = std::max(path.FindLast('\\'), path.FindLast('/'));
    if (last < 0) return path.IsString();
    if (last == 0) return true; // the root
    const CXString folder = path.Left(last);
    return CPlatformFiles::createFolder(std::string(
               folder.GetBuffer(), static_cast<size_t>(folder.GetLength()))) == EPlatformError::none;
}

} // namespace KavirelDLL

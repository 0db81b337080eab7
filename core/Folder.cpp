#include "core/Folder.h"

#include "core/Containers.h"
#include "core/File.h"

namespace KavirelDLL {

const char* const CFolder::DATA_FOLDER = "Dane";
const char* const CFolder::WAVS_FOLDER = "WAVS";
const char* const CFolder::SFX_FOLDER = "Wavs\\Sfx";
const char* const CFolder::COMMON_FOLDER = "COMMON";

CFolder::CFolder(CWindow* window)
    : m_window(window), m_startPath(window ? CFile::getCurrentDirectory() : CFile::diskCurrentDirectory()) {
    m_currentPath = m_startPath;
}

CFolder::CFolder(CWindow* window, CXString path) : m_window(window) {
    m_previousDirectory = CFile::getCurrentDirectory();
    CFile::chDir(path);
    m_startPath = path.GetAt(0) == '\\' ? path : CFile::getCurrentDirectory();
    m_currentPath = m_startPath;
}

CFolder::~CFolder() { closeSearch(); }

void CFolder::closeSearch() {
    if (m_findHandle >= 0) CFile::findClose(m_findHandle);
    m_findHandle = -1;
}

CXString CFolder::GetFolderName(CXString pattern) {
    closeSearch();
    m_searchPattern = pattern;
    _finddata64i32_t data;
    data.attrib = FIND_FOLDER;
    m_findHandle = CFile::findFirst(pattern, &data);
    return m_findHandle < 0 ? CXString() : CXString(data.name);
}

CXString CFolder::GetFileName(CXString pattern) {
    closeSearch();
    m_searchPattern = pattern;
    _finddata64i32_t data;
    m_findHandle = CFile::findFirst(pattern, &data);
    return m_findHandle < 0 ? CXString() : CXString(data.name);
}

CXString CFolder::GetNextFileName() {
    if (m_findHandle < 0) return CXString();
    _finddata64i32_t data;
    if (CFile::findNext(m_findHandle, &data) != 0) {
        m_findHandle = -1; // the search closed itself at its end
        return CXString();
    }
    return CXString(data.name);
}

void CFolder::back() {
    if (m_previousDirectory.IsString()) CFile::chDir(m_previousDirectory);
}

void CFolder::GoStart() {
    m_currentPath = m_startPath;
    CFile::chDir(m_startPath);
}

CXString CFolder::GoUp() {
    CFile::chDir("..");
    int cut = m_currentPath.FindLast('\\');
    if (cut >= 0) m_currentPath = m_currentPath.Left(cut);
    return GetFolderType(m_currentPath);
}

CXString CFolder::GoTo(int n) {
    m_currentPath += '\\';
    CXString name = FindFolder(static_cast<unsigned char>('A' + n));
    m_lastGoTo = name;
    m_currentPath += name;
    if (name.IsString()) CFile::chDir(name);
    return GetFolderType(name);
}

CXString CFolder::FindFolder(unsigned char letter) {
    CXString pattern;
    pattern += static_cast<char>(letter);
    pattern += ".*";
    CXString name = GetFolderName(pattern);
    closeSearch();
    return name;
}

CXString CFolder::GetFolderType(const CXString& name) {
    int dot = name.FindLast('.');
    if (dot < 0) return CXString();
    CXString type = name.Right(dot + 1);
    if (type.GetAt(0) == '+' && type.GetLength() > 1) return type.Right(1);
    return type.Left(1);
}

bool CFolder::IsDirectory(CXString name) {
    _finddata64i32_t data;
    int handle = CFile::findFirst(name, &data);
    if (handle < 0) return false;
    CFile::findClose(handle);
    return (data.attrib & FIND_FOLDER) != 0;
}

int CFolder::GetSize(CXString name) {
    _finddata64i32_t data;
    int handle = CFile::findFirst(name, &data);
    if (handle < 0) return 0;
    CFile::findClose(handle);
    return data.size > 0x7FFFFFFFu ? 0x7FFFFFFF : static_cast<int>(data.size);
}

CXArray* CFolder::list(CXString pattern) {
    auto* names = new CXArray(101, 0.75f);
    _finddata64i32_t data;
    int handle = CFile::findFirst(pattern, &data);
    if (handle < 0) return names;
    do {
        names->add(new CXString(data.name));
    } while (CFile::findNext(handle, &data) == 0);
    return names;
}

void CFolder::releaseFilesList(CXArray* list) {
    if (!list) return;
    for (int i = 0; i < list->getSize(); ++i) delete static_cast<CXString*>(list->at(i));
    delete list;
}

} // namespace KavirelDLL

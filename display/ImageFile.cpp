#include "display/ImageFile.h"

#include "core/Log.h"
#include "display/Image.h"
#include "display/PSD.h"

namespace KavirelDLL {

CImageFile::CImageFile(CWindow* window) : m_window(window) {}

CImageFile::~CImageFile() { delete m_saved; }

CXString CImageFile::extensionOf(const CXString& name) {
    const int dot = name.FindLast('.');
    if (dot < 0) return CXString("");
    CXString extension = name.Right(dot + 1);
    extension.Lower();
    return extension;
}

int CImageFile::Load(CXString name) {
    const CXString extension = extensionOf(name);
    m_object = nullptr;
    m_filetype = FILETYPE_UNKNOWN;
    if (extension == "img" || extension == "jpg") {
        m_object = new CImage(m_window, name);
        m_filetype = FILETYPE_IMAGE;
    } else if (extension == "psd") {
        m_object = new CPSD(m_window, name);
        m_filetype = FILETYPE_PSD;
    } else if (extension == "ann" && s_readAnimation) {
        m_object = s_readAnimation(m_window, name);
        m_filetype = FILETYPE_ANIMATION;
    } else {
        logMessage("picture \"%s\": no reader for its extension", name.GetBuffer());
    }
    setErrorCode(m_object ? m_object->LastError() : 0);
    return m_filetype;
}

int CImageFile::Save(CGraphicsObject* g, CXString name, _compression kind) {
    const CXString extension = extensionOf(name);
    m_filetype = FILETYPE_UNKNOWN;
    if (!g) return m_filetype;
    if (extension == "img") {
        auto* image = new CImage(m_window, g);
        setErrorCode(image->Save(name, kind));
        delete m_saved;
        m_saved = image;
        m_object = image;
        m_filetype = FILETYPE_IMAGE;
    } else if (extension == "ann") {
        setErrorCode(g->Save(name, kind));
        m_object = g;
        m_filetype = FILETYPE_ANIMATION;
    } else {
        logMessage("picture \"%s\": no writer for its extension", name.GetBuffer());
    }
    return m_filetype;
}

} // namespace KavirelDLL

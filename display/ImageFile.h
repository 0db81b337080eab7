#pragma once
#include <cstdint>

#include "core/XObject.h"
#include "display/GraphicsObject.h"

namespace KavirelDLL {

class CWindow;

// Picks the class of a picture file by its extension (compared in lower case).
class CImageFile : public CXObject {
public:
    enum : int32_t { FILETYPE_UNKNOWN = 0, FILETYPE_IMAGE = 1, FILETYPE_PSD = 4, FILETYPE_ANIMATION = 5 };

    explicit CImageFile(CWindow* window);
    ~CImageFile() override;
    CImageFile(const CImageFile&) = delete;
    CImageFile& operator=(const CImageFile&) = delete;

    // "img" or "jpg" a CImage (1), "psd" a CPSD (4), "ann" an animation (5), anything else nothing (0).
    // The object made is kept for GetGraphicsObject and belongs to the caller; its error code is also
    // this object's.
    int Load(CXString name);
    // "img": a "PIK" file of g's pixels (1); "ann": g's own Save (5); anything else nothing (0). The error
    // code of the save is this object's.
    int Save(CGraphicsObject* g, CXString name, _compression kind);
    CGraphicsObject* GetGraphicsObject() const { return m_object; }
    int getFileType() const { return m_filetype; }

    // The extension after the last '.', in lower case; "" without one.
    static CXString extensionOf(const CXString& name);

    // Reads an animation file (".ann"); the animation folder supplies it once, when the library loads.
    using AnimationReader = CGraphicsObject* (*)(CWindow* window, CXString name);
    static void setAnimationReader(AnimationReader reader) { s_readAnimation = reader; }

private:
    static inline AnimationReader s_readAnimation = nullptr;

    CWindow* m_window;
    CGraphicsObject* m_object = nullptr;
    // The image Save made to write with; ours, unlike what Load hands over.
    CGraphicsObject* m_saved = nullptr;
    int32_t m_filetype = FILETYPE_UNKNOWN;
};

} // namespace KavirelDLL

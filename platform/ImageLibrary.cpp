#include "platform/ImageLibrary.h"

#include "platform/Files.h"

#include <cstring>

#include <IL/il.h>
#include <IL/ilu.h>

namespace KavirelDLL {

namespace {
int g_users = 0;
}

void CImageLibrary::start() {
    if (g_users++ > 0) return;
    ilInit();
    iluInit();
}

void CImageLibrary::stop() {
    if (g_users == 0) return;
    if (--g_users == 0) ilShutDown();
}

bool CImageLibrary::isRunning() { return g_users > 0; }

bool CImageLibrary::loadRgba(const std::string& name, std::vector<uint8_t>& rgba, int32_t& width,
                             int32_t& height, int32_t maxSide) {
    rgba.clear();
    width = height = 0;
    std::string path;
    if (!isRunning() || CPlatformFiles::resolve(name, path) != EPlatformError::none ||
        CPlatformFiles::isFolder(name))
        return false;
    ILuint image = 0;
    ilGenImages(1, &image);
    ilBindImage(image);
    bool ok = ilLoadImage(path.c_str()) && ilConvertImage(IL_RGBA, IL_UNSIGNED_BYTE);
    const ILint w = ok ? ilGetInteger(IL_IMAGE_WIDTH) : 0;
    const ILint h = ok ? ilGetInteger(IL_IMAGE_HEIGHT) : 0;
    ok = ok && w > 0 && h > 0 && w <= maxSide && h <= maxSide;
    if (ok) {
        rgba.resize(static_cast<size_t>(w) * h * 4);
        ilCopyPixels(0, 0, 0, ILuint(w), ILuint(h), 1, IL_RGBA, IL_UNSIGNED_BYTE, rgba.data());
        // Some formats keep their rows bottom up.
        if (ilGetInteger(IL_IMAGE_ORIGIN) == IL_ORIGIN_LOWER_LEFT) {
            const size_t row = static_cast<size_t>(w) * 4;
            std::vector<uint8_t> swap(row);
            for (ILint y = 0; y < h / 2; ++y) {
                uint8_t* a = rgba.data() + static_cast<size_t>(y) * row;
                uint8_t* b = rgba.data() + static_cast<size_t>(h - 1 - y) * row;
                std::memcpy(swap.data(), a, row);
                std::memcpy(a, b, row);
                std::memcpy(b, swap.data(), row);
            }
        }
        width = w;
        height = h;
    }
    ilDeleteImages(1, &image);
    // The library keeps its errors until asked; a later reader must not see these.
    for (int i = 0; i < 64 && ilGetError() != IL_NO_ERROR; ++i) {
    }
    return ok;
}

bool CImageLibrary::scale(const std::vector<uint8_t>& pixels, int32_t width, int32_t height, int channels,
                          int filter, int32_t newWidth, int32_t newHeight, std::vector<uint8_t>& out) {
    out.clear();
    if (!isRunning() || width <= 0 || height <= 0 || newWidth <= 0 || newHeight <= 0 ||
        (channels != 3 && channels != 4) ||
        pixels.size() <
            static_cast<size_t>(width) * static_cast<size_t>(height) * static_cast<size_t>(channels))
        return false;
    static const ILenum filters[] = {ILU_LINEAR,         ILU_BILINEAR,      ILU_SCALE_BOX,
                                     ILU_SCALE_TRIANGLE, ILU_SCALE_BELL,    ILU_SCALE_BSPLINE,
                                     ILU_SCALE_LANCZOS3, ILU_SCALE_MITCHELL};
    const ILenum chosen = filters[filter < 1 ? 0 : filter > 8 ? 7 : filter - 1];
    ILuint image = 0;
    ilGenImages(1, &image);
    ilBindImage(image);
    const ILenum format = channels == 4 ? IL_BGRA : IL_BGR;
    bool ok = ilTexImage(ILuint(width), ILuint(height), 1, ILubyte(channels), format, IL_UNSIGNED_BYTE,
                         const_cast<uint8_t*>(pixels.data())) == IL_TRUE;
    if (ok) {
        iluImageParameter(ILU_FILTER, chosen);
        ok = iluScale(ILuint(newWidth), ILuint(newHeight), 1) == IL_TRUE &&
             ilGetInteger(IL_IMAGE_WIDTH) == newWidth && ilGetInteger(IL_IMAGE_HEIGHT) == newHeight;
    }
    if (ok) {
        out.resize(static_cast<size_t>(newWidth) * static_cast<size_t>(newHeight) *
                   static_cast<size_t>(channels));
        ilCopyPixels(0, 0, 0, ILuint(newWidth), ILuint(newHeight), 1, format, IL_UNSIGNED_BYTE, out.data());
    }
    ilDeleteImages(1, &image);
    return ok;
}

} // namespace KavirelDLL

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

} // namespace KavirelDLL

#include "display/Printer.h"

#include <algorithm>
#include <string>

#include "core/Log.h"
#include "display/Surface.h"
#include "display/Window.h"
#include "platform/Display.h"
#include "platform/Print.h"

namespace KavirelDLL {

namespace {

void put16(std::vector<uint8_t>& out, uint32_t v) {
    out.push_back(uint8_t(v));
    out.push_back(uint8_t(v >> 8));
}

void put32(std::vector<uint8_t>& out, uint32_t v) {
    put16(out, v & 0xFFFF);
    put16(out, v >> 16);
}

} // namespace

CPrinter::CPrinter(CWindow* window, CXRect rect) : m_window(window) { print(rect); }

std::vector<uint8_t> CPrinter::_init24bitdibsection(int width, int height, const std::vector<uint8_t>& rgb) {
    std::vector<uint8_t> out;
    if (width <= 0 || height <= 0 || rgb.size() < size_t(width) * size_t(height) * 3) return out;
    const uint32_t row = (uint32_t(width) * 3 + 3) & ~3u;
    const uint32_t pixels = row * uint32_t(height);
    out.reserve(54 + pixels);
    out.push_back('B');
    out.push_back('M');
    put32(out, 54 + pixels);
    put32(out, 0);
    put32(out, 54);
    put32(out, 40);
    put32(out, uint32_t(width));
    put32(out, uint32_t(height));
    put16(out, 1);
    put16(out, 24);
    put32(out, 0); // no compression
    put32(out, pixels);
    put32(out, 1000);
    put32(out, 1000);
    put32(out, 0);
    put32(out, 0);
    for (int y = height - 1; y >= 0; --y) {
        const uint8_t* src = &rgb[size_t(y) * size_t(width) * 3];
        for (int x = 0; x < width; ++x) {
            out.push_back(src[x * 3 + 2]);
            out.push_back(src[x * 3 + 1]);
            out.push_back(src[x * 3]);
        }
        for (uint32_t pad = uint32_t(width) * 3; pad < row; ++pad) out.push_back(0);
    }
    return out;
}

bool CPrinter::GetImageBitmap(CXRect rect, CImage* image) {
    if (!m_window || !image) return false;
    CSurface* surface = m_window->GetSurface();
    CDisplay* display = surface ? surface->getDisplay() : nullptr;
    if (!display || !display->isOpen()) return false;
    m_window->Invalidate();
    m_window->Redraw(true);
    const int sw = display->width(), sh = display->height();
    CXRect r(std::max(0, rect.left), std::max(0, rect.top), std::min(sw, rect.right),
             std::min(sh, rect.bottom));
    if (r.right <= r.left || r.bottom <= r.top) return false;
    std::vector<uint8_t> frame = display->readFrameRgb();
    if (frame.size() < size_t(sw) * size_t(sh) * 3) return false;
    image->width = r.Width();
    image->height = r.Height();
    image->rgb.resize(size_t(image->width) * size_t(image->height) * 3);
    for (int y = 0; y < image->height; ++y)
        std::copy_n(&frame[(size_t(r.top + y) * sw + r.left) * 3], size_t(image->width) * 3,
                    &image->rgb[size_t(y) * image->width * 3]);
    return true;
}

bool CPrinter::print(CXRect rect) {
    m_keptPath.clear();
    CImage image;
    if (!GetImageBitmap(rect, &image)) {
        logMessage("print: nothing of the screen to print");
        return false;
    }
    std::string message;
    EPrintResult result = CPlatformPrint::printPicture(
        _init24bitdibsection(image.width, image.height, image.rgb), "DocPrint", m_keptPath, message);
    logMessage("print: %s", message.c_str());
    return result != EPrintResult::Failed;
}

} // namespace KavirelDLL

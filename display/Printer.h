#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "core/Geometry.h"
#include "core/XObject.h"

namespace KavirelDLL {

class CWindow;

// Prints a part of the window's image: the picture goes to the system's print command in landscape, or, when
// there is none, is kept as an image file in the user's data folder (the log says where).
class CPrinter : public CXObject {
public:
    // A picture of 8-bit red, green and blue triples, rows top down.
    struct CImage {
        int32_t width = 0;
        int32_t height = 0;
        std::vector<uint8_t> rgb;
    };

    // Prints the rectangle at once.
    CPrinter(CWindow* window, CXRect rect);

    // False when nothing could be printed or kept.
    bool print(CXRect rect);
    // The window's image inside the rectangle (cut to the screen), drawn again in full first; false when
    // there is nothing to take.
    bool GetImageBitmap(CXRect rect, CImage* image);
    // A 24-bit BMP file of the picture: file header, a 40-byte information header (one plane, 24 bits, 1000
    // pixels per metre both ways) and rows bottom up, padded to four bytes.
    static std::vector<uint8_t> _init24bitdibsection(int width, int height, const std::vector<uint8_t>& rgb);

    // The file that was kept on the last print (native path), empty when the picture was printed.
    const std::string& getKeptPath() const { return m_keptPath; }

private:
    CWindow* m_window;
    std::string m_keptPath;
};

} // namespace KavirelDLL

// Image files ("PIK", "NVI" and the headerless legacy layout, packed every way they can be) read into a
// window of 16-bit pixels, then drawn once run-length data are unpacked.
#include "display/Image.h"
#include "core/File.h"
#include "fuzz/FuzzSupport.h"
#include "harness/ImageFiles.h"

using namespace KavirelDLL;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static KavirelTest::ImageWindow window;
    CFile file;
    if (file.OpenDirect(KavirelFuzz::writeScratch("PICTURE.IMG", data, size),
                        CFile::MODE_READ | CFile::MODE_BINARY))
        return 0;
    CImage image(&window);
    if (image.Load(&file) != 0) return 0;
    CGraphicsObject target(&window, CXSize(64, 64), 16);
    image.redraw(&target);
    image.testHit(CXPoint(1, 1), false);
    return 0;
}

// Image files ("PIK", "NVI" and the headerless legacy layout, packed every way they can be) read into a
// window of 16-bit pixels, then drawn once run-length data are unpacked.
#include "display/Image.h"
#include "fuzz/FuzzSupport.h"

using namespace KavirelDLL;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::unique_ptr<CImage> image = KavirelFuzz::loadPicture<CImage>("PICTURE.IMG", data, size);
    if (!image) return 0;
    CGraphicsObject target(KavirelFuzz::pictureWindow(), CXSize(64, 64), 16);
    image->redraw(&target);
    image->testHit(CXPoint(1, 1), false);
    return 0;
}

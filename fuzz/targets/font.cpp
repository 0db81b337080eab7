// Bitmap fonts: the first byte chooses an FNT file read (then every byte drawn and measured after every
// other, recoloured and written again) or a font made of an animation file by create.
#include <vector>

#include "fuzz/FuzzSupport.h"
#include "media/text/SimpleFont6.h"

using namespace KavirelDLL;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    KavirelFuzz::CFuzzInput input(data, size);
    CSimpleFont6 font(KavirelFuzz::pictureWindow());
    if (input.byte() % 2 == 1) {
        const CXString animation = KavirelFuzz::writeScratch("FONT.ANN", input.rest(), input.restSize());
        font.create(animation, KavirelFuzz::writeScratch("FONT.FNT", "", 0));
    } else {
        CFile file;
        if (!KavirelFuzz::openScratch(file, "FONT.FNT", input.rest(), input.restSize())) return 0;
        if (font.Load(&file) != 0) return 0;
    }
    CGraphicsObject target(KavirelFuzz::pictureWindow(), CXSize(64, 16), 16);
    font.SetDestiny(&target);
    font.setColor(0x7BEF);
    int x = -8;
    for (int c = 0; c < 256; ++c) {
        font.getLetterWidth(char(c - 1), char(c));
        x = (x + font.drawLetter(x, 0, char(c - 1), char(c))) % 64;
    }
    font.SetClippingRect('a', CXRect(1, 1, 3, 3));
    font.drawLetter(4, 2, 0, 'a');
    std::vector<uint8_t> bytes;
    font.save(bytes);
    return 0;
}

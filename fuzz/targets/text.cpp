// Texts with format codes: the input is a text (after a few choice bytes) set into a one-line or multi-line
// text in a font collection of two styles or in one font, then drawn whole and clipped, measured, recoloured
// word by word and searched.
#include <memory>

#include "fuzz/FuzzSupport.h"
#include "harness/FontFiles.h"
#include "media/controls/Unit6.h"
#include "media/text/MultilineText6.h"
#include "media/text/SimpleFont6.h"

using namespace KavirelDLL;

namespace {

std::unique_ptr<CSimpleFont6> font(const char* name, const char* style, int left) {
    using namespace KavirelTest;
    FntFont f;
    for (int c = 0x21; c < 0x100; c += 7) f.glyphs.push_back(blockGlyph(uint8_t(c), 6, 8, left, 1));
    f.glyphs.push_back(blockGlyph('l', 6, 8, left, 1));
    f.kerning[{'l', 'l'}] = 2;
    const std::string bytes = fntBytes(f);
    auto made = std::make_unique<CSimpleFont6>(KavirelFuzz::pictureWindow(),
                                               KavirelFuzz::writeScratch(name, bytes.data(), bytes.size()));
    made->setFamily("F");
    made->setStyle(style);
    return made;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static std::unique_ptr<CSimpleFont6> regular = font("REGULAR.FNT", "STANDARD", 1);
    static std::unique_ptr<CSimpleFont6> bold = font("BOLD.FNT", "BOLD", 0);
    static std::unique_ptr<CFontCollection> fonts = [] {
        auto collection = std::make_unique<CFontCollection>(KavirelFuzz::pictureWindow());
        collection->addFont(regular.get());
        collection->addFont(bold.get());
        return collection;
    }();
    static CUnit6 unit(nullptr, CXString("FUZZ"));

    KavirelFuzz::CFuzzInput input(data, size);
    const uint8_t kind = input.byte();
    const int width = input.byte();
    const int clip = input.byte();
    std::unique_ptr<CText6> text;
    if (kind & 1)
        text = std::make_unique<CMultilineText6>(KavirelFuzz::pictureWindow(), true, &unit);
    else
        text = std::make_unique<CText6>(KavirelFuzz::pictureWindow(), true, nullptr);
    CGraphicsObject target(KavirelFuzz::pictureWindow(), CXSize(64, 48), 16);
    text->SetDestiny(&target);
    text->setFont(kind & 2 ? static_cast<CSimpleFont6*>(regular.get()) : fonts.get());
    text->setJustify(CXRect(-4, 2, width - 4, 40), _justify(kind >> 2 & 3), _justify(3 + (kind >> 4 & 1)));
    text->setText(CXString(input.restText().c_str()));
    text->Redraw();
    text->SetClippingRect(CXRect(clip & 15, clip >> 4, 40, 30));
    text->Redraw();
    for (int i = -1; i <= text->getNumWords() && i < 64; ++i) {
        text->setWordColor(i, 0x07E0);
        text->getWordAt(i);
        text->getWordPosition(i);
        text->getWordWidth(i);
    }
    text->getWordAtXY(CXPoint(clip, clip >> 2));
    text->search(text->getWordAt(1), 0);
    text->setColor(0x001F);
    text->Move(3, 1);
    text->setFont(kind & 2 ? static_cast<CSimpleFont6*>(fonts.get()) : regular.get());
    text->Redraw();
    return 0;
}

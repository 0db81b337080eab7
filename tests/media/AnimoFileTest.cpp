#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <memory>

#include "core/File.h"
#include "core/Log.h"
#include "media/AnimoFixtures.h"

using namespace KavirelDLL;
using namespace KavirelTest;

namespace {

class AnimoFileTest : public GameFolderTest {
protected:
    std::unique_ptr<CAnimo> load(const std::string& bytes, const char* name = "A.ANN") {
        put(name, bytes);
        return std::make_unique<CAnimo>(&window, CXString(name));
    }
    static uint16_t pixel(CGraphicsObject* g, int i) {
        return reinterpret_cast<uint16_t*>(g->GetDataPtr())[i];
    }

    CLogCapture log;
    ImageWindow window{16};
};

AnnEvent walk() {
    AnnEvent e;
    e.name = "walk";
    e.loopStart = 1;
    e.loopEnd = 1;
    e.loopCount = 3;
    e.fps = 12;
    e.flags = 0x20000;
    e.opacity = 200;
    AnnFrame a;
    a.image = 1;
    a.dx = -3;
    a.dy = 4;
    a.name = "step";
    a.sound = "tap.wav";
    AnnFrame b;
    b.image = 0;
    b.opacity = 90;
    b.params = true;
    b.p[0] = 0.5f;
    b.p[1] = 2.0f;
    b.p[2] = 3.0f;
    e.frames = {a, b};
    return e;
}

std::vector<AnnImage> twoImages() {
    AnnImage a;
    a.w = 2;
    a.h = 2;
    a.x = 5;
    a.y = 6;
    a.data = fill16(2, 2, 0x1234);
    a.alpha = std::string(4, '\x80');
    AnnImage b;
    b.w = 3;
    b.h = 1;
    b.data = fill16(3, 1, 0xF800);
    return {a, b};
}

} // namespace

// The current layout: header fields, events with their records and variable parts, and both image headers.
TEST_F(AnimoFileTest, CurrentLayoutReadsEveryField) {
    AnnEvent empty;
    empty.name = "idle";
    for (const char* magic : {"NVP", "NV+", "NVI"}) {
        auto a = load(
            nvFile(magic, 16, {empty, walk()}, twoImages(), 0x4000000 | 0x800000 | 0x03, 20, "Me", "Text"));
        ASSERT_EQ(a->LastError(), 0) << magic;
        EXPECT_TRUE(a->isLoaded());
        EXPECT_EQ(a->GetNOF(), 2);
        EXPECT_EQ(a->GetNOE(), 2);
        EXPECT_EQ(a->GetFPS(), 20);
        EXPECT_EQ(a->GetFlags(), 3);
        EXPECT_EQ(a->GetAnimoFlags(), magic[2] == 'I' ? 0x800000u : 0xA00000u) << "bits 24-31 are dropped";
        EXPECT_EQ(a->RandomFramesNumber(), 7);
        EXPECT_EQ(std::string(a->getAuthor().GetBuffer()), "Me");
        EXPECT_EQ(std::string(a->getDescription().GetBuffer()), "Text");
        EXPECT_EQ(a->GetNOFInEvent(0), 0);
        EXPECT_EQ(a->GetNOFInEvent(CXString("WALK")), 2);
        _animoEvent* e = a->GetEventInfo(1);
        EXPECT_EQ(e->loopStart, 1);
        EXPECT_EQ(e->loopCount, 3);
        EXPECT_EQ(e->fps, 12u);
        EXPECT_EQ(e->flags, 0x20000u);
        EXPECT_EQ(e->opacity, 200);
        _animoFrame* f = a->GetFrameInfo(1, 0);
        ASSERT_NE(f, nullptr);
        EXPECT_EQ(f->x, -3);
        EXPECT_EQ(std::string(f->name.GetBuffer()), "step");
        EXPECT_EQ(std::string(f->sound.GetBuffer()), "tap.wav");
        EXPECT_EQ(a->GetFrameNo(1, CXString("step")), 0);
        _animoFrame* g = a->GetFrameInfo(1, 1);
        EXPECT_FLOAT_EQ(g->params[1], 2.0f);
        EXPECT_FLOAT_EQ(g->params[2], 3.0f);
        EXPECT_EQ(a->GetFrame(0)->GetChannelSize(3), 4);
        EXPECT_EQ(a->GetFrame(1)->Width(), 3);
        // The first event with frames shows at once: image 1 at its position plus the record's offset.
        EXPECT_EQ(a->GetCurrentEvent(), 1);
        EXPECT_EQ(a->Current(), 1);
        EXPECT_EQ(a->GetPosition(), CXPoint(-3, 4));
        EXPECT_EQ(pixel(a.get(), 2), 0xF800);
    }
    EXPECT_TRUE(log.contains("Loading file A.ANN..."));
    EXPECT_TRUE(log.contains(" - Succesfull."));
}

// Codes 1, 2, 3, 4 and 5 of the current layout are decoded (or checked) at load; code 4 stays packed.
TEST_F(AnimoFileTest, CurrentLayoutDecodesItsCodes) {
    const std::string raw = fill16(4, 2, 0x07E0), alpha(8, '\x40');
    AnnImage stored{4, 2, 0, 0, 1, raw, alpha};
    auto asStored = load(nvFile("NVP", 16, {}, {stored}));
    ASSERT_EQ(asStored->LastError(), 0);
    EXPECT_EQ(asStored->GetFrame(0)->GetCompression(), COMPRESSION_NONE);
    EXPECT_EQ(uint8_t(asStored->GetFrame(0)->GetChannelAlpha()[7]), 0x40);
    AnnImage lz{4, 2, 0, 0, 2, lzo(raw), lzo(alpha)};
    AnnImage lzRle{4, 2, 0, 0, 3, lzo(rle16(raw)), lzo(rle8(alpha))};
    AnnImage rle{4, 2, 0, 0, 4, rle16(raw), rle8(alpha)};
    const uint8_t red[3] = {255, 0, 0};
    AnnImage jpeg{16, 16, 0, 0, 5, twoColourJpeg(red, red), lzo(std::string(256, '\x7F'))};
    AnnEvent e;
    e.name = "e";
    e.frames = {shows(0), shows(1), shows(2), shows(3)};
    auto a = load(nvFile("NVP", 16, {e}, {lz, lzRle, rle, jpeg}));
    ASSERT_EQ(a->LastError(), 0);
    EXPECT_EQ(a->GetFrame(0)->GetCompression(), COMPRESSION_NONE);
    EXPECT_EQ(pixel(a->GetFrame(0), 7), 0x07E0);
    EXPECT_EQ(uint8_t(a->GetFrame(0)->GetChannelAlpha()[7]), 0x40);
    EXPECT_EQ(a->GetFrame(1)->GetCompression(), COMPRESSION_RLE);
    EXPECT_EQ(a->GetFrame(2)->GetCompression(), COMPRESSION_RLE);
    EXPECT_EQ(a->GetFrame(3)->GetCompression(), COMPRESSION_NONE);
    EXPECT_EQ(uint8_t(a->GetFrame(3)->GetChannelAlpha()[255]), 0x7F);
    EXPECT_GT(pixel(a->GetFrame(3), 0) & 0xF800, 0xE000);

    // Packed data that do not decode to the image's size are damage.
    AnnImage shortLz{4, 3, 0, 0, 2, lzo(raw), ""};
    AnnImage shortRle{4, 3, 0, 0, 4, rle16(raw), ""};
    for (const AnnImage& bad : {shortLz, shortRle}) {
        auto b = load(nvFile("NVP", 16, {e}, {bad}));
        EXPECT_EQ(b->LastError(), ERR_FILE_DAMAGED);
        EXPECT_EQ(b->GetNOF(), 0);
        EXPECT_FALSE(b->isLoaded());
    }
}

// Limits: negative counts, more than 4 size entries, a parameter block that is not 20 bytes, raw pixels
// that do not fill the picture.
TEST_F(AnimoFileTest, CurrentLayoutRefusesWhatBreaksItsLimits) {
    AnnEvent e = walk();
    std::string good = nvFile("NVP", 16, {e}, twoImages());
    ASSERT_EQ(load(good)->LastError(), 0);

    std::string negative = good;
    negative[5] = '\xFF'; // image count -something
    std::string entries = nvFile("NVP", 16, {}, {AnnImage{1, 1, 0, 0, 0, fill16(1, 1, 1), "", 5}});
    std::string params = good;
    const size_t at = params.find(std::string("\x14\0\0\0", 4));
    ASSERT_NE(at, std::string::npos);
    params[at] = 16;
    std::string thin = nvFile("NVP", 16, {}, {AnnImage{2, 2, 0, 0, 0, fill16(2, 1, 1), ""}});
    // Stored pixels (code 0 or 1) with an alpha plane shorter than the picture.
    std::string thinAlpha = nvFile("NVP", 16, {}, {AnnImage{2, 2, 0, 0, 0, fill16(2, 2, 1), "abc"}});
    std::string thinAlpha1 = nvFile("NVP", 16, {}, {AnnImage{2, 2, 0, 0, 1, fill16(2, 2, 1), "abc"}});
    for (const std::string& bad : {negative, entries, params, thin, thinAlpha, thinAlpha1}) {
        auto a = load(bad);
        EXPECT_EQ(a->LastError(), ERR_FILE_DAMAGED);
        EXPECT_EQ(a->GetNOF(), 0);
        EXPECT_EQ(a->GetNOE(), 0);
    }
    EXPECT_TRUE(log.contains("A.ANN"));
}

// Every layout cut at every byte is damage, never a crash; so is every length set past the end.
TEST_F(AnimoFileTest, TruncatedAndOverlongFilesAreDamaged) {
    AnnImage pik{2, 1, 0, 0, 0, fill16(2, 1, 3), std::string(2, 'a')};
    AnnEvent pe;
    pe.name = "p";
    pe.loopEnd = 1;
    pe.frames = {shows(0)};
    Bytes chunks;
    chunks.raw("EXT").le32(0).le32(2).raw("au").le32(1).raw("d").raw("SEQ").le32(1).le32(0).raw("POS").zeros(
        33);
    const std::vector<std::string> files = {nvFile("NVP", 16, {walk()}, twoImages()),
                                            nvFile("NV+", 16, {walk()}, twoImages()),
                                            nvFile("NVI", 16, {walk()}, twoImages()),
                                            pakFile({pe}, {pik}),
                                            pakFile({}, {pik}),
                                            picFile("PIK", {pik}, chunks.s),
                                            picFile("PI2", {pik}),
                                            picFile("PI3", {pik}),
                                            std::string("ZZZ\0\2\0\4\0\0\0\0\0", 12)};
    // Where each file keeps a count or length that, set huge, lies past the end: the image and event counts
    // and the author and description lengths; "PAK"'s event count; the "EXT" lengths and "SEQ" count; a
    // picture-list image's data size.
    const std::vector<std::vector<size_t>> lengths = {
        {4, 8, 44, 49}, {4, 8, 44, 49}, {4, 8, 44, 49}, {392}, {392}, {19, 25, 33}, {28}, {28}, {}};
    for (size_t f = 0; f < files.size(); ++f) {
        ASSERT_EQ(load(files[f])->LastError(), 0) << f;
        for (size_t cut = 0; cut < files[f].size(); ++cut) {
            auto a = load(files[f].substr(0, cut));
            ASSERT_EQ(a->LastError(), ERR_FILE_DAMAGED) << "file " << f << " cut at " << cut;
            EXPECT_EQ(a->GetNOF(), 0);
        }
        // Any 4 bytes read as a huge length or count.
        for (size_t at = 4; at + 4 <= files[f].size(); ++at) {
            std::string bad = files[f];
            std::memcpy(bad.data() + at, "\xF0\xFF\xFF\x7F", 4);
            auto a = load(bad);
            const auto& known = lengths[f];
            if (std::find(known.begin(), known.end(), at) != known.end())
                EXPECT_EQ(a->LastError(), ERR_FILE_DAMAGED) << f << " at " << at;
            else
                EXPECT_TRUE(a->LastError() == 0 || a->LastError() == ERR_FILE_DAMAGED) << f << " at " << at;
        }
    }
    log.clear();
    auto missing = std::make_unique<CAnimo>(&window, CXString("NONE.ANN"));
    EXPECT_EQ(missing->LastError(), ERR_FILE_NOT_FOUND);
    EXPECT_TRUE(log.contains(" - Failed."));
}

// "PAK": no events gives the standard ones; a stored loop point is both loop start and end.
TEST_F(AnimoFileTest, PackLayout) {
    AnnImage im{2, 1, 1, 2, 0, fill16(2, 1, 0x001F), ""};
    auto a = load(pakFile({}, {im, im}, 15));
    ASSERT_EQ(a->LastError(), 0);
    EXPECT_EQ(a->GetNOE(), 3);
    EXPECT_EQ(std::string(a->getAuthor().GetBuffer()), "Pak author");
    EXPECT_EQ(std::string(a->GetEventName(2).GetBuffer()), "standard");
    EXPECT_EQ(a->GetFrame(0)->GetBpp(), 16) << "converted to the screen's depth";

    AnnEvent e;
    e.name = "jump";
    e.loopEnd = 1;
    e.loopCount = 2;
    AnnFrame f = shows(1, 4, 5);
    e.frames = {shows(0), f};
    auto b = load(pakFile({e}, {im, im}));
    ASSERT_EQ(b->LastError(), 0);
    ASSERT_EQ(b->GetNOE(), 1);
    EXPECT_EQ(b->GetEventInfo(0)->loopStart, 1);
    EXPECT_EQ(b->GetEventInfo(0)->loopEnd, 1);
    EXPECT_EQ(b->GetEventInfo(0)->fps, 15u);
    EXPECT_EQ(b->GetFrameInfo(0, 1)->x, 4);
    std::string negative = pakFile({}, {im});
    negative[393] = '\xFF';
    EXPECT_EQ(load(negative)->LastError(), ERR_FILE_DAMAGED);
}

// Picture lists: the standard events (the third reversed), the chunks, and files of no generation.
TEST_F(AnimoFileTest, PictureListLayouts) {
    AnnImage a{1, 1, 3, 4, 0, fill16(1, 1, 0x1111), ""}, b{1, 1, 0, 0, 0, fill16(1, 1, 0x2222), "\xFF"};
    auto plain = load(picFile("PIK", {a, b}));
    ASSERT_EQ(plain->LastError(), 0);
    ASSERT_EQ(plain->GetNOE(), 3);
    EXPECT_EQ(plain->GetEventInfo(0)->images, (std::vector<uint16_t>{0, 1}));
    EXPECT_EQ(plain->GetEventInfo(2)->images, (std::vector<uint16_t>{1, 0}));
    EXPECT_EQ(plain->GetFrame(0)->GetFramePosition(), CXPoint(3, 4));
    EXPECT_EQ(plain->GetFrameInfo(0, 0), nullptr);
    // Without frame records an animation turns about its image's own position.
    CAnimo6 turned(&window, CXString("A.ANN"));
    EXPECT_EQ(turned.rotateRZ(0.0f), CXPoint(0, 0));
    EXPECT_EQ(turned.GetPosition(), CXPoint(3, 4));
    // A file of another layout takes none of the flags and rate of the one read before.
    put("B.ANN", nvFile("NVP", 16, {walk()}, twoImages(), 0x40000 | 0x400000, 3));
    ASSERT_EQ(turned.Load(CXString("B.ANN")), 0);
    ASSERT_EQ(turned.GetFPS(), 3);
    ASSERT_EQ(turned.Load(CXString("A.ANN")), 0);
    EXPECT_EQ(turned.GetAnimoFlags(), 0u);
    EXPECT_EQ(turned.GetFPS(), 15);

    Bytes chunks;
    std::string longText(300, 'x');
    chunks.raw("EXT").le32(0).le32(300).raw(longText).le32(0);
    chunks.raw("SEQ").le32(0x10001).le32(0).raw("POS").le32(7).le32(-2).u8(33).zeros(24);
    auto withChunks = load(picFile("PIK", {a, b}, chunks.s));
    ASSERT_EQ(withChunks->LastError(), 0);
    EXPECT_EQ(withChunks->getAuthor().GetLength(), 256) << "an EXT text is cut at 256 bytes";
    EXPECT_EQ(std::string(withChunks->getDescription().GetBuffer()), "") << "a length of 0 leaves it";
    ASSERT_NE(withChunks->GetFrameInfo(0, 0), nullptr);
    EXPECT_EQ(withChunks->GetFrameInfo(0, 0)->x, 7);
    EXPECT_EQ(withChunks->GetFrameInfo(0, 0)->y, -2);
    EXPECT_EQ(withChunks->GetFrameInfo(0, 0)->opacity, 33);
    EXPECT_EQ(withChunks->GetFrameInfo(0, 1), nullptr);
    EXPECT_EQ(withChunks->GetFrameInfo(1, 0), nullptr);

    Bytes posOnly;
    posOnly.raw("POS");
    auto noSeq = load(picFile("PIK", {a}, posOnly.s));
    ASSERT_EQ(noSeq->LastError(), 0);
    EXPECT_EQ(noSeq->GetFrameInfo(0, 0), nullptr);

    // "PI2" data are drawn as stored when they fill the picture; "PI3" data are LZO blocks.
    AnnImage packed{2, 1, 0, 0, 0, lzo(fill16(2, 1, 0x0F0F)), ""};
    auto pi3 = load(picFile("PI3", {packed}));
    ASSERT_EQ(pi3->LastError(), 0);
    EXPECT_EQ(pi3->GetFrame(0)->GetCompression(), COMPRESSION_LZO) << "decoded when first drawn";
    EXPECT_TRUE(pi3->GetFrame(0)->decodeNow());
    EXPECT_EQ(pixel(pi3->GetFrame(0), 1), 0x0F0F);
    auto pi2 = load(picFile("PI2", {a}));
    ASSERT_EQ(pi2->LastError(), 0);
    EXPECT_EQ(int(pi2->GetFrame(0)->GetCompression()), 1);
    EXPECT_TRUE(pi2->GetFrame(0)->decodeNow());
    AnnImage thin{2, 2, 0, 0, 0, fill16(1, 1, 1), ""};
    auto pi2Thin = load(picFile("PI2", {thin}));
    EXPECT_FALSE(pi2Thin->GetFrame(0)->decodeNow());
    AnnImage thinAlpha{2, 2, 0, 0, 0, fill16(2, 2, 1), "abc"};
    auto pi2ThinAlpha = load(picFile("PI2", {thinAlpha}));
    ASSERT_EQ(pi2ThinAlpha->LastError(), 0) << "checked when first drawn";
    EXPECT_FALSE(pi2ThinAlpha->GetFrame(0)->decodeNow());
    std::vector<uint8_t> kept;
    ASSERT_TRUE(pi2ThinAlpha->save3(kept, COMPRESSION_NONE)) << "saved as stored, never read past its plane";
    EXPECT_EQ(std::string(kept.end() - 3, kept.end()), "abc");

    // Any other magic: empty images as offset 4 counts them (a negative count is none), standard events.
    Bytes other;
    other.raw("ZZZ").u8(0).le16(2).le16(4).zeros(4);
    auto unknown = load(other.s);
    EXPECT_EQ(unknown->LastError(), 0);
    EXPECT_EQ(unknown->GetNOF(), 2);
    EXPECT_EQ(unknown->GetNOE(), 3);
    Bytes negative;
    negative.raw("ZZZ").u8(0).le16(-5).le16(4).zeros(4);
    auto none = load(negative.s);
    EXPECT_EQ(none->LastError(), 0);
    EXPECT_EQ(none->GetNOF(), 0);
}

// The writer: "NVP", the default author of 14 bytes, names with their terminators, the parameter block,
// run-length images under code 4 and code-2 data kept as they are; what it writes reads back the same.
TEST_F(AnimoFileTest, SaveWritesTheCurrentLayout) {
    AnnEvent e = walk();
    AnnImage packed{2, 1, 0, 0, 2, lzo(fill16(2, 1, 0x5555)), ""};
    put("SRC.ANN", picFile("PI3", {packed}));
    CAnimo kept(&window, CXString("SRC.ANN"));
    ASSERT_EQ(kept.LastError(), 0);
    std::vector<uint8_t> bytes;
    ASSERT_TRUE(kept.save3(bytes, 4));
    const std::string s(bytes.begin(), bytes.end());
    EXPECT_EQ(s.substr(0, 4), std::string("NVP\0", 4));
    EXPECT_EQ(s.substr(44, 4), std::string("\x0E\0\0\0", 4));
    EXPECT_EQ(s.substr(48, 14), "Edo Vantrelski");
    EXPECT_EQ(s.substr(62, 4), std::string(4, '\0')) << "empty description";
    const std::string lz = lzo(fill16(2, 1, 0x5555));
    EXPECT_EQ(s.substr(s.size() - lz.size()), lz);
    EXPECT_EQ(s[s.size() - lz.size() - 52 + 8], 2) << "code 2 kept";

    auto a = load(nvFile("NVP", 16, {e}, twoImages()));
    ASSERT_EQ(a->LastError(), 0);
    a->setAuthor(CXString(""));
    ASSERT_EQ(a->Save(CXString(root("/OUT.ANN").c_str()), COMPRESSION_RLE), 0);
    const std::string out = read("OUT.ANN");
    EXPECT_NE(out.find(std::string("\x05\0\0\0step\0", 9)), std::string::npos);
    EXPECT_NE(out.find(std::string("\x08\0\0\0tap.wav\0", 12)), std::string::npos);
    EXPECT_NE(out.find(std::string("\x14\0\0\0", 4) + floatBytes(0.5f) + floatBytes(2.0f) + floatBytes(3.0f)),
              std::string::npos);
    auto back = load(out, "OUT.ANN");
    ASSERT_EQ(back->LastError(), 0);
    EXPECT_EQ(back->GetFrame(0)->GetCompression(), COMPRESSION_RLE);
    EXPECT_EQ(back->GetFrame(0)->GetChannelSize(3), a->GetFrame(0)->GetChannelSize(3));
    EXPECT_FLOAT_EQ(back->GetFrameInfo(0, 1)->params[2], 3.0f);
    EXPECT_EQ(back->GetFrameInfo(0, 0)->y, 4);
    EXPECT_EQ(std::string(back->getAuthor().GetBuffer()), "");
    EXPECT_EQ(back->GetAnimoFlags(), a->GetAnimoFlags() | 0x200000u);
    back->GetFrame(0)->DeCompressRLE2();
    EXPECT_EQ(pixel(back->GetFrame(0), 3), 0x1234);

    // A draw converts the image it draws; the file still gets one depth for all of them.
    const AnnImage red{1, 1, 0, 0, 0, fill16(1, 1, 0x7C00), ""};
    AnnEvent both;
    both.name = "both";
    both.frames = {shows(0), shows(1)};
    auto fifteen = load(nvFile("NVP", 15, {both}, {red, red}));
    ASSERT_EQ(fifteen->LastError(), 0);
    CGraphicsObject target(nullptr, CXSize(2, 2), 16);
    fifteen->redraw(&target);
    std::vector<uint8_t> mixed;
    ASSERT_TRUE(fifteen->save3(mixed, COMPRESSION_NONE));
    auto reread = load(std::string(mixed.begin(), mixed.end()), "RED.ANN");
    ASSERT_EQ(reread->LastError(), 0);
    const uint16_t redThere = reread->GetBpp() == 16 ? 0xF800 : 0x7C00;
    EXPECT_EQ(pixel(reread->GetFrame(0), 0), redThere);
    EXPECT_EQ(pixel(reread->GetFrame(1), 0), redThere);

    EXPECT_EQ(a->Save(CXString(root("/missing/OUT.ANN").c_str()), COMPRESSION_NONE), ERR_FILE_WRITE);
    CFile header(&window, CXString(root("/HEAD.PI").c_str()), CFile::MODE_BINARY);
    EXPECT_EQ(a->Save(&header, static_cast<_compression>(1)), 0);
    header.Close();
    EXPECT_EQ(read("HEAD.PI"), std::string("PI2\0\x02\0\x04\0\0\0\0\0", 12));
}

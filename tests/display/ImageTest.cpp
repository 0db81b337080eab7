#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "ImageFixtures.h"
#include "core/BigFile.h"
#include "core/Compression.h"
#include "core/Elements.h"
#include "core/Log.h"
#include "display/Image.h"
#include "display/ImageFile.h"
#include "display/Jpeg.h"
#include "display/ResourcesManager.h"
#include "media/anim/Animo.h"

using namespace KavirelDLL;
using namespace KavirelTest;

namespace {

class ImageTest : public GameFolderTest {
protected:
    std::unique_ptr<CImage> load(const std::string& name) {
        return std::make_unique<CImage>(&window, CXString(name.c_str()));
    }
    static std::vector<uint16_t> pixelsOf(CImage& image) {
        auto* p = reinterpret_cast<uint16_t*>(image.GetDataPtr());
        return p ? std::vector<uint16_t>(p, p + image.Width() * image.Height()) : std::vector<uint16_t>();
    }
    static std::string alphaOf(CImage& image) {
        const char* a = image.GetChannelAlpha();
        return a ? std::string(a, size_t(image.Width() * image.Height())) : std::string();
    }
    // Every shorter copy of a good file fails cleanly.
    void expectEveryTruncationFails(const std::string& good, const std::string& name, size_t from = 0) {
        for (size_t n = from; n < good.size(); ++n) {
            put(name, good.substr(0, n));
            auto image = load(name);
            EXPECT_NE(image->LastError(), 0) << name << " cut to " << n;
            EXPECT_FALSE(image->isLoaded()) << name << " cut to " << n;
            EXPECT_EQ(image->GetDataPtr(), nullptr) << name << " cut to " << n;
        }
    }

    ImageWindow window;
    const std::vector<uint16_t> pixels6{0x0001, 0xF800, 0x07E0, 0x001F, 0xFFFF, 0x1234};
    const std::string alpha6{"\x00\x10\x80\xFF\x01\x02", 6};
};

} // namespace

TEST_F(ImageTest, PikRoundTripWithAlpha) {
    CGraphicsObject source(&window, CXSize(3, 2), 16);
    std::memcpy(source.GetDataPtr(), words(pixels6).data(), 12);
    char* plane = new char[6];
    std::memcpy(plane, alpha6.data(), 6);
    source.AlphaChannel(plane);
    source.SetPosition(17, -4);
    CImageFile writer(&window);
    EXPECT_EQ(writer.Save(&source, root("/SAVED.IMG").c_str(), COMPRESSION_NONE), CImageFile::FILETYPE_IMAGE);
    EXPECT_EQ(writer.LastError(), 0);
    EXPECT_EQ(read("SAVED.IMG"), pik(3, 2, 16, 0, words(pixels6), alpha6, 17, -4));

    auto image = load("SAVED.IMG");
    ASSERT_EQ(image->LastError(), 0);
    EXPECT_TRUE(image->isLoaded());
    EXPECT_TRUE(image->isVisible());
    EXPECT_EQ(image->getFileName(), "SAVED.IMG");
    EXPECT_EQ(image->Width(), 3);
    EXPECT_EQ(image->Height(), 2);
    EXPECT_EQ(image->GetBpp(), 16);
    EXPECT_EQ(image->GetPosition(), CXPoint(17, -4));
    EXPECT_EQ(pixelsOf(*image), pixels6);
    EXPECT_EQ(alphaOf(*image), alpha6);
}

TEST_F(ImageTest, SaveWritesTheCompressionTheDataHave) {
    CGraphicsObject source(&window, CXSize(3, 2), 16);
    std::memcpy(source.GetDataPtr(), words(pixels6).data(), 12);
    ASSERT_EQ(source.Save(CXString(root("/PACKED.IMG").c_str()), COMPRESSION_LZO), 0);
    std::string packed = read("PACKED.IMG");
    ASSERT_GE(packed.size(), 40u);
    EXPECT_EQ(packed[24], COMPRESSION_LZO);
    auto image = load("PACKED.IMG");
    ASSERT_EQ(image->LastError(), 0);
    EXPECT_EQ(pixelsOf(*image), pixels6);

    // A kind the writer cannot make is written as what it is: uncompressed.
    ASSERT_EQ(source.Save(CXString(root("/PLAIN.IMG").c_str()), COMPRESSION_JPEG), 0);
    EXPECT_EQ(read("PLAIN.IMG"), pik(3, 2, 16, 0, words(pixels6), ""));
}

TEST_F(ImageTest, PikHeaderGenerations) {
    // Depth codes 2, 4, 8 stand for 15, 16, 24.
    put("CODE4.IMG", pik(3, 2, 4, 0, words(pixels6), ""));
    auto four = load("CODE4.IMG");
    ASSERT_EQ(four->LastError(), 0);
    EXPECT_EQ(four->GetBpp(), 16);
    EXPECT_EQ(pixelsOf(*four), pixels6);

    ImageWindow window15(15);
    put("CODE2.IMG", pik(3, 2, 2, 0, words(pixels6), ""));
    CImage two(&window15, CXString("CODE2.IMG"));
    ASSERT_EQ(two.LastError(), 0);
    EXPECT_EQ(two.GetBpp(), 15);
    EXPECT_EQ(pixelsOf(two), pixels6);

    // 24 bits: three bytes a pixel.
    put("DEEP.IMG", pik(2, 1, 8, 0, "\x01\x02\x03\x04\x05\x06", "", 5, 6));
    auto deep = load("DEEP.IMG");
    ASSERT_EQ(deep->LastError(), 0);
    EXPECT_EQ(deep->GetBpp(), 24);
    EXPECT_EQ(std::string(deep->GetDataPtr(), 6), "\x01\x02\x03\x04\x05\x06");
}

TEST_F(ImageTest, ShortUncompressedDataAreTakenAsPackedBlocks) {
    std::string plain = words(pixels6);
    int n = 0;
    std::unique_ptr<char[]> block(CLZWCompression2(plain.data(), int(plain.size())).compress(n));
    ASSERT_NE(block, nullptr);
    std::string packed(block.get(), size_t(n) + 8);
    ASSERT_NE(packed.size(), plain.size());
    put("LZO.IMG", pik(3, 2, 16, 0, packed, ""));
    auto image = load("LZO.IMG");
    ASSERT_EQ(image->LastError(), 0);
    EXPECT_EQ(image->GetCompression(), COMPRESSION_NONE);
    EXPECT_EQ(pixelsOf(*image), pixels6);
}

TEST_F(ImageTest, ConvertedToTheDisplaysDepth) {
    ImageWindow window15(15);
    put("HIGH.IMG", pik(1, 1, 16, 0, words({0xFFFF}), ""));
    CImage image(&window15, CXString("HIGH.IMG"));
    ASSERT_EQ(image.LastError(), 0);
    EXPECT_EQ(image.GetBpp(), 15);
    EXPECT_EQ(pixelsOf(image), (std::vector<uint16_t>{0x7FFF}));
    CImage kept(&window15);
    EXPECT_EQ(kept.Load(CXString("HIGH.IMG"), false), 0);
    EXPECT_EQ(kept.GetBpp(), 16);
}

TEST_F(ImageTest, RunLengthFilesAreCheckedWhenRead) {
    CLogCapture log;
    std::vector<uint16_t> steps(30 * 20);
    for (size_t i = 0; i < steps.size(); ++i) steps[i] = uint16_t(i / 7);
    CGraphicsObject source(&window, CXSize(30, 20), 16);
    std::memcpy(source.GetDataPtr(), words(steps).data(), steps.size() * 2);
    std::string plane(600, '\x20');
    plane.replace(100, 50, 50, '\xF0');
    char* alpha = new char[600];
    std::memcpy(alpha, plane.data(), 600);
    source.AlphaChannel(alpha);
    ASSERT_EQ(source.Save(CXString(root("/RUNS.IMG").c_str()), COMPRESSION_RLE), 0);
    const std::string good = read("RUNS.IMG");
    ASSERT_EQ(good[24], COMPRESSION_RLE);

    auto image = load("RUNS.IMG");
    ASSERT_EQ(image->LastError(), 0);
    EXPECT_EQ(image->GetCompression(), COMPRESSION_RLE) << "kept packed until drawn";
    image->DeCompressRLE2();
    ASSERT_EQ(image->LastError(), 0);
    EXPECT_EQ(pixelsOf(*image), steps);
    EXPECT_EQ(alphaOf(*image), plane);
    image->bringBackCompressed();

    // Cut anywhere inside the data, the runs no longer make the picture.
    expectEveryTruncationFails(good, "CUT.IMG", 41);
    // A run that claims more pixels than the picture has.
    std::string over = good;
    over[40] = char(0x7F);
    over[41] = char(0x7F);
    put("OVER.IMG", over);
    EXPECT_EQ(load("OVER.IMG")->LastError(), ERR_FILE_DAMAGED);
}

TEST_F(ImageTest, LegacyLayoutReadsItsPixelsFromWhereTheyStart) {
    put("OLD.IMG", legacy(3, 2, 4, words(pixels6)));
    auto image = load("OLD.IMG");
    ASSERT_EQ(image->LastError(), 0);
    EXPECT_EQ(image->GetBpp(), 16);
    EXPECT_EQ(image->Width(), 3);
    EXPECT_EQ(image->Height(), 2);
    EXPECT_EQ(image->GetChannelAlpha(), nullptr);
    EXPECT_EQ(pixelsOf(*image), pixels6);

    // Packed legacy data decode as the "PIK" ones do.
    std::string plain = words(pixels6);
    int n = 0;
    std::unique_ptr<char[]> block(CLZWCompression2(plain.data(), int(plain.size())).compress(n));
    put("OLDLZO.IMG", legacy(3, 2, 4, std::string(block.get(), size_t(n) + 8)));
    auto packed = load("OLDLZO.IMG");
    ASSERT_EQ(packed->LastError(), 0);
    EXPECT_EQ(pixelsOf(*packed), pixels6);
}

TEST_F(ImageTest, NviRawAndPacked) {
    put("RAW.IMG", nvi(3, 2, 16, 0, words(pixels6), alpha6, -3, 40));
    auto raw = load("RAW.IMG");
    ASSERT_EQ(raw->LastError(), 0);
    EXPECT_EQ(raw->GetPosition(), CXPoint(-3, 40));
    EXPECT_EQ(pixelsOf(*raw), pixels6);
    EXPECT_EQ(alphaOf(*raw), alpha6);

    std::string plain = words(pixels6), alpha = alpha6;
    int n = 0, an = 0;
    std::unique_ptr<char[]> p(CLZWCompression(plain.data(), int(plain.size())).compress(n));
    std::unique_ptr<char[]> a(CLZWCompression(alpha.data(), int(alpha.size())).compress(an));
    ASSERT_NE(p, nullptr);
    ASSERT_NE(a, nullptr);
    // The packed stream must fit the raw block: a picture that packs well.
    std::vector<uint16_t> flat(64, 0x0841);
    std::string flatWords = words(flat);
    std::string flatAlpha(64, '\x7F');
    std::unique_ptr<char[]> fp(CLZWCompression(flatWords.data(), int(flatWords.size())).compress(n));
    std::unique_ptr<char[]> fa(CLZWCompression(flatAlpha.data(), int(flatAlpha.size())).compress(an));
    ASSERT_LE(n, int(flatWords.size()));
    put("LZW.IMG", nvi(8, 8, 16, 2, std::string(fp.get(), size_t(n)), std::string(fa.get(), size_t(an))));
    auto packed = load("LZW.IMG");
    ASSERT_EQ(packed->LastError(), 0);
    EXPECT_EQ(packed->GetCompression(), COMPRESSION_NONE);
    EXPECT_EQ(pixelsOf(*packed), flat);
    EXPECT_EQ(alphaOf(*packed), flatAlpha);
}

TEST_F(ImageTest, NviLengthsAreChecked) {
    CLogCapture log;
    // More pixel bytes than the picture holds.
    put("LONG.IMG", nvi(1, 1, 16, 0, "abcd", ""));
    EXPECT_EQ(load("LONG.IMG")->LastError(), ERR_FILE_DAMAGED);
    // Lengths that run past the file, negative lengths, an unknown compression.
    put("PAST.IMG", nvi(3, 2, 16, 0, words(pixels6), "", 0, 0, 12, 6));
    EXPECT_EQ(load("PAST.IMG")->LastError(), ERR_FILE_DAMAGED);
    std::string negative = nvi(3, 2, 16, 0, words(pixels6), "");
    negative[12] = char(0x80);
    put("NEG.IMG", negative);
    EXPECT_EQ(load("NEG.IMG")->LastError(), ERR_FILE_DAMAGED);
    put("KIND.IMG", nvi(3, 2, 16, 7, words(pixels6), ""));
    EXPECT_EQ(load("KIND.IMG")->LastError(), ERR_FILE_DAMAGED);
    // A few packed bytes for 1.2 GB of pixels: refused by size before any block is made for them.
    put("VAST.IMG", nvi(20000, 20000, 24, 2, std::string(26, '\x55'), ""));
    EXPECT_EQ(load("VAST.IMG")->LastError(), ERR_FILE_DAMAGED);
    EXPECT_TRUE(log.contains("VAST.IMG\": too large"));
    // Packed data that do not decode.
    put("BAD.IMG", nvi(3, 2, 16, 2, std::string(12, '\x55'), ""));
    EXPECT_EQ(load("BAD.IMG")->LastError(), ERR_FILE_DAMAGED);
    EXPECT_TRUE(log.contains("BAD.IMG"));
}

TEST_F(ImageTest, PikLengthsAreChecked) {
    CLogCapture log;
    // Alpha plane longer than the file.
    put("ALPHA.IMG", pik(3, 2, 16, 0, words(pixels6), "", 0, 0) + std::string());
    std::string longAlpha = pik(3, 2, 16, 0, words(pixels6), alpha6);
    longAlpha[28] = 100;
    put("ALPHA.IMG", longAlpha);
    EXPECT_EQ(load("ALPHA.IMG")->LastError(), ERR_FILE_DAMAGED);
    std::string negative = pik(3, 2, 16, 0, words(pixels6), "");
    negative[31] = char(0x80);
    put("NEG.IMG", negative);
    EXPECT_EQ(load("NEG.IMG")->LastError(), ERR_FILE_DAMAGED);
    put("SIZE.IMG", pik(-3, 2, 16, 0, words(pixels6), ""));
    EXPECT_EQ(load("SIZE.IMG")->LastError(), ERR_FILE_DAMAGED);
    put("DEPTH.IMG", pik(3, 2, 13, 0, words(pixels6), ""));
    EXPECT_EQ(load("DEPTH.IMG")->LastError(), ERR_FILE_DAMAGED);
    put("HUGE.IMG", pik(65536, 65536, 16, 0, words(pixels6), ""));
    EXPECT_EQ(load("HUGE.IMG")->LastError(), ERR_FILE_DAMAGED);
    // Nearly 2^31 a side at 24 bits: the byte count itself is beyond 64 bits.
    put("VAST.IMG", std::string("PIK\0\x5C\xC9\xC4\x74\x39\x60\x7C\x78\x18\0\0\0\x2D\0\0\0\0\0\0\0"
                                "\x04\0\0\0\x04\0\0\0\0\0\0\0\x08\0\0\xFF\xD8\0\x28\0\x28",
                                45));
    EXPECT_EQ(load("VAST.IMG")->LastError(), ERR_FILE_DAMAGED);
    put("KIND.IMG", pik(3, 2, 16, 9, words(pixels6), ""));
    EXPECT_EQ(load("KIND.IMG")->LastError(), ERR_FILE_DAMAGED);
    // Uncompressed pixels with an alpha plane of another size.
    put("PLANE.IMG", pik(3, 2, 16, 0, words(pixels6), "\x01\x02"));
    EXPECT_EQ(load("PLANE.IMG")->LastError(), ERR_FILE_DAMAGED);
    put("EMPTY.IMG", "");
    EXPECT_EQ(load("EMPTY.IMG")->LastError(), ERR_FILE_DAMAGED);
    // A picture whose right edge lies beyond what an int holds: 1230392912 wide, none high, at
    // x 1447952384, run-length coded.
    put("FAR.IMG", std::string("PIK\0PNVI\0\0\0\0\x20\0\0\0\xA4\0\xFF\xD8\0\0\0\0\x04\0\0\0"
                               "\0\0\0\0\0\0NVI\0\x01\x9D",
                               40));
    EXPECT_EQ(load("FAR.IMG")->LastError(), ERR_FILE_DAMAGED);
    put("LOW.IMG", pik(3, 2, 16, 0, words(pixels6), "", 0, INT32_MAX - 1));
    EXPECT_EQ(load("LOW.IMG")->LastError(), ERR_FILE_DAMAGED);
    // Right up to the edge still loads.
    put("EDGE.IMG", pik(3, 2, 16, 0, words(pixels6), "", INT32_MAX - 3, INT32_MAX - 2));
    auto edge = load("EDGE.IMG");
    EXPECT_EQ(edge->LastError(), 0);
    EXPECT_EQ(pixelsOf(*edge), pixels6);
}

TEST_F(ImageTest, TruncatedFilesOfEveryLayoutFail) {
    CLogCapture log;
    expectEveryTruncationFails(pik(3, 2, 16, 0, words(pixels6), alpha6), "PIK.IMG");
    expectEveryTruncationFails(nvi(3, 2, 16, 0, words(pixels6), alpha6), "NVI.IMG");
    expectEveryTruncationFails(legacy(3, 2, 4, words(pixels6)), "OLD.IMG");
    const uint8_t red[3] = {200, 16, 16}, blue[3] = {16, 16, 200};
    expectEveryTruncationFails(twoColourJpeg(red, blue), "CUT.JPG");
}

TEST_F(ImageTest, AFileThatDoesNotOpenIsNotLoaded) {
    CLogCapture log;
    auto missing = load("NONE.IMG");
    EXPECT_EQ(missing->LastError(), ERR_FILE_NOT_FOUND);
    EXPECT_FALSE(missing->isLoaded());
    EXPECT_EQ(missing->Width(), 0);
    auto jpeg = load("NONE.JPG");
    EXPECT_EQ(jpeg->LastError(), ERR_FILE_NOT_FOUND);
    EXPECT_FALSE(jpeg->isLoaded());
    EXPECT_TRUE(log.contains("NONE.IMG"));

    // A picture that fails to load again does not keep the old pixels.
    put("GOOD.IMG", pik(3, 2, 16, 0, words(pixels6), ""));
    put("BROKEN.IMG", pik(3, 2, 16, 0, words(pixels6), "").substr(0, 45));
    CImage image(&window, CXString("GOOD.IMG"));
    ASSERT_TRUE(image.isLoaded());
    EXPECT_EQ(image.Load(CXString("BROKEN.IMG"), true), ERR_FILE_DAMAGED);
    EXPECT_FALSE(image.isLoaded());
    EXPECT_EQ(image.GetDataPtr(), nullptr);
    EXPECT_EQ(image.Width(), 0);

    // Read straight from a file, a failure unloads the picture too.
    ASSERT_EQ(image.Load(CXString("GOOD.IMG"), true), 0);
    CFile broken(&window, "BROKEN.IMG", CFile::MODE_READ | CFile::MODE_BINARY);
    EXPECT_EQ(image.Load(&broken), ERR_FILE_DAMAGED);
    EXPECT_FALSE(image.isLoaded());
    EXPECT_EQ(image.GetDataPtr(), nullptr);
}

TEST_F(ImageTest, OnlyNamesHoldingDotImgInCapitalsAreImageFiles) {
    CLogCapture log;
    const uint8_t red[3] = {200, 16, 16}, blue[3] = {16, 16, 200};
    put("SKY.JPG", twoColourJpeg(red, blue));
    auto jpg = load("SKY.JPG");
    ASSERT_EQ(jpg->LastError(), 0);
    EXPECT_TRUE(jpg->isLoaded());
    EXPECT_EQ(jpg->Width(), 16);

    put("SKY.IMG", pik(3, 2, 16, 0, words(pixels6), ""));
    EXPECT_EQ(load("SKY.IMG")->LastError(), 0);
    // The same bytes under a lower-case name are read as a JPEG, and are none.
    put("sky2.img", pik(3, 2, 16, 0, words(pixels6), ""));
    EXPECT_EQ(load("sky2.img")->LastError(), ERR_FILE_DAMAGED);
}

TEST_F(ImageTest, PicturesInsideTheBigFileLoad) {
    const uint8_t red[3] = {200, 16, 16}, blue[3] = {16, 16, 200};
    put("game/Dane/SKY.JPG", twoColourJpeg(red, blue));
    put("game/Dane/SKY.IMG", pik(3, 2, 16, 0, words(pixels6), ""));
    CBigFile builder(false);
    ASSERT_TRUE(builder.Create("game", "data", "data.bf"));
    std::filesystem::rename(m_tmp.path() / "game", m_tmp.path() / "gone");
    ASSERT_TRUE(CFile::openBigFile("data.bf"));

    auto img = load("Dane\\SKY.IMG");
    EXPECT_EQ(img->LastError(), 0);
    EXPECT_EQ(pixelsOf(*img), pixels6);
    auto jpg = load("Dane\\SKY.JPG");
    ASSERT_EQ(jpg->LastError(), 0);
    EXPECT_TRUE(jpg->isLoaded());
    EXPECT_EQ(jpg->Width(), 16);
    EXPECT_EQ(jpg->Height(), 16);

    CLogCapture log;
    auto missing = load("Dane\\NONE.JPG");
    EXPECT_EQ(missing->LastError(), ERR_FILE_NOT_FOUND);
    EXPECT_FALSE(missing->isLoaded());
}

TEST_F(ImageTest, JpegMadeHereDecodesAndPacksAt15And16Bits) {
    const uint8_t left[3] = {200, 100, 40}, right[3] = {30, 220, 140};
    std::string bytes = twoColourJpeg(left, right);

    JPEG sixteen(bytes.data(), long(bytes.size()));
    ASSERT_TRUE(sixteen.isReady());
    EXPECT_EQ(sixteen.getWidth(), 16);
    EXPECT_EQ(sixteen.getHeight(), 16);
    std::unique_ptr<char[]> p16(sixteen.decompress(16));
    JPEG fifteen(bytes.data(), long(bytes.size()));
    std::unique_ptr<char[]> p15(fifteen.decompress(15));
    ASSERT_NE(p16, nullptr);
    ASSERT_NE(p15, nullptr);
    EXPECT_EQ(sixteen.decompress(16), nullptr) << "one decoding per reader";

    auto* w16 = reinterpret_cast<uint16_t*>(p16.get());
    auto* w15 = reinterpret_cast<uint16_t*>(p15.get());
    for (int i = 0; i < 256; ++i) {
        // Both packings come from the same decoded bytes.
        EXPECT_EQ(w16[i] >> 11, w15[i] >> 10);
        EXPECT_EQ(((w16[i] >> 5) & 63) >> 1, (w15[i] >> 5) & 31);
        EXPECT_EQ(w16[i] & 31, w15[i] & 31);
    }
    auto near = [](int got, int want) { return got >= want - 1 && got <= want + 1; };
    for (int y : {0, 7, 15}) {
        uint16_t l = w16[y * 16 + 3], r = w16[y * 16 + 12];
        EXPECT_TRUE(near(l >> 11, 200 >> 3) && near((l >> 5) & 63, 100 >> 2) && near(l & 31, 40 >> 3)) << l;
        EXPECT_TRUE(near(r >> 11, 30 >> 3) && near((r >> 5) & 63, 220 >> 2) && near(r & 31, 140 >> 3)) << r;
    }

    // Through an image on a 15-bit display.
    put("PHOTO.JPG", bytes);
    ImageWindow window15(15);
    CImage image(&window15, CXString("PHOTO.JPG"));
    ASSERT_EQ(image.LastError(), 0);
    EXPECT_EQ(image.GetBpp(), 15);
    EXPECT_EQ(image.GetCompression(), COMPRESSION_NONE);
    EXPECT_EQ(std::memcmp(image.GetDataPtr(), p15.get(), 512), 0);
}

TEST_F(ImageTest, DamagedJpegData) {
    CLogCapture log;
    JPEG none(nullptr, 0);
    EXPECT_FALSE(none.isReady());
    EXPECT_EQ(none.LastError(), ERR_FILE_DAMAGED);
    EXPECT_EQ(none.decompress(16), nullptr);
    std::string garbage(300, '\x42');
    JPEG junk(garbage.data(), long(garbage.size()));
    EXPECT_FALSE(junk.isReady());
    EXPECT_EQ(junk.LastError(), ERR_FILE_DAMAGED);

    // A noisy picture, so that most of the file is picture data.
    std::vector<uint8_t> noise(64 * 64 * 3);
    for (size_t i = 0; i < noise.size(); ++i) noise[i] = uint8_t(i * 7919 % 251);
    std::string bytes = encodeJpeg(64, 64, noise);
    ASSERT_GT(bytes.size(), 2000u);
    // Cut inside the picture data: the header reads, the pixels break off.
    std::string cut = bytes.substr(0, bytes.size() / 2);
    JPEG broken(cut.data(), long(cut.size()));
    ASSERT_TRUE(broken.isReady());
    EXPECT_EQ(broken.decompress(16), nullptr);
    EXPECT_EQ(broken.LastError(), ERR_FILE_DAMAGED);

    // A header claiming a picture beyond the bound is refused before decoding.
    std::string wide = bytes;
    size_t sof = wide.find("\xFF\xC0", 0, 2);
    ASSERT_NE(sof, std::string::npos);
    wide[sof + 5] = wide[sof + 6] = wide[sof + 7] = wide[sof + 8] = char(0xFF);
    JPEG huge(wide.data(), long(wide.size()));
    EXPECT_FALSE(huge.isReady());
    EXPECT_EQ(huge.LastError(), ERR_FILE_DAMAGED);
}

TEST_F(ImageTest, PikHoldingAJpegDecodesIt) {
    const uint8_t a[3] = {0, 0, 0}, b[3] = {255, 255, 255};
    std::string jpeg = twoColourJpeg(a, b);
    std::string alpha(256, '\x40');
    put("PHOTO.IMG", pik(16, 16, 16, COMPRESSION_JPEG, jpeg, alpha));
    auto image = load("PHOTO.IMG");
    ASSERT_EQ(image->LastError(), 0);
    EXPECT_EQ(image->GetCompression(), COMPRESSION_NONE);
    auto px = pixelsOf(*image);
    EXPECT_LE(px[0], 0x0841);
    EXPECT_GE(px[15], 0xF7BE);
    EXPECT_EQ(alphaOf(*image), alpha);

    CLogCapture log;
    put("WRONG.IMG", pik(8, 8, 16, COMPRESSION_JPEG, jpeg, ""));
    EXPECT_EQ(load("WRONG.IMG")->LastError(), ERR_FILE_DAMAGED);
    put("OVER.IMG", pik(16, 16, 16, COMPRESSION_JPEG, jpeg, "", 0, 0, int(jpeg.size()) + 1));
    EXPECT_EQ(load("OVER.IMG")->LastError(), ERR_FILE_DAMAGED);
}

TEST_F(ImageTest, FromADefinitionElement) {
    put("BACK.IMG", pik(3, 2, 16, 0, words(pixels6), ""));
    CMElement lazy("BACK");
    lazy.addProperty("FILENAME", "BACK.IMG");
    lazy.addProperty("PRELOAD", "FALSE");
    lazy.addProperty("VISIBLE", "FALSE");
    lazy.addProperty("RELEASEAFTERUSE", "TRUE");
    CImage image(&window, &lazy);
    EXPECT_FALSE(image.isLoaded());
    EXPECT_FALSE(image.isVisible());
    EXPECT_TRUE(image.releaseAfterUse());
    EXPECT_EQ(image.getFileName(), "BACK.IMG");

    image.show();
    EXPECT_TRUE(image.isLoaded());
    EXPECT_TRUE(image.isVisible());
    EXPECT_EQ(pixelsOf(image), pixels6);
    image.hide();
    EXPECT_FALSE(image.isLoaded());
    EXPECT_FALSE(image.isVisible());
    EXPECT_EQ(image.GetDataPtr(), nullptr);
    image.setVisibility(true);
    EXPECT_TRUE(image.isLoaded());
    EXPECT_EQ(pixelsOf(image), pixels6);

    CMElement eager("FRONT");
    eager.addProperty("FILENAME", "BACK.IMG");
    eager.addProperty("VISIBLE", "TRUE");
    CImage front(&window, &eager);
    EXPECT_TRUE(front.isLoaded());
    EXPECT_TRUE(front.isVisible());
    front.hide();
    EXPECT_TRUE(front.isLoaded()) << "kept without RELEASEAFTERUSE";

    CMElement empty("NOTHING");
    empty.addProperty("VISIBLE", "TRUE");
    CImage nothing(&window, &empty);
    EXPECT_FALSE(nothing.isLoaded());
    EXPECT_EQ(nothing.LastError(), 0);
}

TEST_F(ImageTest, CopiesShareThePixels) {
    put("BACK.IMG", pik(3, 2, 16, 0, words(pixels6), alpha6));
    auto image = load("BACK.IMG");
    std::unique_ptr<CXObject> cloned(image->clone());
    auto* copy = dynamic_cast<CImage*>(cloned.get());
    ASSERT_NE(copy, nullptr);
    EXPECT_EQ(copy->GetDataPtr(), image->GetDataPtr());
    EXPECT_EQ(copy->getFileName(), "");
    CImage second(*image);
    image.reset();
    EXPECT_EQ(pixelsOf(second), pixels6);
    EXPECT_EQ(alphaOf(*copy), alpha6);
}

TEST_F(ImageTest, ImageFileChoosesByExtension) {
    CLogCapture log;
    put("MAP.IMG", pik(3, 2, 16, 0, words(pixels6), ""));
    CImageFile file(&window);
    EXPECT_EQ(file.Load(CXString("MAP.IMG")), CImageFile::FILETYPE_IMAGE);
    std::unique_ptr<CGraphicsObject> img(file.GetGraphicsObject());
    ASSERT_NE(dynamic_cast<CImage*>(img.get()), nullptr);
    EXPECT_EQ(file.LastError(), 0);

    EXPECT_EQ(file.Load(CXString("MAP.PSD")), CImageFile::FILETYPE_PSD);
    std::unique_ptr<CGraphicsObject> psd(file.GetGraphicsObject());
    EXPECT_NE(psd, nullptr);
    EXPECT_EQ(file.LastError(), ERR_FILE_NOT_FOUND);

    EXPECT_EQ(file.Load(CXString("map.Jpg")), CImageFile::FILETYPE_IMAGE);
    std::unique_ptr<CGraphicsObject> jpg(file.GetGraphicsObject());

    EXPECT_EQ(file.Load(CXString("HERO.ANN")), CImageFile::FILETYPE_ANIMATION);
    std::unique_ptr<CGraphicsObject> ann(file.GetGraphicsObject());
    ASSERT_NE(dynamic_cast<CAnimo*>(ann.get()), nullptr);
    EXPECT_EQ(file.LastError(), ERR_FILE_NOT_FOUND);

    EXPECT_EQ(file.Load(CXString("MAP.BMP")), CImageFile::FILETYPE_UNKNOWN);
    EXPECT_EQ(file.GetGraphicsObject(), nullptr);
    EXPECT_EQ(file.Load(CXString("NOEXTENSION")), CImageFile::FILETYPE_UNKNOWN);

    CGraphicsObject g(&window, CXSize(1, 1), 16);
    EXPECT_EQ(file.Save(&g, CXString("OUT.BMP"), COMPRESSION_NONE), CImageFile::FILETYPE_UNKNOWN);
    EXPECT_EQ(file.Save(ann.get(), CXString(root("/OUT.ANN").c_str()), COMPRESSION_NONE),
              CImageFile::FILETYPE_ANIMATION);
    EXPECT_EQ(file.LastError(), 0);
    EXPECT_EQ(read("OUT.ANN").substr(0, 4), std::string("NVP\0", 4));
    EXPECT_EQ(file.Save(ann.get(), CXString(root("/no-such-folder/OUT.ANN").c_str()), COMPRESSION_NONE),
              CImageFile::FILETYPE_ANIMATION);
    EXPECT_EQ(file.LastError(), ERR_FILE_WRITE);
    EXPECT_EQ(file.GetGraphicsObject(), ann.get());
    EXPECT_EQ(file.Save(&g, CXString(root("/OUT.img").c_str()), COMPRESSION_NONE),
              CImageFile::FILETYPE_IMAGE);
    EXPECT_EQ(file.LastError(), 0);
    EXPECT_EQ(read("OUT.img").size(), 42u);
}

TEST_F(ImageTest, SharedThroughTheResourceCache) {
    put("BACK.IMG", pik(3, 2, 16, 0, words(pixels6), ""));
    CResourcesManager cache(nullptr);
    auto* image = new CImage(&window, CXString("BACK.IMG"));
    image->toRelease(true);
    cache.add(image);
    EXPECT_EQ(cache.get("back.img"), static_cast<CFileResolver*>(image));
    EXPECT_FALSE(cache.remove(image));
    EXPECT_TRUE(image->isVisible());
    EXPECT_TRUE(cache.remove(image)); // hidden, released and deleted through the cache
    EXPECT_EQ(cache.getSize(), 0);
}

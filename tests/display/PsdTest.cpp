#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "ImageFixtures.h"
#include "core/Log.h"
#include "display/ImageFile.h"
#include "display/PSD.h"

using namespace KavirelDLL;
using namespace KavirelTest;

namespace {

class PsdTest : public GameFolderTest {
protected:
    std::unique_ptr<CPSD> load(const std::string& name) {
        return std::make_unique<CPSD>(&window, CXString(name.c_str()));
    }
    ImageWindow window;
};

std::string bytesOf(CGraphicsObject* g) {
    return std::string(g->GetDataPtr(), size_t(g->Width() * g->Height() * 3));
}

} // namespace

TEST_F(PsdTest, TwoLayersMadeHere) {
    put("MAP.PSD", psd(twoLayers()));
    auto map = load("MAP.PSD");
    ASSERT_EQ(map->LastError(), 0);
    ASSERT_EQ(map->GetLayerNo(), 2);
    EXPECT_TRUE(map->isVisible());

    CGraphicsObject* back = map->GetLayer(0)->object;
    EXPECT_EQ(map->GetCurrentLayer(), back);
    EXPECT_EQ(map->GetSelLayer(), 0);
    EXPECT_EQ(back->GetBpp(), 24);
    EXPECT_EQ(back->Size().cx, 3);
    EXPECT_EQ(back->Size().cy, 2);
    EXPECT_EQ(back->GetPosition(), CXPoint(0, 0));
    EXPECT_EQ(back->getFileName(), "Back");
    // Blue, green, red a pixel.
    EXPECT_EQ(bytesOf(back),
              std::string("\x30\x20\x10\x31\x21\x11\x32\x22\x12\x33\x23\x13\x34\x24\x14\x35\x25\x15"));
    ASSERT_NE(back->GetChannelAlpha(), nullptr);
    EXPECT_EQ(std::string(back->GetChannelAlpha(), 6), std::string("\x00\x40\x80\xC0\xFF\x01", 6));

    CGraphicsObject* sun = map->GetLayer(1)->object;
    EXPECT_EQ(map->GetLayerName(1), "Sun");
    EXPECT_EQ(sun->GetPosition(), CXPoint(20, 10));
    EXPECT_EQ(map->GetLayer(1)->rect, CXRect(20, 10, 24, 13));
    EXPECT_EQ(sun->GetChannelAlpha(), nullptr) << "a plane of unknown compression stays empty";
    const std::string px = bytesOf(sun);
    ASSERT_EQ(px.size(), 36u);
    auto pixel = [&](int x, int y) { return px.substr(size_t(y * 4 + x) * 3, 3); };
    EXPECT_EQ(pixel(0, 0), std::string("\xFF\x01\x7F", 3));
    EXPECT_EQ(pixel(3, 1), std::string("\xFF\x02\x04", 3));
    EXPECT_EQ(pixel(1, 2), std::string("\xFF\x03\x00", 3));
    EXPECT_EQ(pixel(3, 2), std::string("\xFF\x0A\x00", 3));
}

TEST_F(PsdTest, LayersBySelection) {
    put("MAP.PSD", psd(twoLayers()));
    auto map = load("MAP.PSD");
    ASSERT_EQ(map->GetLayerNo(), 2);
    map->SelectLayer(CXString("Sun"));
    EXPECT_EQ(map->GetSelLayer(), 1);
    EXPECT_EQ(map->GetLayerName(-1), "Sun");
    EXPECT_EQ(map->GetLayerRect(0), CXRect(20, 10, 24, 13));
    map->SelectLayer(CXString("sun"));
    EXPECT_EQ(map->GetSelLayer(), 1);
    map->SelectLayer(5);
    map->SelectLayer(-1);
    EXPECT_EQ(map->GetSelLayer(), 1);
    EXPECT_EQ(map->GetLayerName(7), "");

    map->SetPosition(CXPoint(100, -5));
    EXPECT_EQ(map->GetPosition(), CXPoint(100, -5));
    EXPECT_EQ(map->GetCurrentLayer()->GetPosition(), CXPoint(100, -5));
    // A negative coordinate is not recorded in the rectangle.
    EXPECT_EQ(map->GetLayerRect(-1), CXRect(100, 10, 104, 13));
    map->SelectLayer(0);
    EXPECT_EQ(map->GetCurrentLayer(), map->GetLayer(0)->object);
}

TEST_F(PsdTest, CopiesShareTheLayers) {
    put("MAP.PSD", psd(twoLayers()));
    auto map = load("MAP.PSD");
    auto copy = std::make_unique<CPSD>(*map);
    EXPECT_EQ(copy->GetLayerNo(), 2);
    EXPECT_EQ(copy->GetCurrentLayer(), map->GetCurrentLayer());
    map.reset();
    EXPECT_EQ(bytesOf(copy->GetLayer(0)->object).size(), 18u);
    EXPECT_EQ(copy->GetLayerName(1), "Sun");
}

TEST_F(PsdTest, ThroughTheImageFile) {
    put("MAP.PSD", psd(twoLayers()));
    CImageFile file(&window);
    EXPECT_EQ(file.Load(CXString("MAP.PSD")), CImageFile::FILETYPE_PSD);
    std::unique_ptr<CGraphicsObject> object(file.GetGraphicsObject());
    auto* map = dynamic_cast<CPSD*>(object.get());
    ASSERT_NE(map, nullptr);
    EXPECT_EQ(map->GetLayerNo(), 2);
}

TEST_F(PsdTest, NoLayerSection) {
    Bytes file;
    file.raw("8BPS").be16(1).zeros(6).be16(3).be32(1).be32(1).be16(8).be16(3).be32(0).be32(0).be32(0);
    put("FLAT.PSD", file.s);
    auto flat = load("FLAT.PSD");
    EXPECT_EQ(flat->LastError(), 0);
    EXPECT_EQ(flat->GetLayerNo(), 0);
    EXPECT_EQ(flat->GetCurrentLayer(), nullptr);
    EXPECT_EQ(flat->GetLayerName(-1), "");
}

TEST_F(PsdTest, DamagedFiles) {
    CLogCapture log;
    auto damaged = [&](const std::string& bytes, const char* what) {
        put("BAD.PSD", bytes);
        auto map = load("BAD.PSD");
        EXPECT_EQ(map->LastError(), ERR_FILE_DAMAGED) << what;
        EXPECT_EQ(map->GetLayerNo(), 0) << what;
        EXPECT_EQ(map->GetCurrentLayer(), nullptr) << what;
    };
    damaged(psd(twoLayers(), 8, "8BPX"), "signature");
    damaged(psd(twoLayers(), 16), "16 bits a channel");

    std::vector<Layer> crossed = twoLayers();
    crossed[1].bottom = 5;
    damaged(psd(crossed), "bottom above top");
    std::vector<Layer> huge = twoLayers();
    huge[0].right = 1 << 30;
    damaged(psd(huge), "a layer too large");
    // Sides each just within an int, whose area times three is beyond 64 bits.
    std::vector<Layer> vast = twoLayers();
    vast[0].top = vast[0].left = -1;
    vast[0].bottom = vast[0].right = INT32_MAX - 1;
    damaged(psd(vast), "a layer far too large");
    // A layer of 10000 x 10000 whose only plane is a few bytes of a compression that is passed over.
    std::vector<Layer> hollow = twoLayers();
    hollow[1].bottom = hollow[1].top + 10000;
    hollow[1].right = hollow[1].left + 10000;
    hollow[1].channels = {{-1, 3, "whatever"}};
    damaged(psd(hollow), "a layer larger than its planes could fill");

    // Packed rows that claim more than their channel holds.
    std::vector<Layer> rows = twoLayers();
    rows[1].channels[0].data[1] = char(100);
    damaged(psd(rows), "packed row past its channel");
    // Packed rows that do not fill their width.
    std::vector<Layer> shortRow = twoLayers();
    shortRow[1].channels[2].data = packedPlane({packBitsRun(4, 1), packBitsRun(3, 1), packBitsRun(4, 1)});
    damaged(psd(shortRow), "packed row short of its width");
    // Raw planes shorter than the layer.
    std::vector<Layer> shortPlane = twoLayers();
    shortPlane[0].channels[1].data = "\x01\x02";
    damaged(psd(shortPlane), "raw plane short of the layer");

    // A channel length beyond the file.
    std::string longChannel = psd(twoLayers());
    const size_t firstChannel = 26 + 4 + 4 + 6 + 4 + 4 + 2 + 16 + 2 + 2;
    longChannel[firstChannel] = char(0x7F);
    damaged(longChannel, "channel length");
    std::string negativeChannel = psd(twoLayers());
    negativeChannel[firstChannel] = char(0x80);
    damaged(negativeChannel, "negative channel length");

    // Every shorter copy fails.
    const std::string good = psd(twoLayers());
    for (size_t n = 0; n < good.size(); ++n) {
        put("CUT.PSD", good.substr(0, n));
        auto map = load("CUT.PSD");
        EXPECT_NE(map->LastError(), 0) << "cut to " << n;
        EXPECT_EQ(map->GetLayerNo(), 0) << "cut to " << n;
    }
}

TEST_F(PsdTest, AFileThatDoesNotOpen) {
    CLogCapture log;
    auto map = load("NONE.PSD");
    EXPECT_EQ(map->LastError(), ERR_FILE_NOT_FOUND);
    EXPECT_EQ(map->GetLayerNo(), 0);
    EXPECT_TRUE(log.contains("NONE.PSD"));
}

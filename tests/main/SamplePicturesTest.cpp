// The sample game's pictures, as the build paints them, read back through the engine's image reader.
#include <gtest/gtest.h>

#include <string>

#include "display/Color.h"
#include "display/Image.h"
#include "platform/Files.h"

using namespace KavirelDLL;

namespace {

uint16_t rgb(int r, int g, int b) {
    return static_cast<uint16_t>(CColor(uint8_t(r), uint8_t(g), uint8_t(b)).GetInBPP(16));
}

} // namespace

TEST(SamplePictures, EverySceneHasItsBackgroundWithItsMarker) {
    const std::string scenes = std::string(KAVIREL_BINARY_DIR) + "/samples/Przyklad/Dane/DZIEN/";
    struct {
        const char* name;
        uint16_t marker, skyTop, ground;
    } expected[] = {
        {"PORANEK", rgb(255, 0, 0), rgb(96, 160, 255), rgb(80, 160, 64)},
        {"POLUDNIE", rgb(0, 255, 0), rgb(40, 120, 255), rgb(96, 176, 48)},
        {"WIECZOR", rgb(0, 0, 255), rgb(40, 20, 80), rgb(40, 60, 40)},
    };
    for (const auto& scene : expected) {
        const std::string file = scenes + scene.name + "/" + scene.name + ".IMG";
        CImage image(nullptr);
        ASSERT_EQ(image.Load(CXString(CPlatformFiles::toEngineName(file).c_str()), false), 0) << file;
        ASSERT_EQ(image.Width(), 800);
        ASSERT_EQ(image.Height(), 600);
        auto* pixels = reinterpret_cast<const uint16_t*>(image.GetDataPtr());
        ASSERT_NE(pixels, nullptr);
        EXPECT_EQ(pixels[540 * 800 + 80], scene.marker) << scene.name;
        EXPECT_EQ(pixels[400], scene.skyTop) << scene.name;
        EXPECT_EQ(pixels[599 * 800 + 799], scene.ground) << scene.name;
    }
}

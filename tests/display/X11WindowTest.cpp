// The engine window on a real X server. Skips itself without one; CTest runs it again under a virtual one.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "WindowFixtures.h"
#include "display/Color.h"
#include "harness/Environment.h"
#include "platform/Input.h"
#include "platform/PlatformTime.h"
#include "platform/Video.h"

using namespace KavirelTest;

namespace {

using X11Window = KavirelTest::CX11VideoTest;

} // namespace

TEST_F(X11Window, ShowsGraphicsInADesktopWindow) {
    auto display = createSdlDisplay(*m_video);
    CInput input(m_video.get(), display.get());
    CCommandLine6 line("-window");
    CWindow window(display.get(), &input, &line, nullptr, CXSize(320, 240), 0, "", "", "", true);
    ASSERT_EQ(window.CreateSurface(nullptr), 0);
    ASSERT_TRUE(display->isReal());
    window.OnActivateApp(true);
    CColor blue(0, 0, 255);
    window.SetBackground(&blue);
    std::unique_ptr<CGraphicsObject> box(solid(40, 30, 0xF800, -1, &window));
    box->SetPosition(100, 100);
    window.GetRefreshScreenInterface()->put(box.get(), 0);
    for (int i = 0; i < 10; ++i) {
        input.pump();
        window.Tick();
        CPlatformClock::sleepMilliseconds(10);
    }
    EXPECT_EQ(display->presentedPixel(110, 110), 0xF800);
    EXPECT_EQ(display->presentedPixel(5, 5), 0x001F);
    std::vector<uint8_t> rgb;
    int32_t w = 0, h = 0;
    if (display->readOutputRgb(rgb, w, h)) {
        ASSERT_EQ(w, 320);
        const uint8_t* p = &rgb[(size_t(115) * w + 115) * 3];
        EXPECT_EQ(p[0], 255);
        EXPECT_EQ(p[1], 0);
        EXPECT_EQ(p[2], 0);
    }
    *window.GetRefreshScreenInterface() >> box.get();
}

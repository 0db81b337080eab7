#include "platform/MessageBox.h"

#include "platform/Display.h"
#include "platform/Video.h"

#include <gtest/gtest.h>

using namespace KavirelDLL;

namespace {
struct Headless {
    Headless() { CVideo::forceHeadless(true); }
    ~Headless() { CVideo::forceHeadless(false); }
};
} // namespace

TEST(MessageBox, HeadlessWritesTheTextAndAnswersTheDefault) {
    Headless headless;
    EXPECT_FALSE(CVideo::desktopAvailable());
    testing::internal::CaptureStderr();
    EXPECT_EQ(showMessageBox("B\xB3\xB9"
                             "d",
                             "Nieznany b\xB3\xB9"
                             "d krytyczny."),
              EMessageAnswer::Ok);
    EXPECT_EQ(showMessageBox("Pytanie", "Usun\xB9\xE6?", EMessageButtons::YesNo, EMessageAnswer::Yes),
              EMessageAnswer::Yes);
    EXPECT_EQ(showMessageBox("Pytanie", "Usun\xB9\xE6?", EMessageButtons::YesNo, EMessageAnswer::No),
              EMessageAnswer::No);
    // Ok is not a Yes/No answer: the safe one comes back.
    EXPECT_EQ(showMessageBox("Pytanie", "?", EMessageButtons::YesNo, EMessageAnswer::Ok), EMessageAnswer::No);
    // Yes is not an answer of a box with one button.
    EXPECT_EQ(showMessageBox("Info", "!", EMessageButtons::Ok, EMessageAnswer::Yes), EMessageAnswer::Ok);
    std::string out = testing::internal::GetCapturedStderr();
    EXPECT_NE(out.find("B\xC5\x82\xC4\x85"
                       "d: Nieznany b\xC5\x82\xC4\x85"
                       "d krytyczny."),
              std::string::npos)
        << out;
    EXPECT_NE(out.find("Usun\xC4\x85\xC4\x87?"), std::string::npos) << out;
}

TEST(MessageBox, AnInMemoryOwnerNeverOpensABox) {
    // Even where a desktop exists, a box over the in-memory display goes to standard error.
    auto display = createHeadlessDisplay();
    ASSERT_TRUE(display->open(CDisplayMode{}));
    testing::internal::CaptureStderr();
    EXPECT_EQ(showMessageBox("T", "text", EMessageButtons::YesNo, EMessageAnswer::No, display.get()),
              EMessageAnswer::No);
    EXPECT_NE(testing::internal::GetCapturedStderr().find("T: text"), std::string::npos);
}

TEST(MessageBox, DummyVideoDriverCountsAsHeadless) {
    const char* driver = std::getenv("SDL_VIDEODRIVER");
    if (!driver || std::string(driver) != "dummy") GTEST_SKIP() << "runs under the dummy video driver";
    EXPECT_FALSE(CVideo::desktopAvailable());
}

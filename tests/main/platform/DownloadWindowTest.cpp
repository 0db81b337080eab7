// Dialog 218's window under SDL's dummy video driver: drawn with the menu lettering, its button pressed by the
// keys, a click on it and the close box, and never by itself.
#include <SDL.h>
#include <gtest/gtest.h>

#include <string>

#include "harness/Environment.h"
#include "main/Download.h"
#include "platform/Display.h"

using namespace KavirelDLL;

namespace {

class DownloadWindow : public KavirelTest::CVideoDriverTest {
protected:
    void SetUp() override { ASSERT_TRUE(startVideo("dummy")) << m_video->lastError(); }
    static void push(SDL_Event e) { SDL_PushEvent(&e); }
    static void key(SDL_Scancode code) {
        for (Uint32 type : {Uint32(SDL_KEYDOWN), Uint32(SDL_KEYUP)}) {
            SDL_Event e{};
            e.type = type;
            e.key.state = type == SDL_KEYDOWN ? SDL_PRESSED : SDL_RELEASED;
            e.key.keysym.scancode = code;
            push(e);
        }
    }
    static void click(int x, int y) {
        for (Uint32 type : {Uint32(SDL_MOUSEBUTTONDOWN), Uint32(SDL_MOUSEBUTTONUP)}) {
            SDL_Event e{};
            e.type = type;
            e.button.button = SDL_BUTTON_LEFT;
            e.button.state = type == SDL_MOUSEBUTTONDOWN ? SDL_PRESSED : SDL_RELEASED;
            e.button.clicks = 1;
            e.button.x = x;
            e.button.y = y;
            push(e);
        }
    }
    // Pixels of the row band that differ from the dialog's face.
    static int inked(CDisplay* display, int x0, int y0, int w, int h) {
        const uint16_t face = display->pixels()[0];
        int count = 0;
        for (int y = y0; y < y0 + h; ++y)
            for (int x = x0; x < x0 + w; ++x) count += display->pixels()[y * display->pitch() + x] != face;
        return count;
    }
};

} // namespace

TEST_F(DownloadWindow, DrawsItsControlsAndOnlyThePlayerPressesItsButton) {
    auto front = makeDownloadWindow();
    front->open();
    CDisplay* display = downloadWindowDisplay(front.get());
    ASSERT_NE(display, nullptr);
    EXPECT_EQ(display->width(), 459);
    EXPECT_EQ(display->height(), 133);
    const int emptyText = inked(display, 27, 30, 337, 13);
    front->setText("Wczytuj\xEA plik P.pik( 50/100) ");
    EXPECT_GT(inked(display, 27, 30, 337, 13), emptyText);
    EXPECT_EQ(inked(display, 27, 4, 337, 26), 0) << "one line stays on its row";
    // A failure with its reason wraps upwards, its end on the text's row, the bar below left clear.
    front->setText("Wyst\xB9pi\xB3 b\xB3\xB9" "d: B\xB3\xB9" "d podczas otwierania URL (The requested URL "
                   "returned error: 404)");
    EXPECT_GT(inked(display, 27, 17, 337, 13), 0);
    EXPECT_GT(inked(display, 27, 30, 337, 13), 0);
    EXPECT_EQ(inked(display, 27, 4, 337, 13), 0) << "two lines are enough";
    front->setText("");
    const int emptyBar = inked(display, 33, 54, 393, 18);
    front->setProgress(50);
    const int halfBar = inked(display, 33, 54, 393, 18);
    front->setProgress(100);
    EXPECT_GT(halfBar, emptyBar);
    EXPECT_GT(inked(display, 33, 54, 393, 18), halfBar);

    // Ended or not, nothing presses it but the player.
    EXPECT_FALSE(front->waitForPress(20, true));
    for (SDL_Scancode code : {SDL_SCANCODE_RETURN, SDL_SCANCODE_SPACE, SDL_SCANCODE_ESCAPE}) {
        key(code);
        EXPECT_TRUE(front->waitForPress(1000, false)) << code;
    }
    click(10, 10); // beside the button
    EXPECT_FALSE(front->waitForPress(20, false));
    click(190 + 37, 89 + 11);
    EXPECT_TRUE(front->waitForPress(1000, false));
    SDL_Event close{};
    close.type = SDL_WINDOWEVENT;
    close.window.event = SDL_WINDOWEVENT_CLOSE;
    for (Uint32 id = 1; id < 16; ++id)
        if (SDL_Window* window = SDL_GetWindowFromID(id))
            if (SDL_GetWindowTitle(window) == std::string("Aktualizacja produktu...")) close.window.windowID = id;
    push(close);
    EXPECT_TRUE(front->waitForPress(1000, false));
    front->close();
    EXPECT_EQ(downloadWindowDisplay(front.get()), nullptr);
}

// The program run whole in this process under SDL's dummy video driver, on a game whose timer's handler never
// returns: the window's close button, which only the script's watch sees, ends it as a normal end does.
#include <SDL.h>
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <csignal>
#include <string>
#include <thread>

#include "harness/Environment.h"
#include "main/MainFixtures.h"
#include "main/Program.h"

using namespace KavirelTest;

namespace {

constexpr const char* kApplication =
    "OBJECT=GRA\r\nGRA:TYPE=APPLICATION\r\nGRA:EPISODES=EP\r\nGRA:STARTWITH=EP\r\n\r\n"
    "OBJECT=EP\r\nEP:TYPE=EPISODE\r\nEP:PATH=EP\r\nEP:SCENES=S1\r\n\r\n"
    "OBJECT=S1\r\nS1:TYPE=SCENE\r\nS1:PATH=EP\\S1\r\n";
constexpr const char* kGame = "OBJECT=GRA\r\nGRA:ONDONE={DI^INC();}\r\n\r\n"
                              "OBJECT=AI\r\nAI:TYPE=INTEGER\r\nAI:VALUE=0\r\nAI:TOINI=TRUE\r\n\r\n"
                              "OBJECT=DI\r\nDI:TYPE=INTEGER\r\nDI:VALUE=0\r\nDI:TOINI=TRUE\r\n\r\n"
                              "OBJECT=W\r\nW:TYPE=INTEGER\r\nW:VALUE=0\r\n\r\n"
                              "OBJECT=T\r\nT:TYPE=TIMER\r\nT:ELAPSE=50\r\n"
                              "T:ONTICK={AI^INC();@WHILE(\"W\",\"<\",5,\"{W^SET(0);}\");AI^INC();}\r\n";

} // namespace

TEST(Program, TheCloseButtonEndsAGameStuckInItsScript) {
    CScopedEnv driver("SDL_VIDEODRIVER", "dummy");
    CProgramFolder folder;
    folder.put("Dane/application.def", kApplication);
    folder.put("Dane/GRA.cnv", kGame);
    folder.put("Dane/EP/EP.cnv", "OBJECT=X\r\nX:TYPE=INTEGER\r\n");
    folder.put("Dane/EP/S1/S1.cnv", "OBJECT=Y\r\nY:TYPE=INTEGER\r\n");
    folder.put("Kavirel.ini", "[MAIN]\r\nTITLE=Proba\r\n");
    const std::filesystem::path ini = folder.root() / "game" / "Kavirel.ini";

    using Clock = std::chrono::steady_clock;
    std::atomic<bool> ended{false};
    std::atomic<bool> closed{false};
    std::atomic<bool> rescued{false};
    std::thread player([&] {
        const Clock::time_point start = Clock::now();
        // The handler is in its loop once its first count is kept (and a moment later, surely).
        while (!ended && CProgramFolder::read(ini).find("AI=1") == std::string::npos) {
            if (Clock::now() - start > std::chrono::seconds(60)) return;
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(500));
        if (ended) return;
        SDL_Event close{};
        close.type = SDL_WINDOWEVENT;
        close.window.event = SDL_WINDOWEVENT_CLOSE;
        closed = SDL_PushEvent(&close) == 1;
        // Should the close not end it within 10 s, a termination signal does, and the test fails.
        for (int i = 0; i < 200 && !ended; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(50));
        if (!ended) {
            rescued = true;
            std::raise(SIGTERM);
        }
    });
    char name[] = "kavirel", window[] = "-window", noSound[] = "-nosound", noMusic[] = "-nomusic";
    char* argv[] = {name, window, noSound, noMusic, nullptr};
    int code;
    {
        CKavirelProgram program(4, argv);
        code = program.run();
    }
    ended = true;
    player.join();
    for (int signal : {SIGTERM, SIGINT, SIGHUP}) std::signal(signal, SIG_DFL);

    ASSERT_TRUE(closed);
    EXPECT_FALSE(rescued);
    EXPECT_EQ(code, EXIT_OK);
    const std::string kept = CProgramFolder::read(ini);
    // Nothing of the handler after its loop; the application's ONDONE and the play count as at any end.
    EXPECT_NE(kept.find("AI=1"), std::string::npos) << kept;
    EXPECT_NE(kept.find("DI="), std::string::npos) << kept;
    EXPECT_EQ(kept.find("DI=0"), std::string::npos) << kept;
    EXPECT_NE(kept.find("Played=1"), std::string::npos) << kept;
}

// The program run whole in this process under SDL's dummy video driver, on games whose handlers never return:
// the window's close button, which only the script's watch sees while a script holds the main thread, ends
// them as a normal end does.
#include <SDL.h>
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <csignal>
#include <string>
#include <thread>
#include <vector>

#include "harness/Environment.h"
#include "main/MainFixtures.h"
#include "main/Program.h"

using namespace KavirelTest;

namespace {

constexpr const char* kApplication =
    "OBJECT=GRA\r\nGRA:TYPE=APPLICATION\r\nGRA:EPISODES=EP\r\nGRA:STARTWITH=EP\r\n\r\n"
    "OBJECT=EP\r\nEP:TYPE=EPISODE\r\nEP:PATH=EP\r\nEP:SCENES=S1\r\n\r\n"
    "OBJECT=S1\r\nS1:TYPE=SCENE\r\nS1:PATH=EP\\S1\r\n";
// AI counts the first timer's ticks, KI the runs of the second's handler while a key is down, DI the
// application's ONDONE; a handler given kLoop counts, loops without end, then counts again.
constexpr const char* kValues = "OBJECT=GRA\r\nGRA:ONDONE={DI^INC();}\r\n\r\n"
                                "OBJECT=AI\r\nAI:TYPE=INTEGER\r\nAI:VALUE=0\r\nAI:TOINI=TRUE\r\n\r\n"
                                "OBJECT=KI\r\nKI:TYPE=INTEGER\r\nKI:VALUE=0\r\nKI:TOINI=TRUE\r\n\r\n"
                                "OBJECT=DI\r\nDI:TYPE=INTEGER\r\nDI:VALUE=0\r\nDI:TOINI=TRUE\r\n\r\n"
                                "OBJECT=W\r\nW:TYPE=INTEGER\r\nW:VALUE=0\r\n\r\n"
                                "OBJECT=KEYBOARD\r\nKEYBOARD:TYPE=KEYBOARD\r\n\r\n"
                                "OBJECT=T\r\nT:TYPE=TIMER\r\nT:ELAPSE=50\r\nT:TICKS=1\r\n";
constexpr const char* kLoop = "@WHILE(\"W\",\"<\",5,\"{W^SET(0);}\");";

SDL_Event closeEvent() {
    SDL_Event close{};
    close.type = SDL_WINDOWEVENT;
    close.window.event = SDL_WINDOWEVENT_CLOSE;
    return close;
}

SDL_Event keyDown() {
    SDL_Event key{};
    key.type = SDL_KEYDOWN;
    key.key.state = SDL_PRESSED;
    key.key.keysym.scancode = SDL_SCANCODE_A;
    return key;
}

// Runs the program on a game whose first timer ticks once with the given code, and with the further objects;
// once the tick is kept (and half a second later) the desktop's events are added in one go. Answers the exit
// code and the ini file's text. A program still running 10 s later is ended by a termination signal and the
// test fails.
int runGame(const std::string& onTick, const std::string& objects, std::vector<SDL_Event> events,
            std::string& kept) {
    CScopedEnv driver("SDL_VIDEODRIVER", "dummy");
    CProgramFolder folder;
    folder.put("Dane/application.def", kApplication);
    folder.put("Dane/GRA.cnv", std::string(kValues) + "T:ONTICK={" + onTick + "}\r\n\r\n" + objects);
    folder.put("Dane/EP/EP.cnv", "OBJECT=X\r\nX:TYPE=INTEGER\r\n");
    folder.put("Dane/EP/S1/S1.cnv", "OBJECT=Y\r\nY:TYPE=INTEGER\r\n");
    folder.put("Kavirel.ini", "[MAIN]\r\nTITLE=Proba\r\n");
    const std::filesystem::path ini = folder.root() / "game" / "Kavirel.ini";

    using Clock = std::chrono::steady_clock;
    std::atomic<bool> ended{false};
    std::atomic<bool> added{false};
    std::atomic<bool> rescued{false};
    std::thread player([&] {
        const Clock::time_point start = Clock::now();
        while (!ended && CProgramFolder::read(ini).find("AI=1") == std::string::npos) {
            if (Clock::now() - start > std::chrono::seconds(60)) return;
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(500));
        if (ended) return;
        const int count = static_cast<int>(events.size());
        added = SDL_PeepEvents(events.data(), count, SDL_ADDEVENT, 0, 0) == count;
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
    EXPECT_TRUE(added);
    EXPECT_FALSE(rescued) << "the program did not end within 10 s";
    kept = CProgramFolder::read(ini);
    return code;
}

} // namespace

TEST(Program, TheCloseButtonEndsAGameStuckInItsScript) {
    std::string kept;
    // Closed while the timer's handler loops.
    EXPECT_EQ(runGame(std::string("AI^INC();") + kLoop + "AI^INC();", "", {closeEvent()}, kept), EXIT_OK);
    // Nothing of the handler after its loop; the application's ONDONE and the play count as at any end.
    EXPECT_NE(kept.find("AI=1"), std::string::npos) << kept;
    EXPECT_NE(kept.find("DI="), std::string::npos) << kept;
    EXPECT_EQ(kept.find("DI=0"), std::string::npos) << kept;
    EXPECT_NE(kept.find("Played=1"), std::string::npos) << kept;

    // A key pressed with the close: a handler that loops while it is down starts in the last frame, after the
    // close was taken. Until then each of its ticks waits 2 ms, so its 1 ms timer is due in every frame.
    const std::string whileDown = std::string("OBJECT=P\r\nP:TYPE=TIMER\r\nP:ELAPSE=1\r\n") +
                                  "P:ONTICK={@IF(KEYBOARD^ISKEYDOWN(A),_,TRUE,{KI^INC();" + kLoop +
                                  "KI^INC();},{SYSTEM^DELAY(2);});}\r\n";
    EXPECT_EQ(runGame("AI^INC();", whileDown, {keyDown(), closeEvent()}, kept), EXIT_OK);
    EXPECT_NE(kept.find("KI=1"), std::string::npos) << kept;
    EXPECT_EQ(kept.find("DI=0"), std::string::npos) << kept;
}

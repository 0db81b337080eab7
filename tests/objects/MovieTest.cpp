#include "objects/MediaFixtures.h"

#include <cmath>

#include "core/Log.h"
#include "harness/MovieFiles.h"
#include "media/anim/Movie.h"
#include "objects/Movie.h"
#include "platform/Audio.h"
#include "platform/Display.h"

namespace KavirelTest {

namespace {

CMovieWriterOptions movieOptions(int frames, int fps, int toneHz = 0, int w = 64, int h = 48) {
    CMovieWriterOptions o;
    o.frames = frames;
    o.fps = fps;
    o.toneHz = toneHz;
    o.width = w;
    o.height = h;
    return o;
}

// The frame index whose colour the word is (frames repeat their colours every 32), -1 for none.
int frameOf(uint16_t word, int bits = 16) {
    for (int i = 0; i < 32; ++i)
        if (word == (bits == 16 ? movieColour(i).rgb565() : movieColour(i).rgb555())) return i;
    return -1;
}

struct MovieGame : MediaGame {
    explicit MovieGame(const Properties& extra = {}, int bits = 16, const std::string& more = "")
        : MediaGame(movie(extra) + more, true, files(), bits) {
        CMovie::decodeOnMainThread(true);
    }
    ~MovieGame() { CMovie::decodeOnMainThread(false); }
    static std::string movie(const Properties& extra) {
        Properties p = {{"TYPE", "MOVIE"},
                        {"FILENAME", "FILM.AVI"},
                        {"PRIORITY", "5"},
                        {"POSITION", "100,50"},
                        {"ONSTARTED", logged("start.")},
                        {"ONFINISHED", logged("end.")}};
        p.insert(p.end(), extra.begin(), extra.end());
        return object("FILM", p);
    }
    static std::vector<std::pair<std::string, std::string>> files() {
        static const std::vector<std::pair<std::string, std::string>> made = {
            {"FILM.AVI", movieBytes(movieOptions(10, 25, 441))},
            {"TEN.AVI", movieBytes(movieOptions(30, 10))},
            {"LONG.AVI", movieBytes(movieOptions(250, 1, 0, 16, 16))},
            {"JUNK.AVI", std::string(2048, '\x33')},
            {"CUT.AVI", movieBytes(movieOptions(10, 25)).substr(0, 200)},
        };
        return made;
    }
    CMovie* movie() { return find<CMC_Movie>("FILM")->getMovie(); }
    uint16_t screen(int x, int y) {
        CDisplay* display = run->display();
        return display->pixels()[static_cast<size_t>(y) * static_cast<size_t>(display->pitch()) + x];
    }
    // The frame the movie's own surface holds.
    int shown() { return frameOf(reinterpret_cast<uint16_t*>(movie()->GetDataPtr())[0], screenBits); }
    int ticks(const std::string& log) {
        int n = 0;
        for (size_t at = 0; (at = log.find("t.", at)) != std::string::npos; at += 2) ++n;
        return n;
    }
};

int loudest(const std::vector<int16_t>& audio, size_t from) {
    int level = 0;
    for (size_t i = from; i < audio.size(); ++i) level = std::max(level, std::abs(static_cast<int>(audio[i])));
    return level;
}

} // namespace

TEST(ScriptMovie, ShowsEachFrameWhenDueWithItsEventsAndSound) {
    for (int bits : {16, 15}) {
        MovieGame game({{"ONFRAMEUPDATED", logged("t.")}}, bits);
        CMovie* movie = game.movie();
        ASSERT_TRUE(movie->hasStream());
        EXPECT_EQ(movie->Width(), 64); // the movie's own size, not the screen's
        EXPECT_EQ(movie->Height(), 48);
        EXPECT_EQ(game.call("FILM", "ISPLAYING"), "FALSE");
        game.call("FILM", "PLAY");
        EXPECT_EQ(game.log(), "start.");
        EXPECT_EQ(game.call("FILM", "ISPLAYING"), "TRUE");
        // The 40 ms callback runs every second frame of 20 ms; the screen shows its frame at the next redraw.
        game.run->frames(3);
        EXPECT_EQ(game.log(), "t.t.");
        uint16_t frame1 = bits == 16 ? movieColour(1).rgb565() : movieColour(1).rgb555();
        EXPECT_EQ(game.screen(100, 50), frame1);
        EXPECT_EQ(game.screen(163, 97), frame1);
        EXPECT_NE(game.screen(164, 50), frame1);
        size_t heard = game.run->audio().size();
        game.run->frames(4);
        EXPECT_EQ(game.shown(), 3);
        EXPECT_GT(loudest(game.run->audio(), heard), 6000); // the tone
        game.run->frames(30);
        EXPECT_EQ(game.log(), "t.t.t.t.t.t.t.t.end.");
        EXPECT_EQ(game.shown(), 9);
        EXPECT_EQ(game.call("FILM", "ISPLAYING"), "FALSE");
        heard = game.run->audio().size();
        game.run->frames(3);
        EXPECT_EQ(loudest(game.run->audio(), heard), 0);
    }
}

TEST(ScriptMovie, StopPauseAndAnInactiveWindowStillThePictureAndTheSound) {
    MovieGame game;
    game.call("FILM", "PLAY");
    game.run->frames(6);
    int frame = game.shown();
    EXPECT_GE(frame, 2);
    game.call("FILM", "PAUSE");
    EXPECT_EQ(game.call("FILM", "ISPLAYING"), "FALSE");
    size_t heard = game.run->audio().size();
    game.run->frames(10);
    EXPECT_EQ(game.shown(), frame);
    EXPECT_EQ(loudest(game.run->audio(), heard), 0);
    game.call("FILM", "RESUME");
    game.run->frames(4);
    EXPECT_EQ(game.shown(), frame + 2);

    game.run->window()->OnActivateApp(false);
    game.run->frames(2);
    frame = game.shown();
    heard = game.run->audio().size();
    game.run->frames(10);
    EXPECT_EQ(game.shown(), frame);
    EXPECT_EQ(loudest(game.run->audio(), heard), 0);
    game.run->window()->OnActivateApp(true);
    game.run->frames(4);
    EXPECT_GT(game.shown(), frame);
    game.log();

    game.call("FILM", "STOP", {"FALSE"});
    heard = game.run->audio().size();
    game.run->frames(4);
    EXPECT_EQ(game.log(), "");
    EXPECT_EQ(loudest(game.run->audio(), heard), 0);
    game.call("FILM", "PLAY");
    game.call("FILM", "STOP");
    EXPECT_EQ(game.log(), "start.end.");
}

TEST(ScriptMovie, LoopsAndRangesJumpBack) {
    MovieGame game;
    ASSERT_EQ(game.call("FILM", "LOAD", {"TEN.AVI"}), "TRUE"); // 3 s at 10 fps
    game.call("FILM", "SETLOOP", {"1000", "2000"});
    EXPECT_EQ(game.movie()->getRangeStart(), 10000000);
    game.call("FILM", "PLAY");
    // Played from 0, not from the range's start.
    game.run->frames(2);
    EXPECT_LE(game.shown(), 1);
    std::vector<int> seen;
    for (int i = 0; i < 300; ++i) {
        game.run->frames(1);
        if (seen.empty() || seen.back() != game.shown()) seen.push_back(game.shown());
    }
    // Up to 2 s, then back to 1 s, again and again, never finishing.
    EXPECT_EQ(*std::max_element(seen.begin(), seen.end()), 20);
    int jumps = 0;
    for (size_t i = 1; i < seen.size(); ++i)
        if (seen[i] < seen[i - 1]) {
            ++jumps;
            EXPECT_EQ(seen[i], 10);
        }
    EXPECT_GE(jumps, 3);
    EXPECT_EQ(game.log(), "start.");

    // One argument is the endless loop from the start; 0 plays to the end.
    game.call("FILM", "SETLOOP", {"500"});
    EXPECT_EQ(game.movie()->getRangeEnd(), -1);
    game.call("FILM", "PLAY");
    game.run->frames(400);
    EXPECT_EQ(game.log(), "start.");
    game.call("FILM", "SETLOOP", {"0", "0"});
    game.call("FILM", "PLAY");
    game.run->frames(200);
    EXPECT_EQ(game.log(), "start.end.");
}

TEST(ScriptMovie, SeeksInSixtyFourBits) {
    MovieGame game;
    ASSERT_EQ(game.call("FILM", "LOAD", {"LONG.AVI"}), "TRUE"); // 250 s at 1 fps
    game.call("FILM", "PLAY");
    game.run->frames(3);
    game.call("FILM", "SEEK", {"220000"});
    game.run->frames(3);
    EXPECT_EQ(game.shown(), 220 % 32);
    EXPECT_EQ(reinterpret_cast<uint16_t*>(game.movie()->GetDataPtr())[0], movieColour(220).rgb565());
}

TEST(ScriptMovie, FilesThatAreMissingOrDamagedAreRefused) {
    std::vector<std::string> lines;
    setLogHook([&](const std::string& line) { lines.push_back(line); });
    MovieGame game({}, 16,
                   object("EMPTY", {{"TYPE", "MOVIE"}, {"PRIORITY", "-1"}, {"ONSTARTED", logged("s.")}, {"ONFINISHED", logged("f.")}}) +
                       object("HIDDEN", {{"TYPE", "MOVIE"}, {"FILENAME", "FILM.AVI"}, {"PRIORITY", "-1"}}));
    CMovie* movie = game.movie();
    EXPECT_EQ(game.call("FILM", "LOAD", {"NOWHERE.AVI"}), "FALSE");
    EXPECT_EQ(movie->LastError(), ERR_FILE_NOT_FOUND);
    EXPECT_FALSE(movie->hasStream());
    EXPECT_EQ(game.call("FILM", "LOAD", {"JUNK.AVI"}), "FALSE");
    EXPECT_EQ(movie->LastError(), ERR_FILE_DAMAGED);
    EXPECT_EQ(game.call("FILM", "LOAD", {"CUT.AVI"}), "FALSE");
    EXPECT_EQ(movie->LastError(), ERR_FILE_DAMAGED);
    setLogHook(nullptr);
    int named = 0;
    for (const std::string& line : lines) named += line.find("JUNK.AVI") != std::string::npos;
    EXPECT_EQ(named, 1);

    // Without a file PLAY finishes at once and never starts.
    game.call("EMPTY", "PLAY");
    EXPECT_EQ(game.log(), "f.");
    game.call("FILM", "PLAY");
    EXPECT_EQ(game.log(), "end.");
    EXPECT_EQ(game.call("EMPTY", "LOAD", {"FILM.AVI"}), "TRUE");
    game.call("EMPTY", "PLAY");
    EXPECT_EQ(game.log(), "s.");

    // PRIORITY -1 stays off the screen.
    game.call("HIDDEN", "PLAY");
    game.run->frames(6);
    EXPECT_EQ(game.screen(0, 0), game.screen(799, 599));
    EXPECT_EQ(frameOf(game.screen(0, 0)), -1);
}

} // namespace KavirelTest

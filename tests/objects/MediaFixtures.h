#pragma once
#include <memory>
#include <string>
#include <vector>

#include "harness/ImageFiles.h"
#include "objects/Mouse.h"
#include "platform/Input.h"
#include "script/GameFixtures.h"

namespace KavirelTest {

// A game whose first scene (folder Dane/E1/S1) holds the objects given, with an application STRING LOG that
// handlers append to; its window has injected input and, when asked, a headless screen.
struct MediaGame {
    explicit MediaGame(const std::string& sceneObjects, bool screen = false,
                       const std::vector<std::pair<std::string, std::string>>& files = {}, int bits = 16)
        : withScreen(screen), screenBits(bits) {
        EpisodeGame game(folder, object("LOG", {{"TYPE", "STRING"}, {"VALUE", ""}}), "",
                         {sceneObjects, "", ""});
        // Names with a folder ("Wavs/...") are below the game root, others in the scene's folder.
        for (const auto& [name, bytes] : files)
            folder.write(name.find('/') != std::string::npos ? name : "Dane/E1/S1/" + name, bytes);
        start(false);
    }
    void start(bool fromCache) {
        run.reset();
        CGameOptions options;
        options.input = true;
        options.screen = withScreen;
        options.screenBits = screenBits;
        options.fromCache = fromCache;
        options.soundFolder = "Wavs";
        run = std::make_unique<CGameRun>(folder, options);
    }
    ~MediaGame() {
        run.reset();
        CMC_Mouse::reset(true);
    }
    std::string log() {
        std::string text = logOf(*run);
        callMethod(run->app()->getObject(CXString("LOG")), "SET", {""});
        return text;
    }
    std::string call(const char* object, const char* method, std::vector<std::string> args = {}) {
        CMC_Object* target = run->find(object);
        if (!target) return "<no " + std::string(object) + ">";
        CMC_Variable* result = callMethod(target, method, std::move(args));
        std::string out = text(result);
        CMC_Object::flush(result);
        return out;
    }
    // A press and release of the platform's button (0 left, 1 right, 2 middle) at (x, y), then a frame.
    void press(int button, int x, int y) {
        run->input()->injectMouseButton(button, true, x, y, 1);
        run->input()->injectMouseButton(button, false, x, y);
        run->frames(1);
    }
    void move(int x, int y) {
        run->input()->injectMouseMove(x, y);
        run->frames(1);
    }
    template <class T>
    T* find(const char* name) {
        return static_cast<T*>(run->find(name));
    }

    bool withScreen;
    int screenBits;
    CGameFolder folder;
    std::unique_ptr<CGameRun> run;
};

inline std::string logged(const char* text) { return std::string("{LOG^ADD(\"") + text + "\");}"; }

// A 16-bit picture of one colour at (x, y), with an alpha plane when alpha is 0..255.
inline std::string solidPicture(int w, int h, uint16_t colour, int x = 0, int y = 0, int alpha = -1) {
    std::vector<uint16_t> pixels(static_cast<size_t>(w * h), colour);
    std::string plane = alpha >= 0 ? std::string(static_cast<size_t>(w * h), static_cast<char>(alpha)) : "";
    return pik(w, h, 16, 0, words(pixels), plane, x, y);
}

} // namespace KavirelTest

#include "platform/MessageBox.h"

#include "platform/Codepage.h"
#include "platform/DisplayImpl.h"
#include "platform/Video.h"

#include <SDL2/SDL.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace KavirelDLL {

namespace {

const char* answerName(EMessageAnswer answer) {
    switch (answer) {
    case EMessageAnswer::Yes:
        return "Yes";
    case EMessageAnswer::No:
        return "No";
    default:
        return "OK";
    }
}

EMessageAnswer toStderr(const std::string& title, const std::string& text, EMessageAnswer answer,
                        const char* why) {
    std::fprintf(stderr, "[message box%s%s] %s: %s (answered %s)\n", why ? ", " : "", why ? why : "",
                 cp1250ToUtf8(title).c_str(), cp1250ToUtf8(text).c_str(), answerName(answer));
    std::fflush(stderr);
    return answer;
}

struct CYesNo {
    const char* yes;
    const char* no;
};

// The desktop's language names the buttons, as the system's own boxes did.
CYesNo yesNoLabels() {
    const char* lang = nullptr;
    for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        lang = std::getenv(name);
        if (lang && *lang) break;
    }
    if (lang && std::strncmp(lang, "pl", 2) == 0) return {"Tak", "Nie"};
    if (lang && std::strncmp(lang, "cs", 2) == 0) return {"Ano", "Ne"};
    if (lang && std::strncmp(lang, "hu", 2) == 0) return {"Igen", "Nem"};
    return {"Yes", "No"};
}

// A box that cannot be shown answers notShown, or the default when that is null.
EMessageAnswer showBox(const std::string& title, const std::string& text, EMessageButtons buttons,
                       EMessageAnswer defaultAnswer, CDisplay* owner, const EMessageAnswer* notShown) {
    EMessageAnswer fallback = EMessageAnswer::Ok;
    if (buttons == EMessageButtons::YesNo)
        fallback = defaultAnswer == EMessageAnswer::Yes ? EMessageAnswer::Yes : EMessageAnswer::No;
    const EMessageAnswer failed = notShown ? *notShown : fallback;
    SDL_Window* parent = nullptr;
    if (auto* base = dynamic_cast<CDisplayBase*>(owner))
        parent = static_cast<SDL_Window*>(base->nativeWindow());
    if (!CVideo::desktopAvailable() || (owner && !parent)) return toStderr(title, text, failed, "headless");

    const std::string utf8Title = cp1250ToUtf8(title);
    const std::string utf8Text = cp1250ToUtf8(text);
    SDL_MessageBoxButtonData data[2];
    int count = 0;
    if (buttons == EMessageButtons::Ok) {
        data[count++] = {SDL_MESSAGEBOX_BUTTON_RETURNKEY_DEFAULT | SDL_MESSAGEBOX_BUTTON_ESCAPEKEY_DEFAULT,
                         static_cast<int>(EMessageAnswer::Ok), "OK"};
    } else {
        Uint32 yesFlags = fallback == EMessageAnswer::Yes ? SDL_MESSAGEBOX_BUTTON_RETURNKEY_DEFAULT : 0;
        Uint32 noFlags = SDL_MESSAGEBOX_BUTTON_ESCAPEKEY_DEFAULT |
                         (fallback == EMessageAnswer::No ? SDL_MESSAGEBOX_BUTTON_RETURNKEY_DEFAULT : 0);
        CYesNo labels = yesNoLabels();
        data[count++] = {yesFlags, static_cast<int>(EMessageAnswer::Yes), labels.yes};
        data[count++] = {noFlags, static_cast<int>(EMessageAnswer::No), labels.no};
    }
    SDL_MessageBoxData box{};
    box.flags = SDL_MESSAGEBOX_INFORMATION;
    box.window = parent;
    box.title = utf8Title.c_str();
    box.message = utf8Text.c_str();
    box.numbuttons = count;
    box.buttons = data;
    int pressed = -1;
    if (SDL_ShowMessageBox(&box, &pressed) != 0) return toStderr(title, text, failed, SDL_GetError());
    // Closing the box without a button counts as its escape button.
    if (pressed < 0) return buttons == EMessageButtons::Ok ? EMessageAnswer::Ok : EMessageAnswer::No;
    return static_cast<EMessageAnswer>(pressed);
}

} // namespace

EMessageAnswer showMessageBox(const std::string& title, const std::string& text, EMessageButtons buttons,
                              EMessageAnswer defaultAnswer, CDisplay* owner) {
    return showBox(title, text, buttons, defaultAnswer, owner, nullptr);
}

EMessageAnswer askBeforeRemoving(const std::string& title, const std::string& text, CDisplay* owner) {
    const EMessageAnswer notShown = EMessageAnswer::No;
    return showBox(title, text, EMessageButtons::YesNo, EMessageAnswer::Yes, owner, &notShown);
}

} // namespace KavirelDLL

#pragma once

namespace KavirelDLL {

// The keyboard poller. Only the national key map's reload is declared so far; the poller is completed
// with input routing.
class CKeyboard {
public:
    // Takes the national key map of the window's current language.
    void initLanguage();
};

} // namespace KavirelDLL

#pragma once
#include <string>

namespace KavirelDLL {

struct SPlatformLocale {
    std::string language;  // lower case, "pl"; empty when none
    std::string territory; // upper case, "PL"; may be empty
};

class CPlatformLocale {
public:
    // The process's language from LC_ALL, LC_MESSAGES, LANG: the first that is set and not empty.
    static SPlatformLocale current();
    // Reads "ll_TT.codeset@modifier"; "C", "POSIX", "C.UTF-8" and malformed values give none.
    static SPlatformLocale parse(const std::string& value);
    // The Windows language id the engine's language table knows ("0415", "0c07", ...), written as that
    // table writes it; empty for a language it does not list.
    static std::string localeId(const SPlatformLocale& locale);
};

} // namespace KavirelDLL

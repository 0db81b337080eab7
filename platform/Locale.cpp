#include "platform/Locale.h"

#include <cstdlib>

namespace KavirelDLL {

namespace {
bool allLetters(const std::string& s) {
    for (char c : s)
        if (!((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'))) return false;
    return true;
}

std::string lowered(std::string s) {
    for (char& c : s)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
    return s;
}

std::string uppered(std::string s) {
    for (char& c : s)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
    return s;
}
} // namespace

SPlatformLocale CPlatformLocale::parse(const std::string& value) {
    SPlatformLocale locale;
    std::string name = value.substr(0, value.find_first_of(".@"));
    std::string language = name.substr(0, name.find('_'));
    std::string territory = name.find('_') == std::string::npos ? "" : name.substr(name.find('_') + 1);
    // "C", "POSIX" and "C.UTF-8" fall out here: no language code is one letter or five.
    if (language.size() < 2 || language.size() > 3 || !allLetters(language)) return locale;
    if (!territory.empty() && (territory.size() != 2 || !allLetters(territory))) territory.clear();
    locale.language = lowered(language);
    locale.territory = uppered(territory);
    return locale;
}

SPlatformLocale CPlatformLocale::current() {
    for (const char* variable : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        const char* value = std::getenv(variable);
        if (value && *value) return parse(value);
    }
    return {};
}

std::string CPlatformLocale::localeId(const SPlatformLocale& locale) {
    const std::string& l = locale.language;
    if (l == "pl") return "0415";
    if (l == "cs") return "0405";
    if (l == "bg") return "0402";
    if (l == "ro") return "0418";
    if (l == "ru") return "0419";
    if (l == "hu") return "040E";
    if (l == "sk") return "041B";
    if (l == "uk") return "0422";
    if (l == "de") {
        if (locale.territory == "AT") return "0c07";
        if (locale.territory == "CH") return "0807";
        return "0407";
    }
    return "";
}

} // namespace KavirelDLL

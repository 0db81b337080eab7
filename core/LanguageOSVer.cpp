#include "core/LanguageOSVer.h"

#include "core/WindowLink.h"
#include "platform/Files.h"
#include "platform/Locale.h"

namespace KavirelDLL {

namespace {
struct SLanguageEntry {
    const char* localeId;
    int language;
    const char* folder;
};

const SLanguageEntry kLanguages[] = {
    {"0415", CLanguageOSVer::LANG_POLISH, "POL"},
    {"0405", CLanguageOSVer::LANG_CZECH, "CZE"},
    {"0402", CLanguageOSVer::LANG_BULGARIAN, "BUL"},
    {"0418", CLanguageOSVer::LANG_ROMANIAN, "ROM"},
    {"0419", CLanguageOSVer::LANG_RUSSIAN, "RUS"},
    {"040E", CLanguageOSVer::LANG_HUNGARIAN, "HUN"},
    {"041B", CLanguageOSVer::LANG_SLOVAK, "SLO"},
    {"0422", CLanguageOSVer::LANG_UKRAINIAN, "UKR"},
    {"0407", CLanguageOSVer::LANG_GERMAN, "NIEM"},
    {"0c07", CLanguageOSVer::LANG_GERMAN_AUSTRIA, "NIEM"},
    {"0807", CLanguageOSVer::LANG_GERMAN_SWISS, "NIEM"},
};
} // namespace

int CLanguageOSVer::languageOfLocaleId(const CXString& localeId, bool ignoreCase) {
    for (const SLanguageEntry& entry : kLanguages)
        if (ignoreCase ? localeId.equalsIgnoreCase(entry.localeId) : localeId.equals(entry.localeId))
            return entry.language;
    return 0;
}

CXString CLanguageOSVer::folderOfLanguage(int language) {
    for (const SLanguageEntry& entry : kLanguages)
        if (entry.language == language) return entry.folder;
    return CXString();
}

CLanguageOSVer::CLanguageOSVer() {
    CXString localeId = CPlatformLocale::localeId(CPlatformLocale::current()).c_str();
    if (int language = languageOfLocaleId(localeId, true)) m_language = language;
    m_folder = folderOfLanguage(m_language);
}

void CLanguageOSVer::setLanguageFolder(CXString localeId) {
    if (!localeId.IsString()) return;
    if (int language = languageOfLocaleId(localeId, false)) m_language = language;
    m_folder = folderOfLanguage(m_language);
    if (m_window && CWindowLink::languageChanged) CWindowLink::languageChanged(m_window);
}

CXString CLanguageOSVer::getLocalFileName(CXString name) {
    if (!m_folder.IsString()) return name;
    int slash = name.FindLast('\\');
    if (slash < 0) return m_folder + "\\" + name;
    CXString candidate = name.Left(slash + 1) + m_folder + name.Right(slash);
    CPlatformFile file;
    if (file.open(candidate.GetBuffer(), EOpenMode::read) == EPlatformError::none) return candidate;
    return name;
}

} // namespace KavirelDLL

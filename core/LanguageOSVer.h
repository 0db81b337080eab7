#pragma once
#include <cstdint>

#include "core/XString.h"

namespace KavirelDLL {

class CWindow;

// The national language of the process and the data subfolder of its localised files.
class CLanguageOSVer {
public:
    enum : int32_t {
        LANG_POLISH = 1,
        LANG_CZECH = 2,
        LANG_BULGARIAN = 3,
        LANG_ROMANIAN = 4,
        LANG_RUSSIAN = 5,
        LANG_HUNGARIAN = 6,
        LANG_SLOVAK = 7,
        LANG_UKRAINIAN = 8,
        LANG_GERMAN = 9, // also every language the table does not list
        LANG_GERMAN_AUSTRIA = 10,
        LANG_GERMAN_SWISS = 11,
    };

    // From the process's locale (LC_ALL, LC_MESSAGES, LANG).
    CLanguageOSVer();
    CLanguageOSVer(const CLanguageOSVer&) = default;
    CLanguageOSVer& operator=(const CLanguageOSVer&) = default;

    // A Windows locale id as the table writes it ("0415", "0c07"); empty or unknown ids keep the
    // language. With a window, its keyboard takes the new national key map.
    void setLanguageFolder(CXString localeId);
    // The localised copy of a data file when it exists ("Dane\POL\scene.cnv" for "Dane\scene.cnv"); a
    // bare file name is put in the language folder without looking at the disk.
    CXString getLocalFileName(CXString name);

    int getLang() const { return m_language; }
    CXString getLanguageFolder() const { return m_folder; }
    void setWindowIfc(CWindow* window) { m_window = window; }

    // The language of a locale id; ignoreCase as the system's own id is read, else byte for byte.
    // Unknown ids answer 0.
    static int languageOfLocaleId(const CXString& localeId, bool ignoreCase);
    // The folder of a language, empty for values outside the table.
    static CXString folderOfLanguage(int language);

private:
    int32_t m_language = LANG_GERMAN;
    CXString m_folder;
    CWindow* m_window = nullptr;
};

} // namespace KavirelDLL

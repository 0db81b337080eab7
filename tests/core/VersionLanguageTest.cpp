#include <gtest/gtest.h>

#include <string>

#include "core/LanguageOSVer.h"
#include "core/XVersion.h"
#include "display/Window.h"
#include "harness/Environment.h"
#include "platform/Files.h"
#include "platform/TempFolder.h"

using namespace KavirelDLL;
using KavirelTest::CLocaleEnvironment;

namespace {

std::string text(const CXString& s) { return s.GetBuffer(); }

} // namespace

TEST(XVersion, ParsesTypePrefixAndNumbers) {
    CXVersion web(CXString("KW.2.1.7"));
    EXPECT_EQ(web.getType(), 3);
    EXPECT_EQ(web.getMajor(), 2);
    EXPECT_EQ(web.getMinor(), 1);
    EXPECT_EQ(web.getBuild(), 7);
    CXVersion plain(CXString("1.0.9"));
    EXPECT_EQ(plain.getType(), 0);
    EXPECT_EQ(plain.getMajor(), 1);
    EXPECT_EQ(plain.getBuild(), 9);
    EXPECT_EQ(CXVersion(CXString("K.1")).getType(), 2);
    EXPECT_EQ(CXVersion(CXString("KM..3..4")).getMinor(), 4); // runs of points are one separator
    EXPECT_EQ(CXVersion(CXString("Zeta.5")).getType(), 1);
    EXPECT_EQ(CXVersion(CXString("k.5")).getType(), 1); // the prefix is matched letter for letter
    CXVersion empty((CXString()));
    EXPECT_EQ(text(empty.toString()), ".0.0.0");
}

TEST(XVersion, Prints) {
    EXPECT_EQ(text(CXVersion::getCurrentVersion()->toString()), "Kavirel.1.0.9");
    EXPECT_EQ(text(CXVersion(0, 1, 2, 3).toString()), ".1.2.3");
    EXPECT_EQ(text(CXVersion(1, 1, 2, 3).toString()), "X.1.2.3");
    EXPECT_EQ(text(CXVersion(3, 4, 0, 1).toString()), "Kavirel WEB.4.0.1");
    EXPECT_EQ(text(CXVersion(4, 4, 0, 1).toString()), "Kavirel MC.4.0.1");
    // The printed form of an untyped version reads back as it was.
    CXVersion back(CXVersion(0, 7, 8, 9).toString());
    EXPECT_EQ(back.getType(), 0);
    EXPECT_EQ(back.getMinor(), 8);
}

TEST(XVersion, VerifyAgainstRequiredVersions) {
    const CXVersion* engine = CXVersion::getCurrentVersion();
    auto verify = [&](const char* required) {
        CXVersion r((CXString(required)));
        return engine->verify(&r);
    };
    EXPECT_TRUE(verify("K.1.0.12")); // the build does not count
    EXPECT_FALSE(verify("K.1.1.0"));
    EXPECT_FALSE(verify("KW.1.0.0"));
    EXPECT_TRUE(verify("0.9.9"));
    EXPECT_TRUE(verify("K.0.9.99"));
    EXPECT_FALSE(verify("K.2.0.0"));
    EXPECT_TRUE(engine->verify(nullptr));

    CXVersion other(1, 3, 5, 0);
    for (int type = 0; type <= 4; ++type) {
        CXVersion lower(type, 3, 4, 99), equal(type, 3, 5, 99), higher(type, 3, 6, 0);
        EXPECT_TRUE(other.verify(&lower));
        EXPECT_TRUE(other.verify(&equal));
        EXPECT_EQ(other.verify(&higher), type == 0);
    }
}

TEST(LanguageOSVer, FolderFromTheProcessLocale) {
    struct {
        const char* locale;
        int language;
        const char* folder;
    } cases[] = {
        {"pl_PL.UTF-8", 1, "POL"},   {"cs_CZ", 2, "CZE"},   {"hu_HU.UTF-8", 6, "HUN"},
        {"de_AT.UTF-8", 10, "NIEM"}, {"de_CH", 11, "NIEM"}, {"de_DE", 9, "NIEM"},
        {"en_US.UTF-8", 9, "NIEM"},  {"C", 9, "NIEM"},      {nullptr, 9, "NIEM"},
    };
    for (const auto& c : cases) {
        CLocaleEnvironment environment(c.locale);
        CLanguageOSVer language;
        EXPECT_EQ(language.getLang(), c.language) << (c.locale ? c.locale : "(none)");
        EXPECT_EQ(text(language.getLanguageFolder()), c.folder) << (c.locale ? c.locale : "(none)");
    }
}

TEST(LanguageOSVer, SetLanguageFolderMatchesIdsAsWritten) {
    CLanguageOSVer language;
    language.setLanguageFolder("0405");
    EXPECT_EQ(language.getLang(), 2);
    EXPECT_EQ(text(language.getLanguageFolder()), "CZE");
    language.setLanguageFolder("0C07"); // not as the table writes it: unchanged
    EXPECT_EQ(language.getLang(), 2);
    language.setLanguageFolder("0c07");
    EXPECT_EQ(language.getLang(), 10);
    language.setLanguageFolder("");
    EXPECT_EQ(language.getLang(), 10);
    language.setLanguageFolder("040E");
    EXPECT_EQ(text(language.getLanguageFolder()), "HUN");

    // A window without a keyboard yet is fine.
    CWindow window;
    language.setWindowIfc(&window);
    language.setLanguageFolder("0415");
    EXPECT_EQ(text(language.getLanguageFolder()), "POL");

    CLanguageOSVer copy = language;
    EXPECT_EQ(copy.getLang(), 1);
    EXPECT_EQ(text(CLanguageOSVer::folderOfLanguage(12)), "");
}

TEST(LanguageOSVer, LocalFileNames) {
    CTempFolder folder("lang");
    folder.put("Dane/POL/scene.cnv", "x");
    folder.put("Dane/other.cnv", "x");
    std::string root = CPlatformFiles::toEngineName(folder.str());

    CLocaleEnvironment environment("pl_PL");
    CLanguageOSVer language;
    EXPECT_EQ(text(language.getLocalFileName("intro.wav")), "POL\\intro.wav"); // without looking
    EXPECT_EQ(text(language.getLocalFileName((root + "\\Dane\\scene.cnv").c_str())),
              root + "\\Dane\\POL\\scene.cnv");
    EXPECT_EQ(text(language.getLocalFileName((root + "\\DANE\\SCENE.CNV").c_str())),
              root + "\\DANE\\POL\\SCENE.CNV"); // names match without regard to case
    EXPECT_EQ(text(language.getLocalFileName((root + "\\Dane\\other.cnv").c_str())),
              root + "\\Dane\\other.cnv");
}

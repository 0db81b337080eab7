#include "platform/Locale.h"

#include <gtest/gtest.h>

#include <string>

#include "harness/Environment.h"

using namespace KavirelDLL;

namespace {
std::string show(const SPlatformLocale& l) { return l.language + "|" + l.territory; }
} // namespace

TEST(PlatformLocale, ParsesLanguageAndTerritory) {
    EXPECT_EQ(show(CPlatformLocale::parse("pl_PL.UTF-8")), "pl|PL");
    EXPECT_EQ(show(CPlatformLocale::parse("de_AT.ISO-8859-1@euro")), "de|AT");
    EXPECT_EQ(show(CPlatformLocale::parse("cs")), "cs|");
    EXPECT_EQ(show(CPlatformLocale::parse("PL_pl")), "pl|PL");
    EXPECT_EQ(show(CPlatformLocale::parse("ast_ES")), "ast|ES");
    EXPECT_EQ(show(CPlatformLocale::parse("sr_RS@latin")), "sr|RS");
    EXPECT_EQ(show(CPlatformLocale::parse("en_XYZ")), "en|");
    for (const char* none : {"C", "POSIX", "C.UTF-8", "", "x", "1234", "p1_PL", "toolong_PL"})
        EXPECT_EQ(show(CPlatformLocale::parse(none)), "|") << none;
}

TEST(PlatformLocale, FirstNonEmptyVariableWins) {
    KavirelTest::CLocaleEnvironment environment;
    EXPECT_EQ(show(CPlatformLocale::current()), "|");
    setenv("LANG", "hu_HU.UTF-8", 1);
    EXPECT_EQ(show(CPlatformLocale::current()), "hu|HU");
    setenv("LC_MESSAGES", "sk_SK", 1);
    EXPECT_EQ(show(CPlatformLocale::current()), "sk|SK");
    setenv("LC_ALL", "", 1);
    EXPECT_EQ(show(CPlatformLocale::current()), "sk|SK");
    setenv("LC_ALL", "C", 1);
    EXPECT_EQ(show(CPlatformLocale::current()), "|");
}

TEST(PlatformLocale, LocaleIdsOfTheLanguageTable) {
    auto id = [](const char* value) { return CPlatformLocale::localeId(CPlatformLocale::parse(value)); };
    EXPECT_EQ(id("pl_PL.UTF-8"), "0415");
    EXPECT_EQ(id("cs_CZ"), "0405");
    EXPECT_EQ(id("bg_BG"), "0402");
    EXPECT_EQ(id("ro_RO"), "0418");
    EXPECT_EQ(id("ru_UA"), "0419");
    EXPECT_EQ(id("hu_HU"), "040E");
    EXPECT_EQ(id("sk_SK"), "041B");
    EXPECT_EQ(id("uk_UA"), "0422");
    EXPECT_EQ(id("de_DE"), "0407");
    EXPECT_EQ(id("de"), "0407");
    EXPECT_EQ(id("de_AT"), "0c07");
    EXPECT_EQ(id("de_CH"), "0807");
    EXPECT_EQ(id("en_US"), "");
    EXPECT_EQ(id("C"), "");
}

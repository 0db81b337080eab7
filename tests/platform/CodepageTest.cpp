#include "platform/Codepage.h"

#include <gtest/gtest.h>

using namespace KavirelDLL;

TEST(Codepage, PolishLettersRoundTrip) {
    // "Zażółć gęślą jaźń" in code page 1250
    const std::string cp = "Za\xBF\xF3\xB3\xE6 g\xEA\x9Cl\xB9 ja\x9F\xF1";
    const std::string utf8 =
        "Za\xC5\xBC\xC3\xB3\xC5\x82\xC4\x87 g\xC4\x99\xC5\x9Bl\xC4\x85 ja\xC5\xBA\xC5\x84";
    EXPECT_EQ(cp1250ToUtf8(cp), utf8);
    bool ok = false;
    EXPECT_EQ(utf8ToCp1250(utf8, &ok), cp);
    EXPECT_TRUE(ok);
}

TEST(Codepage, EveryDefinedByteRoundTrips) {
    for (int b = 0x01; b < 0x100; ++b) {
        std::string one(1, static_cast<char>(b));
        std::string utf8 = cp1250ToUtf8(one);
        if (utf8 == "\xEF\xBF\xBD") continue; // undefined in the code page
        bool ok = false;
        EXPECT_EQ(utf8ToCp1250(utf8, &ok), one) << b;
        EXPECT_TRUE(ok) << b;
    }
}

TEST(Codepage, UnmappableAndMalformedBecomeQuestionMarks) {
    bool ok = true;
    EXPECT_EQ(utf8ToCp1250("a\xE2\x82\xBD"
                           "b",
                           &ok),
              "a?b"); // rouble sign
    EXPECT_FALSE(ok);
    EXPECT_EQ(utf8ToCp1250("x\xC5", &ok), "x?"); // truncated sequence
    EXPECT_FALSE(ok);
    EXPECT_EQ(utf8ToCp1250("\xFFz", &ok), "?z");
}

TEST(Codepage, NamesFoldByTheEngineLetterPairsOnly) {
    const std::string upper = "AZ\x8C\x8F\xA3\xA5\xAF\xC6\xCA\xD1\xD3";
    const std::string lower = "az\x9C\x9F\xB3\xB9\xBF\xE6\xEA\xF1\xF3";
    EXPECT_EQ(foldCp1250(upper), lower);
    EXPECT_EQ(foldCp1250(lower), lower);
    int changed = 0;
    for (int b = 0; b < 0x100; ++b)
        if (foldCp1250(static_cast<char>(b)) != static_cast<char>(b)) ++changed;
    EXPECT_EQ(changed, 26 + 9); // nothing else moves, not even the other accented capitals
    EXPECT_EQ(foldCp1250('\x8A'), '\x8A');
    EXPECT_EQ(foldCp1250('\xC9'), '\xC9');
}

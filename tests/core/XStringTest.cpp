#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "core/Containers.h"
#include "core/XString.h"
#include "harness/AllocationCount.h"

using namespace KavirelDLL;
using KavirelTest::CAllocationCount;

namespace {

std::string bytes(const CXString& s) {
    return std::string(s.GetBuffer(), static_cast<size_t>(s.GetLength()));
}

} // namespace

TEST(XStringCapacity, ConstructionFollowsTheTextLength) {
    EXPECT_EQ(CXString().GetCapacity(), 32);
    EXPECT_EQ(CXString(static_cast<const char*>(nullptr)).GetCapacity(), 32);
    EXPECT_EQ(CXString(std::string(31, 'a').c_str()).GetCapacity(), 32);
    EXPECT_EQ(CXString(std::string(32, 'a').c_str()).GetCapacity(), 64);
    EXPECT_EQ(CXString(std::string(100, 'a').c_str()).GetCapacity(), 132);

    CXString big(std::string(100, 'a').c_str());
    big.left(3);
    CXString copy(big);
    EXPECT_EQ(copy.GetCapacity(), 132);
    EXPECT_EQ(bytes(copy), "aaa");
}

TEST(XStringCapacity, AssignmentKeepsOrReplacesTheBuffer) {
    CXString wide(std::string(100, 'x').c_str()); // capacity 132
    CXString narrow("abc");                       // capacity 32
    narrow = wide;
    EXPECT_EQ(narrow.GetCapacity(), 132); // re-allocated: source length + 32
    wide = CXString("short");
    EXPECT_EQ(wide.GetCapacity(), 132); // kept
    EXPECT_EQ(bytes(wide), "short");

    CXString s;
    s = std::string(31, 'b').c_str();
    EXPECT_EQ(s.GetCapacity(), 32);
    s = std::string(32, 'b').c_str();
    EXPECT_EQ(s.GetCapacity(), 64);
    s = static_cast<const char*>(nullptr);
    EXPECT_EQ(s.GetLength(), 32);

    CXString self("self");
    CXString& same = self;
    self = same;
    EXPECT_EQ(bytes(self), "self");
    self = self.GetBuffer() + 1; // text inside its own buffer
    EXPECT_EQ(bytes(self), "elf");
}

TEST(XStringCapacity, AppendingTextGrowsAtTheBoundary) {
    CXString s(std::string(20, 'a').c_str());
    s += std::string(11, 'b').c_str(); // 31 < 32: in place
    EXPECT_EQ(s.GetCapacity(), 32);
    s += "c"; // 32 is not below 32
    EXPECT_EQ(s.GetCapacity(), 64);
    EXPECT_EQ(s.GetLength(), 32);

    CXString twice("abc");
    twice += twice;
    EXPECT_EQ(bytes(twice), "abcabc");
    CXString grow(std::string(20, 'z').c_str());
    grow += grow; // re-allocates while appending its own text
    EXPECT_EQ(bytes(grow), std::string(40, 'z'));
}

// Appended text that outgrows the buffer doubles it, or takes the new length and the spare when that is more.
TEST(XStringCapacity, AppendingTextDoublesTheCapacity) {
    CXString s(std::string(100, 'a').c_str()); // 132
    s += std::string(31, 'b').c_str();         // 131 < 132: in place
    EXPECT_EQ(s.GetCapacity(), 132);
    s += CXString("c"); // 132 is not below 132
    EXPECT_EQ(s.GetCapacity(), 264);
    CXString small("abc");
    small += std::string(100, 'x').c_str();
    EXPECT_EQ(small.GetCapacity(), 135);
    EXPECT_EQ(bytes(small), "abc" + std::string(100, 'x'));

    // A copy and an assignment still size for the text alone.
    CXString copy(s);
    EXPECT_EQ(copy.GetCapacity(), 264);
    CXString assigned;
    assigned = s;
    EXPECT_EQ(assigned.GetCapacity(), 164);
    EXPECT_EQ(bytes(assigned), std::string(100, 'a') + std::string(31, 'b') + "c");
}

// Appending short pieces one by one re-allocates a number of times that grows with the logarithm of the
// length, never copying the whole text at every step; the text is the pieces in order.
TEST(XStringCapacity, ALongTextGrowsWithoutCopyingItselfAtEveryAppend) {
    const CXString twelve("abcdefghijkl");
    std::string expected;
    for (int i = 0; i < 100000; ++i)
        expected += i % 3 == 0 ? "abcdefghijkl" : i % 3 == 1 ? "0123456789" : "ABCDEFGHIJK";
    CXString built;
    {
        CAllocationCount allocations;
        for (int i = 0; i < 100000; ++i) {
            if (i % 3 == 0)
                built += twelve;
            else
                built += i % 3 == 1 ? "0123456789" : "ABCDEFGHIJK";
        }
        EXPECT_LT(allocations.blocks(), 40);
    }
    EXPECT_EQ(bytes(built), expected);

    // Joined by operator+ and replace, which append as they go.
    CXString joined = built + "|" + built;
    EXPECT_EQ(bytes(joined), expected + "|" + expected);
    CXString dots(std::string(200000, '.').c_str());
    CAllocationCount allocations;
    CXString replaced = dots.replace(CXString("."), CXString("ab"));
    EXPECT_LT(allocations.blocks(), 40);
    EXPECT_EQ(bytes(replaced).size(), 400000u);
    EXPECT_EQ(bytes(replaced).substr(0, 6), "ababab");
}

TEST(XStringCapacity, AppendingACharacterDoublesBelowTheReserve) {
    CXString s(std::string(29, 'a').c_str());
    s += 'b'; // 29 < 30
    EXPECT_EQ(s.GetCapacity(), 32);
    s += 'c'; // length 30 with capacity 32 doubles
    EXPECT_EQ(s.GetCapacity(), 64);
    EXPECT_EQ(bytes(s), std::string(29, 'a') + "bc");
}

TEST(XStringCapacity, AppendingANumberDoublesBelowTheReserve) {
    CXString s(std::string(11, 'a').c_str());
    s += 7; // 11 < 12
    EXPECT_EQ(s.GetCapacity(), 32);
    s += -2147483647 - 1; // length 12 is not below 12
    EXPECT_EQ(s.GetCapacity(), 64);
    EXPECT_EQ(bytes(s), std::string(11, 'a') + "7-2147483648");
}

// Tiny capacities come from CXString(int) and FillWith; appends must still fit.
TEST(XStringCapacity, SmallCapacitiesAreNeverOverrun) {
    CXString empty(0);
    EXPECT_EQ(empty.GetCapacity(), 0);
    empty += 'x';
    EXPECT_EQ(bytes(empty), "x");
    EXPECT_GE(empty.GetCapacity(), 1);

    CXString filled;
    filled.FillWith('#', 3);
    EXPECT_EQ(filled.GetCapacity(), 3);
    EXPECT_EQ(bytes(filled), "###");
    filled += -2147483647 - 1;
    EXPECT_EQ(bytes(filled), "###-2147483648");
    EXPECT_GE(filled.GetCapacity(), filled.GetLength());
    for (int i = 0; i < 50; ++i) filled += 'y';
    EXPECT_EQ(filled.GetLength(), 14 + 50);

    CXString none(0);
    none += 123456789;
    EXPECT_EQ(bytes(none), "123456789");

    CXString one(0);
    one = 'q';
    EXPECT_EQ(bytes(one), "q");
    EXPECT_EQ(one.GetCapacity(), 1);

    CXString zero;
    zero.FillWith('a', 0);
    zero += "abc";
    EXPECT_EQ(bytes(zero), "abc");
    CXString negative;
    negative.FillWith('a', -5);
    EXPECT_EQ(negative.GetLength(), 0);
}

TEST(XStringCapacity, MovedFromStringsStayUsable) {
    CXString source(std::string(50, 'm').c_str());
    CXString moved(std::move(source));
    EXPECT_EQ(moved.GetCapacity(), 82);
    EXPECT_EQ(moved.GetLength(), 50);
    source += 'a';
    source += 5;
    source += "bc";
    EXPECT_EQ(bytes(source), "a5bc");
}

TEST(XStringCapacity, SingleCharacterAssignmentKeepsTheCapacity) {
    CXString s(std::string(40, 'a').c_str());
    s = 'z';
    EXPECT_EQ(s.GetCapacity(), 72);
    EXPECT_EQ(bytes(s), "z");
    s = 42;
    EXPECT_EQ(bytes(s), "42");
}

TEST(XStringCase, OnlyTheListedPairsChange) {
    CXString s("\xA3\xD3\x44\x8F");
    s.Lower();
    EXPECT_EQ(bytes(s), "\xB3\xF3\x64\x9F");

    const unsigned char upper[] = {0x8C, 0x8F, 0xA3, 0xA5, 0xAF, 0xC6, 0xCA, 0xD1, 0xD3};
    const unsigned char lower[] = {0x9C, 0x9F, 0xB3, 0xB9, 0xBF, 0xE6, 0xEA, 0xF1, 0xF3};
    for (int i = 0; i < 9; ++i) {
        EXPECT_EQ(CXString::toLowerChar(upper[i]), lower[i]);
        EXPECT_EQ(CXString::toUpperChar(lower[i]), upper[i]);
    }
    int changed = 0;
    for (int c = 1; c < 256; ++c) {
        unsigned char byte = static_cast<unsigned char>(c);
        if (CXString::toLowerChar(byte) != byte) ++changed;
        if (CXString::toUpperChar(byte) != byte) ++changed;
    }
    EXPECT_EQ(changed, 2 * (26 + 9));

    // Other letters of the code page, such as the Czech ones, keep their case.
    for (unsigned char c :
         {0x8A, 0x9A, 0x8D, 0x9D, 0xBC, 0xBE, 0xC8, 0xE8, 0xD8, 0xF8, 0xDF, 0xFF, 0xC0, 0xE0}) {
        EXPECT_EQ(CXString::toLowerChar(c), c) << int(c);
        EXPECT_EQ(CXString::toUpperChar(c), c) << int(c);
    }
}

TEST(XStringCase, UpperLowerTestsAndIgnoreCaseComparison) {
    EXPECT_FALSE(CXString("AB1").IsUpper());
    EXPECT_TRUE(CXString("AB\xA5").IsUpper());
    EXPECT_TRUE(CXString("").IsUpper());
    EXPECT_TRUE(CXString("").IsLower());
    EXPECT_TRUE(CXString("za\xBF\xF3\xB3").IsLower());
    EXPECT_FALSE(CXString("ab c").IsLower());
    EXPECT_TRUE(CXString("aBc").IsUpper(1));
    EXPECT_FALSE(CXString("aBc").IsUpper(0));
    EXPECT_FALSE(CXString("aBc").IsUpper(7));

    EXPECT_TRUE(CXString("\xA3\xF3"
                         "dZ")
                    .equalsIgnoreCase("\xB3\xD3"
                                      "Dz"));
    EXPECT_FALSE(CXString("\x8A").equalsIgnoreCase("\x9A"));
    EXPECT_FALSE(CXString("abc").equalsIgnoreCase("abcd"));

    CXString u("za\xBF\xF3\xB3\xE6 g\xEAl\x9C\xF1"
               "1");
    u.Upper();
    EXPECT_EQ(bytes(u), "ZA\xAF\xD3\xA3\xC6 G\xCAL\x8C\xD1"
                        "1");
}

TEST(XStringCompare, EqualityAndAffixes) {
    EXPECT_FALSE("abc" != CXString("abc"));
    EXPECT_TRUE("abc" != CXString("abd"));
    EXPECT_TRUE(CXString("abc") == "abc");
    EXPECT_TRUE(CXString("abc") == CXString("abc"));
    EXPECT_FALSE(CXString("abc") == CXString("ab"));
    EXPECT_TRUE(static_cast<const char*>(nullptr) == CXString(""));
    EXPECT_TRUE(CXString("abc").equals("abc"));
    EXPECT_FALSE(CXString("abc").equals("ABC"));

    CXString s("prefix-body-suffix");
    EXPECT_TRUE(s.startsWith("prefix"));
    EXPECT_TRUE(s.startsWith(""));
    EXPECT_FALSE(s.startsWith("Prefix"));
    EXPECT_TRUE(s.endsWith("suffix"));
    EXPECT_TRUE(s.endsWith(""));
    EXPECT_FALSE(CXString("ab").endsWith("xab"));
    EXPECT_FALSE(CXString("ab").startsWith("abc"));
}

TEST(XStringConcat, FreeOperatorsMakeNewStrings) {
    CXString a("ab");
    CXString b("cd");
    EXPECT_EQ(bytes(a + b), "abcd");
    EXPECT_EQ(bytes(a + "x"), "abx");
    EXPECT_EQ(bytes("x" + a), "xab");
    EXPECT_EQ(bytes(a), "ab");
}

TEST(XStringPieces, LeftMidRight) {
    CXString s("abcdef");
    EXPECT_EQ(bytes(s.Mid(1, 3)), "bc");
    EXPECT_EQ(bytes(s.Right(2)), "cdef");
    EXPECT_EQ(bytes(s.Left(2)), "ab");

    CXString wide(std::string(50, 'w').c_str()); // capacity 82
    EXPECT_EQ(wide.Left(2).GetCapacity(), 82);
    EXPECT_EQ(wide.Mid(1, 3).GetCapacity(), 82);
    EXPECT_EQ(wide.Right(48).GetCapacity(), 32);

    // Bounds outside the text stay within it.
    EXPECT_EQ(bytes(s.Left(100)), "abcdef");
    EXPECT_EQ(bytes(s.Left(-1)), "");
    EXPECT_EQ(bytes(s.Mid(4, 2)), "");
    EXPECT_EQ(bytes(s.Mid(-3, 2)), "ab");
    EXPECT_EQ(bytes(s.Right(10)), "");
}

TEST(XStringPieces, InPlaceAndIntoAnotherString) {
    CXString s("abcdef");
    s.mid(1, 4);
    EXPECT_EQ(bytes(s), "bcd");
    s.left(2);
    EXPECT_EQ(bytes(s), "bc");
    s.right(1);
    EXPECT_EQ(bytes(s), "c");

    CXString source(std::string(40, 'k').c_str());
    CXString out("x"); // capacity 32
    source.left(31, &out);
    EXPECT_EQ(out.GetCapacity(), 32);
    source.left(32, &out); // a piece as long as the capacity re-allocates
    EXPECT_EQ(out.GetCapacity(), 64);
    EXPECT_EQ(out.GetLength(), 32);

    CXString piece;
    CXString("abcdef").mid(2, 5, &piece);
    EXPECT_EQ(bytes(piece), "cde");
    CXString("abcdef").right(4, &piece);
    EXPECT_EQ(bytes(piece), "ef");
}

TEST(XStringSearch, FindAndFriends) {
    CXString s("banana");
    EXPECT_EQ(s.indexOf("na", 3), 4);
    EXPECT_EQ(s.indexOf("na", -5), 2);
    EXPECT_EQ(s.indexOf("", 0), -1);
    EXPECT_EQ(s.indexOf("bananas", 0), -1);
    EXPECT_EQ(s.Find('a', 0), 1);
    EXPECT_EQ(s.Find('a', 2), 3);
    EXPECT_EQ(s.Find('a', 99), -1);
    EXPECT_EQ(s.Find('z', 0), -1);
    EXPECT_EQ(s.FindLast('a', -1), 5);
    EXPECT_EQ(s.FindLast('a', 5), 3);
    EXPECT_EQ(s.FindLast('b', 0), -1);
    EXPECT_EQ(s.FindSubString("an", 2), 3);
    EXPECT_EQ(s.FindSubString("x", 0), -1);
    EXPECT_EQ(s.FindSubString("a", 50), -1);
    EXPECT_EQ(s.findOneOf("xn", 0), 2);
    EXPECT_EQ(s.findOneOf("xyz", 0), -1);
    EXPECT_EQ(s.getCount('a'), 3);
    EXPECT_EQ(CXString("\xB9\xB9").getCount(0xB9), 2);

    EXPECT_EQ(s.GetAt(0), 'b');
    EXPECT_EQ(s.GetAt(-1), 'a');
    EXPECT_EQ(s.lastChar(), 'a');
    EXPECT_EQ(CXString().GetAt(-1), 0);
    EXPECT_EQ(s.GetAt(6), 0);
    EXPECT_TRUE(s.IsString());
    EXPECT_FALSE(CXString().IsString());
}

TEST(XStringEdit, TrimReplaceFill) {
    CXString s("  padded  ");
    s.AllTrim();
    EXPECT_EQ(bytes(s), "padded");
    CXString stars("**x**");
    stars.LTrim('*');
    EXPECT_EQ(bytes(stars), "x**");
    stars.RTrim('*');
    EXPECT_EQ(bytes(stars), "x");
    CXString all("aaaa");
    all.AllTrim('a');
    EXPECT_EQ(bytes(all), "");

    CXString r("a.b.c");
    r.Replace('.', '/');
    EXPECT_EQ(bytes(r), "a/b/c");
    r.Replace('/', '\0');
    EXPECT_EQ(r.GetLength(), 1);

    CXString f("old");
    f.FillWith('-', 5);
    EXPECT_EQ(bytes(f), "-----");
}

TEST(XStringEdit, ReplaceAndReplaceOnce) {
    CXString banana("banana");
    EXPECT_EQ(bytes(banana.replace("a", "xy")), "bxynxynxy");
    EXPECT_EQ(bytes(banana), "banana");
    EXPECT_EQ(bytes(CXString("aaaa").replace("aa", "a")), "aa");
    EXPECT_EQ(bytes(CXString("abc").replace("", "x")), "abc");
    EXPECT_EQ(bytes(CXString("a-b").replace("-", "")), "ab");

    CXString once("one two one");
    once.replaceOnce("one", "1", 0);
    EXPECT_EQ(bytes(once), "1 two one");
    once.replaceOnce("one", "ONE", 3);
    EXPECT_EQ(bytes(once), "1 two ONE");
    once.replaceOnce("zzz", "y", 0);
    EXPECT_EQ(bytes(once), "1 two ONE");
}

TEST(XStringEdit, RemoveTag) {
    CXString s("<COLOR12>red<COLOR> and <B>bold");
    s.removeTag("COLOR");
    EXPECT_EQ(bytes(s), "red and <B>bold");

    CXString lone("a < b <COL");
    lone.removeTag("COLOR");
    EXPECT_EQ(bytes(lone), "a < b <COL");

    CXString open("keep<COLOR never closed");
    open.removeTag("COLOR");
    EXPECT_EQ(bytes(open), "keep");

    CXString lower("<color1>x");
    lower.removeTag("COLOR");
    EXPECT_EQ(bytes(lower), "<color1>x");
}

TEST(XStringFilter, WildcardWalk) {
    CXString any("abc");
    EXPECT_TRUE(any.FilterFits("*"));
    EXPECT_TRUE(any.FilterFits("*.*"));

    EXPECT_TRUE(CXString("file.img").FilterFits("file.img"));
    EXPECT_TRUE(CXString("fi?e.img").FilterFits("fine.img"));
    EXPECT_FALSE(CXString("file.img").FilterFits("file.ann"));
    // A star in a longer pattern aligns the rest of the pattern with the end of the name.
    EXPECT_TRUE(CXString("ab*.img").FilterFits("ab.img"));
    EXPECT_TRUE(CXString("*.img").FilterFits("x.img"));
    // A star as the pattern's last character ends the walk.
    EXPECT_TRUE(CXString("ab*").FilterFits("abcdef"));
    // The walk ends with the name; a shorter name that agrees fits.
    EXPECT_TRUE(CXString("abcdef").FilterFits("abc"));
    // A name longer than the pattern never reads past the pattern's end.
    EXPECT_FALSE(CXString("ab").FilterFits("abcdefghijklmnopqrstuvwxyz"));
    EXPECT_FALSE(CXString("").FilterFits("a"));
}

TEST(XStringConvert, NumbersAndBooleans) {
    EXPECT_FALSE(CXString("0").isNumber());
    EXPECT_TRUE(CXString("-3").isNumber());
    EXPECT_TRUE(CXString("12abc").isNumber());
    EXPECT_FALSE(CXString("abc").isNumber());
    EXPECT_EQ(CXString("  +42x").toNumber(), 42);
    EXPECT_EQ(CXString("99999999999").toNumber(), 2147483647);
    EXPECT_EQ(CXString("-99999999999").toNumber(), -2147483647 - 1);
    EXPECT_EQ(CXString("-2147483648").toLong(), -2147483647 - 1);
    EXPECT_EQ(CXString::toNumber("17"), 17);

    EXPECT_DOUBLE_EQ(CXString("2.5").toDouble(), 2.5);
    EXPECT_DOUBLE_EQ(CXString(" -1.25e2xyz").toDouble(), -125.0);
    EXPECT_DOUBLE_EQ(CXString(".5").toDouble(), 0.5);
    EXPECT_DOUBLE_EQ(CXString("3e").toDouble(), 3.0);
    EXPECT_DOUBLE_EQ(CXString("1,5").toDouble(), 1.0);
    EXPECT_DOUBLE_EQ(CXString("abc").toDouble(), 0.0);
    EXPECT_DOUBLE_EQ(CXString("inf").toDouble(), 0.0);
    EXPECT_TRUE(std::isinf(CXString("1e999").toDouble()));
    EXPECT_DOUBLE_EQ(CXString("1e-999").toDouble(), 0.0);
    EXPECT_DOUBLE_EQ(CXString::toDouble("0.25"), 0.25);

    EXPECT_TRUE(CXString("True").toBool());
    EXPECT_TRUE(CXString("tRUE").toBool());
    EXPECT_FALSE(CXString("TRUE ").toBool());
    EXPECT_FALSE(CXString("1").toBool());
    EXPECT_TRUE(CXString::toBool("true"));

    EXPECT_EQ(bytes(CXString::toString(true)), "TRUE");
    EXPECT_EQ(bytes(CXString::toString(false)), "FALSE");
    EXPECT_EQ(bytes(CXString::toString(-123)), "-123");
}

TEST(XStringConvert, PointsAndRectangles) {
    EXPECT_EQ(CXString("10,20").toPoint(), CXPoint(10, 20));
    EXPECT_EQ(CXString("10|20").toPoint(), CXPoint(10, 20));
    EXPECT_EQ(CXString("10 . 20").toPoint(), CXPoint(10, 20));
    EXPECT_EQ(CXString("7").toPoint(), CXPoint(7, 0));
    EXPECT_EQ(CXString("").toPoint(), CXPoint(0, 0));
    EXPECT_EQ(CXString("1,2,3,4").toRect(), CXRect(1, 2, 3, 4));
    EXPECT_EQ(CXString("-1 | 2.3, 4").toRect(), CXRect(-1, 2, 3, 4));
    EXPECT_EQ(CXString("5,6").toRect(), CXRect(5, 6, 0, 0));
}

TEST(XStringConvert, VectorsAndWords) {
    CXArray* list = CXString(",a,,b\n").toVector();
    ASSERT_EQ(list->getSize(), 2);
    EXPECT_EQ(bytes(*static_cast<CXString*>(list->at(0))), "a");
    EXPECT_EQ(bytes(*static_cast<CXString*>(list->at(1))), "b");
    EXPECT_EQ(list->getCapacity(), 101);
    CXString::releaseToVector(list);
    CXString::releaseToVector(nullptr);

    CXArray* custom = CXString("x;y z").toVector(";");
    ASSERT_EQ(custom->getSize(), 2);
    EXPECT_EQ(bytes(*custom->stringAt(1)), "y z");
    CXString::releaseToVector(custom);

    CXString words("  first\tsecond\n\nthird ");
    EXPECT_EQ(bytes(words.getWord(0)), "first");
    EXPECT_EQ(bytes(words.getWord(2)), "third");
    EXPECT_EQ(bytes(words.getWord(3)), "");
    EXPECT_EQ(bytes(words.getWord(-1)), "");
}

TEST(XStringFormat, OverloadsAndTruncation) {
    CXString s;
    s.Format("%d", 42);
    EXPECT_EQ(bytes(s), "42");
    s.Format("%d-%d", 1, 2);
    EXPECT_EQ(bytes(s), "1-2");
    s.Format("[%s]", CXString("x"));
    EXPECT_EQ(bytes(s), "[x]");
    s.Format("%s=%d", CXString("k"), 5);
    EXPECT_EQ(bytes(s), "k=5");
    s.Format("%s%d%s", CXString("a"), 1, CXString("b"));
    EXPECT_EQ(bytes(s), "a1b");
    s.Format("%s %d %d", CXString("p"), 3, 4);
    EXPECT_EQ(bytes(s), "p 3 4");

    CXString longText(std::string(400, 'L').c_str());
    s.Format("%s", longText);
    EXPECT_EQ(s.GetLength(), 255);
}

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/StringArray.h"
#include "core/StringTokenizer.h"

using namespace KavirelDLL;

namespace {

std::vector<std::string> split(const char* text, const char* separators, bool keepEmpty = false) {
    std::vector<std::string> tokens;
    CStringTokenizer tokenizer(text, separators, keepEmpty);
    while (tokenizer.hasMoreTokens()) tokens.push_back(tokenizer.nextToken().GetBuffer());
    EXPECT_EQ(tokenizer.nextToken().GetLength(), 0);
    return tokens;
}

} // namespace

TEST(StringTokenizer, RunsOfSeparatorsGiveNoEmptyTokens) {
    EXPECT_EQ(split(",a,,b,", ","), (std::vector<std::string>{"a", "b"}));
    EXPECT_EQ(split("  one, two ,three", ", "), (std::vector<std::string>{"one", "two", "three"}));
    EXPECT_EQ(split("", ","), std::vector<std::string>{});
    EXPECT_EQ(split(",,,", ","), std::vector<std::string>{});
    EXPECT_EQ(split("whole text", ""), std::vector<std::string>{"whole text"});
    EXPECT_EQ(split("x;y", ";,"), (std::vector<std::string>{"x", "y"}));
    EXPECT_EQ(split("\xB9\xE6;\xEA", ";"), (std::vector<std::string>{"\xB9\xE6", "\xEA"}));
    // Kept in place when asked for: every separator ends a token.
    EXPECT_EQ(split("1||3", "|\n", true), (std::vector<std::string>{"1", "", "3"}));
    EXPECT_EQ(split("|a\n", "|\n", true), (std::vector<std::string>{"", "a", ""}));
    EXPECT_EQ(split("", "|", true), std::vector<std::string>{""});
}

TEST(StringArray, UniqueIgnoresCaseRemoveDoesNot) {
    CStringArray unique(true);
    unique.add("Scene");
    unique.add("SCENE");
    unique.add("\xA3\xF3"
               "d\x9F");
    unique.add("\xB3\xD3"
               "D\x8F");
    EXPECT_EQ(unique.getSize(), 2);
    EXPECT_TRUE(unique.contains("scene"));

    CStringArray list;
    list.add("a");
    list.add("A");
    list.add("a");
    EXPECT_EQ(list.getSize(), 3);
    list.remove("a");
    EXPECT_EQ(list.getSize(), 1);
    EXPECT_TRUE(list.contains("a")); // "A" is left
    list.remove("x");
    EXPECT_EQ(list.getSize(), 1);
    list.removeAll();
    EXPECT_EQ(list.getSize(), 0);
    for (int i = 0; i < 500; ++i) list.add(CXString::toString(i));
    EXPECT_EQ(list.getSize(), 500);
}

#include <gtest/gtest.h>

#include <string>

#include "core/Log.h"

using namespace KavirelDLL;

TEST(Log, HookReceivesFormattedLinesWithoutTheLineEnd) {
    CLogCapture capture;
    logMessage("value %d of %s\n", 3, "x");
    logMessage("%s", std::string(2000, 'k').c_str());
    auto lines = capture.lines();
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0], "value 3 of x");
    EXPECT_EQ(lines[1].size(), 2000u);
    EXPECT_TRUE(capture.contains("of x"));
    capture.clear();
    EXPECT_TRUE(capture.lines().empty());
}

TEST(Log, CapturesNestAndRestore) {
    CLogCapture outer;
    {
        CLogCapture inner;
        logMessage("inner");
        EXPECT_TRUE(inner.contains("inner"));
    }
    logMessage("outer");
    EXPECT_FALSE(outer.contains("inner"));
    EXPECT_TRUE(outer.contains("outer"));
}

TEST(Log, WritesPrefixedLinesToStandardError) {
    testing::internal::CaptureStderr();
    logMessage("plain %d", 7);
    std::string err = testing::internal::GetCapturedStderr();
    EXPECT_EQ(err, "kavirel: plain 7\n");
}

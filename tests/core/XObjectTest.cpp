#include <gtest/gtest.h>

#include <cstdint>

#include "core/HiResTimer.h"
#include "core/Log.h"
#include "core/XObject.h"
#include "platform/PlatformTime.h"

using namespace KavirelDLL;

namespace {

uint64_t g_fakeMicros = 0;
uint64_t fakeClock() { return g_fakeMicros; }

struct FakeClock {
    FakeClock() { CPlatformClock::inject(&fakeClock); }
    ~FakeClock() { CPlatformClock::inject(nullptr); }
};

} // namespace

TEST(XObject, IdentityOperations) {
    CXObject a;
    CXObject b;
    EXPECT_TRUE(a.equals(&a));
    EXPECT_FALSE(a.equals(&b));
    EXPECT_EQ(a.compare(&a), 1);
    EXPECT_EQ(a.compare(&b), 0);
    EXPECT_EQ(a.clone(), nullptr);
    EXPECT_EQ(a.toString().GetLength(), 0);
    EXPECT_EQ(a.processMessage(nullptr), 0);
    a.notifyMessageReceive(nullptr);
    EXPECT_EQ(a.getHashcode(), static_cast<int>(static_cast<uint32_t>(reinterpret_cast<uintptr_t>(&a))));
}

TEST(XObject, ErrorCodeAndDeleteMarkAreCopied) {
    CXObject a;
    EXPECT_EQ(a.LastError(), ERR_NONE);
    EXPECT_FALSE(a.isToDelete());
    a.setErrorCode(ERR_FILE_NOT_FOUND);
    a.setToDelete();
    CXObject b(a);
    EXPECT_EQ(b.LastError(), 2000);
    EXPECT_TRUE(b.isToDelete());
    CXObject c;
    c = a;
    EXPECT_TRUE(c.isToDelete());
    EXPECT_EQ(ERR_SOUND_DEVICE, -997);
    EXPECT_EQ(ERR_GRAPHICS_DEVICE, -998);
}

TEST(XObject, ByteSwaps) {
    EXPECT_EQ(CXObject::swap_dword(0x11223344), 0x44332211);
    EXPECT_EQ(static_cast<uint32_t>(CXObject::swap_dword(static_cast<int>(0xA1B2C3D4u))), 0xD4C3B2A1u);
    EXPECT_EQ(CXObject::swap_word(0x1122), 0x2211);
    EXPECT_EQ(static_cast<uint16_t>(CXObject::swap_word(static_cast<short>(0x80FF))), 0xFF80);
}

TEST(XObject, ProfileStopwatch) {
    FakeClock clock;
    CLogCapture capture;
    CXObject::profile(nullptr, true); // nothing running
    EXPECT_TRUE(capture.lines().empty());

    g_fakeMicros = 1'000'000;
    CXObject::profile("first", false);
    g_fakeMicros = 2'000'000;
    CXObject::profile("loading", false); // restarts under the new name
    g_fakeMicros = 2'250'000;
    CXObject::profile(nullptr, true);
    ASSERT_EQ(capture.lines().size(), 1u);
    EXPECT_EQ(capture.lines()[0], "Time spend in loading: 250 ms.");

    CXObject::profile(nullptr, true); // already stopped
    EXPECT_EQ(capture.lines().size(), 1u);
}

TEST(XObject, LogGoesToTheWindowHookWhichDiscardsIt) {
    CLogCapture capture;
    CXObject o;
    o.log("loaded scene", true);
    o.log(nullptr, false);
    EXPECT_TRUE(capture.lines().empty());
}

TEST(HiResTimer, TickCountFollowsThePlatformClock) {
    FakeClock clock;
    g_fakeMicros = 5'000'000'123ull;
    EXPECT_EQ(CHiResTimer::timer.GetTickCount(), 5'000'000u);
    EXPECT_EQ(CHiResTimer::appTime, 5'000'000u);
    g_fakeMicros = ((1ull << 32) + 5) * 1000; // the low 32 bits of the milliseconds
    EXPECT_EQ(CHiResTimer::timer.GetTickCount(), 5u);
}

TEST(Error, HelperClass) {
    CError e;
    EXPECT_EQ(e.LastError(), 0);
    EXPECT_EQ(e.GetType(), 1);
    EXPECT_EQ(e << 17, 17);
    EXPECT_EQ(e.LastError(), 17);
    EXPECT_EQ(e << "ignored", 0);
    EXPECT_EQ(e.LastError(), 17);
    e.Type(3);
    CError copy;
    copy = e;
    EXPECT_EQ(copy.GetType(), 3);
    EXPECT_EQ(copy.LastError(), 17);
}

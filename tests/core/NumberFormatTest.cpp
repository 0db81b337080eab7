#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

#include "core/XString.h"

using namespace KavirelDLL;

namespace {

std::string fixed(double v) { return CXString::toString(v).GetBuffer(); }

std::string general(double v) {
    CXString s;
    s = v;
    return s.GetBuffer();
}

} // namespace

TEST(NumberFormat, FiveDecimalsOfTheExamples) {
    EXPECT_EQ(fixed(0.0), "0");
    EXPECT_EQ(fixed(-0.0), "0");
    EXPECT_EQ(fixed(3.14159), "3.14159");
    EXPECT_EQ(fixed(2.5), "2.50000");
    EXPECT_EQ(fixed(0.5), "0.50000");
    EXPECT_EQ(fixed(0.001), "0.00100");
    EXPECT_EQ(fixed(-0.25), "-0.25000");
}

TEST(NumberFormat, FiveDecimalsRounding) {
    EXPECT_EQ(fixed(1.0), "1.00000");
    EXPECT_EQ(fixed(-12.0), "-12.00000");
    EXPECT_EQ(fixed(1234.5), "1234.50000");
    EXPECT_EQ(fixed(9.999996), "10.00000"); // the carry moves the point
    EXPECT_EQ(fixed(0.999999), "1.00000");
    EXPECT_EQ(fixed(0.000006), "0.00001"); // rounds up into the fifth decimal
    EXPECT_EQ(fixed(0.000004), "0");       // nothing left
    EXPECT_EQ(fixed(-0.000001), "0");
    EXPECT_EQ(fixed(1e-9), "0");
    EXPECT_EQ(fixed(0.015625), "0.01563"); // an exact half rounds up
    // 0.000155 is held as 0.000154999999999999999973...; at 17 digits that reads as a half.
    EXPECT_EQ(fixed(0.000155), "0.00016");
    EXPECT_EQ(fixed(1e15), "1000000000000000.00000");
    // Digits beyond the seventeenth are zeros, as the classic runtime gives them.
    EXPECT_EQ(fixed(1e23), "99999999999999992000000.00000");
    EXPECT_EQ(fixed(std::numeric_limits<double>::infinity()), "1.#INF");
}

TEST(NumberFormat, NineSignificantDigitsLikeGcvt) {
    EXPECT_EQ(general(1.0), "1.");
    EXPECT_EQ(general(0.0), "0.");
    EXPECT_EQ(general(100.0), "100.");
    EXPECT_EQ(general(2.5), "2.5");
    EXPECT_EQ(general(-2.5), "-2.5");
    EXPECT_EQ(general(3.14159), "3.14159");
    EXPECT_EQ(general(3.14159265358979), "3.14159265");
    EXPECT_EQ(general(0.5), "0.5");
    EXPECT_EQ(general(0.1), "0.1");
    EXPECT_EQ(general(0.123456789012), "0.123456789");
    EXPECT_EQ(general(123456789.0), "123456789");
    EXPECT_EQ(general(123456789.4), "123456789");
    EXPECT_EQ(general(999999999.6), "1000000000");
    EXPECT_EQ(general(1234567890.0), "1.23456789e+009");
    EXPECT_EQ(general(1e9), "1.e+009");
    EXPECT_EQ(general(-1e300), "-1.e+300");
    // Below a tenth the exponent form is used.
    EXPECT_EQ(general(0.05), "5.e-002");
    EXPECT_EQ(general(-0.0123456789012), "-1.23456789e-002");
    // The layout is chosen before rounding.
    EXPECT_EQ(general(0.099999999999), "1.e-001");
    EXPECT_EQ(general(9.9999999999), "10.");
    EXPECT_EQ(general(std::nan("")), "1.#QNAN");
    EXPECT_EQ(general(-std::numeric_limits<double>::infinity()), "-1.#INF");
}

TEST(NumberFormat, AssigningADoubleFollowsTheTextCapacityRule) {
    CXString s(std::string(40, 'a').c_str());
    s = 2.5;
    EXPECT_EQ(s.GetCapacity(), 72);
    EXPECT_STREQ(s.GetBuffer(), "2.5");
}

// What each caller of half-to-even rounding gets: the SAMI and MicroDVD
// writers (milliseconds, frames), the editor's settings (column widths, font
// sizes) and the store's bisection (half of a count).
#include "subtitles/rounding.h"

#include <gtest/gtest.h>

#include <cfenv>
#include <cmath>
#include <cstdint>
#include <limits>

using namespace cuemark;

namespace {

struct Case {
    double x;
    double whole;
};

// Halves of even and odd numbers, either sign; the neighbours just off a
// half; numbers far from 0.
constexpr Case Cases[] = {
    {0.0, 0.0},
    {0.5, 0.0},
    {1.5, 2.0},
    {2.5, 2.0},
    {3.5, 4.0},
    {12.5, 12.0},
    {13.5, 14.0},
    {-0.5, 0.0},
    {-1.5, -2.0},
    {-2.5, -2.0},
    {-3.5, -4.0},
    {1.2, 1.0},
    {1.7, 2.0},
    {-1.2, -1.0},
    {-1.7, -2.0},
    {0.49999999999999994, 0.0}, // just below 0.5
    {0.5000000000000001, 1.0},  // just above
    {2.4999999999999996, 2.0},
    {2.5000000000000004, 3.0},
    {-2.4999999999999996, -2.0},
    {-2.5000000000000004, -3.0},
    {1000000000.5, 1000000000.0},
    {1000000001.5, 1000000002.0},
    {2147483646.5, 2147483646.0},
    {2147483647.4, 2147483647.0},
    {-2147483647.5, -2147483648.0},
    {4503599627370495.5, 4503599627370496.0}, // 2^52 - 0.5: the last halves
    {4503599627370497.0, 4503599627370497.0}, // from 2^52 on, all whole
    {1e300, 1e300},
    {-1e300, -1e300},
};

bool FitsInt32(double whole) {
    return whole >= std::numeric_limits<std::int32_t>::min() && whole <= std::numeric_limits<std::int32_t>::max();
}

} // namespace

TEST(HalfEvenRounding, HalvesGoToTheEvenNeighbourAndOthersToTheNearest) {
    for (const Case& c : Cases) EXPECT_EQ(RoundHalfEven(c.x), c.whole) << "x = " << c.x;
}

TEST(HalfEvenRounding, NotANumberAndInfinitiesPassThrough) {
    EXPECT_TRUE(std::isnan(RoundHalfEven(std::numeric_limits<double>::quiet_NaN())));
    EXPECT_EQ(RoundHalfEven(std::numeric_limits<double>::infinity()), std::numeric_limits<double>::infinity());
    EXPECT_EQ(RoundHalfEven(-std::numeric_limits<double>::infinity()), -std::numeric_limits<double>::infinity());
}

TEST(HalfEvenRounding, IgnoresTheFloatingPointRoundingMode) {
    const int saved = std::fegetround();
    for (int mode : {FE_UPWARD, FE_DOWNWARD, FE_TOWARDZERO}) {
        ASSERT_EQ(std::fesetround(mode), 0);
        for (const Case& c : Cases) {
            volatile double x = c.x; // worked out at run time, under the mode
            EXPECT_EQ(RoundHalfEven(x), c.whole) << "x = " << c.x << ", mode " << mode;
        }
    }
    std::fesetround(saved);
}

TEST(HalfEvenRounding, WritersTimesAsMillisecondsAndFrames) {
    // Seconds x 1000 for SAMI, seconds x frame rate for MicroDVD; a time
    // written with a few digits lands on, or just off, a half.
    const struct {
        double seconds;
        double factor;
        double written;
    } times[] = {
        {0.0005, 1000, 0},    {0.0015, 1000, 2},      {0.0025, 1000, 2},    {1.0005, 1000, 1000},
        {1.0015, 1000, 1002}, {12.3445, 1000, 12344}, {-0.0015, 1000, -2},  {2.5, 25, 62},
        {2.54, 25, 64},       {2.5, 23.976, 60},      {1.0427, 23.976, 25}, {3600.02, 25, 90000},
    };
    for (const auto& t : times)
        EXPECT_EQ(RoundHalfEven(t.seconds * t.factor), t.written) << t.seconds << " x " << t.factor;
}

TEST(HalfEvenRounding, EditorSettingsGetWholeNumbers) {
    for (const Case& c : Cases) {
        if (FitsInt32(c.whole)) {
            EXPECT_EQ(static_cast<std::int32_t>(RoundHalfEven(c.x)), static_cast<std::int32_t>(c.whole))
                << "x = " << c.x;
        }
    }
    // Column widths from the sum S of the three, and font sizes.
    const struct {
        double x;
        std::int32_t whole;
    } settings[] = {{4320 / 2.0, 2160}, {4320 / 4.0, 1080}, {4321 / 2.0, 2160}, {4321 / 4.0, 1080}, {4322 / 4.0, 1080},
                    {4326 / 4.0, 1082}, {10.5, 10},         {11.5, 12},         {7.75, 8},          {8.25, 8}};
    for (const auto& s : settings) EXPECT_EQ(static_cast<std::int32_t>(RoundHalfEven(s.x)), s.whole) << "x = " << s.x;
}

TEST(HalfEvenRounding, StoreHalvesCountsToTheEvenNeighbour) {
    // Counts and steps are never negative.
    const struct {
        int32_t n;
        int32_t half;
    } halves[] = {{0, 0},
                  {1, 0},
                  {2, 1},
                  {3, 2},
                  {4, 2},
                  {5, 2},
                  {6, 3},
                  {7, 4},
                  {9, 4},
                  {11, 6},
                  {32700, 16350},
                  {32701, 16350},
                  {32703, 16352},
                  {2147483646, 1073741823},
                  {2147483647, 1073741824}};
    for (const auto& h : halves) EXPECT_EQ(static_cast<int32_t>(RoundHalfEven(h.n / 2.0)), h.half) << "n = " << h.n;
}

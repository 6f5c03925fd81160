#include "subtitles/format_support.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <random>
#include <string>

namespace cuemark {
namespace {

// Frame numbers and milliseconds are written by hand, two digits a step.
TEST(AppendNumber, WritesWhatTheLibraryWritesForEveryValue) {
    std::vector<int64_t> values = {0,
                                   1,
                                   9,
                                   10,
                                   11,
                                   99,
                                   100,
                                   101,
                                   -1,
                                   -9,
                                   -10,
                                   -99,
                                   -100,
                                   999,
                                   1000,
                                   1234567890123,
                                   std::numeric_limits<int64_t>::max(),
                                   std::numeric_limits<int64_t>::min()};
    std::mt19937_64 random(20261208);
    for (int k = 0; k < 100000; ++k) values.push_back(static_cast<int64_t>(random()) >> (random() % 64));
    for (const int64_t n : values) {
        std::string out = "x";
        format::AppendNumber(out, n);
        ASSERT_EQ(out, "x" + std::to_string(n));
    }
}

} // namespace
} // namespace cuemark

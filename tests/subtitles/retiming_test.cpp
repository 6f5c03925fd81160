#include "subtitles/retiming.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace cuemark;

TEST(LinearMap, TwoTimesAreSentExactlyWhereTheyBelong) {
    auto map = MapFromTwoTimes(10, 12, 110, 122);
    ASSERT_TRUE(map);
    EXPECT_DOUBLE_EQ(map->factor, 1.1);
    EXPECT_DOUBLE_EQ(map->offset, 1.0);
    EXPECT_DOUBLE_EQ((*map)(50), 56.0);
    EXPECT_DOUBLE_EQ((*map)(52), 58.2);
    EXPECT_FALSE(MapFromTwoTimes(5, 6, 5, 9)); // no factor from equal starts
}

TEST(LinearMap, AnAmountMovesTheLastStartAndKeepsZero) {
    auto longer = MapFromAmount(1000, 10, true);
    auto shorter = MapFromAmount(1000, 10, false);
    ASSERT_TRUE(longer && shorter);
    EXPECT_DOUBLE_EQ(longer->factor, 1.01);
    EXPECT_DOUBLE_EQ((*longer)(500), 505.0);
    EXPECT_DOUBLE_EQ(shorter->factor, 0.99);
    EXPECT_FALSE(MapFromAmount(0, 10, true));
    EXPECT_FALSE(MapFromAmount(-3, 10, true));
}

TEST(LinearMap, FrameRatesNeedPositiveNumbers) {
    auto map = MapFromFrameRates(25, 23.976);
    ASSERT_TRUE(map);
    EXPECT_DOUBLE_EQ(map->factor, 0.95904);
    EXPECT_FALSE(MapFromFrameRates(0, 25));
    EXPECT_FALSE(MapFromFrameRates(25, -1));
    EXPECT_FALSE(MapFromFrameRates(std::nan(""), 25));
}

TEST(ApplyMap, ChangesChosenTitlesWithoutJournallingThem) {
    SUBTITLES s;
    for (int i = 1; i <= 4; ++i) s.Add(i * 10, i * 10 + 2, "");
    s.SetUndoEnabled(true);
    EXPECT_EQ(ApplyMap(s, {2.0, 1.0}, [](int i) { return i % 2 == 0; }), 2);
    EXPECT_EQ(s.StartTime(1), 10.0);
    EXPECT_EQ(s.StartTime(2), 41.0);
    EXPECT_EQ(s.EndTime(4), 85.0);
    EXPECT_EQ(s.UndoCount(), 0);
    EXPECT_TRUE(s.UndoEnabled());
    EXPECT_EQ(ApplyMap(s, {1.0, -5.0}), 4);
    EXPECT_EQ(s.StartTime(1), 5.0);
}

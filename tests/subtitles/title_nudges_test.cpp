#include "subtitles/title_nudges.h"

#include <gtest/gtest.h>

using namespace cuemark;

namespace {

SUBTITLES Store(std::initializer_list<std::pair<double, double>> times) {
    SUBTITLES s;
    for (const auto& [start, end] : times) s.Add(start, end, "t");
    s.SetUndoEnabled(true);
    return s;
}

} // namespace

TEST(MoveSooner, StopsAtZero) {
    // A start below 0 cannot be saved: the last step moves only as far as 0.
    SUBTITLES s = Store({{0.05, 1.0}});
    EXPECT_TRUE(MoveSooner(s, 1));
    EXPECT_EQ(s.StartTime(1), 0.0);
    EXPECT_NEAR(s.EndTime(1), 0.95, 1e-9);
    EXPECT_FALSE(MoveSooner(s, 1));
    EXPECT_EQ(s.StartTime(1), 0.0);
    EXPECT_EQ(s.UndoCount(), 1);

    // Steps that add up to the start end on 0, not a hair either side.
    SUBTITLES t = Store({{0.3, 1.0}});
    int steps = 0;
    while (MoveSooner(t, 1)) ++steps;
    EXPECT_EQ(steps, 3);
    EXPECT_GE(t.StartTime(1), 0.0);
    EXPECT_NEAR(t.StartTime(1), 0.0, 1e-9);
    EXPECT_NEAR(t.EndTime(1), 0.7, 1e-9);
}

TEST(MoveSooner, EachMoveIsOneUndoStep) {
    SUBTITLES s = Store({{0.3, 1.0}});
    ASSERT_TRUE(MoveSooner(s, 1));
    MoveLater(s, 1);
    EXPECT_EQ(s.UndoCount(), 2);
    s.Undo();
    EXPECT_NEAR(s.StartTime(1), 0.2, 1e-9);
    EXPECT_NEAR(s.EndTime(1), 0.9, 1e-9);
    s.Undo();
    EXPECT_DOUBLE_EQ(s.StartTime(1), 0.3);
    EXPECT_DOUBLE_EQ(s.EndTime(1), 1.0);
    EXPECT_TRUE(s.UndoEnabled());
}

TEST(MakeShorter, StopsAtAQuarterSecond) {
    SUBTITLES s = Store({{10.0, 10.28}, {20.0, 22.0}});
    MakeShorter(s, 1);
    EXPECT_DOUBLE_EQ(s.EndTime(1), 10.25);
    MakeShorter(s, 2);
    EXPECT_NEAR(s.EndTime(2), 21.95, 1e-9);
    s.Undo();
    EXPECT_DOUBLE_EQ(s.EndTime(2), 22.0);
    s.Undo();
    EXPECT_DOUBLE_EQ(s.EndTime(1), 10.28); // clamp and step undo together
}

TEST(MakeLonger, KeepsAGapBeforeTheNextTitleButNotAfterTheLast) {
    SUBTITLES s = Store({{10.0, 19.8}, {20.0, 21.0}});
    MakeLonger(s, 1);
    EXPECT_DOUBLE_EQ(s.EndTime(1), 19.75); // pulled back to the limit
    for (int k = 0; k < 100; ++k) MakeLonger(s, 2);
    EXPECT_NEAR(s.EndTime(2), 26.0, 1e-9);
}

TEST(InsertBefore, StartsHalfwayAndLastsBetweenAQuarterAndTwoSeconds) {
    SUBTITLES first = Store({{3.0, 4.0}});
    auto a = InsertBefore(first, 1);
    ASSERT_TRUE(a);
    EXPECT_DOUBLE_EQ(first.StartTime(1), 1.5);
    EXPECT_DOUBLE_EQ(first.EndTime(1), 3.0);
    EXPECT_EQ(first.Text(1), "New title");

    SUBTITLES close = Store({{10.0, 10.1}, {10.2, 11.0}});
    ASSERT_TRUE(InsertBefore(close, 2));
    EXPECT_NEAR(close.StartTime(2), 10.1, 1e-9);
    EXPECT_NEAR(close.EndTime(2), 10.35, 1e-9);

    SUBTITLES wide = Store({{0.0, 1.0}, {30.0, 31.0}});
    auto c = InsertBefore(wide, 2);
    ASSERT_TRUE(c);
    EXPECT_DOUBLE_EQ(c->start, 15.0);
    EXPECT_DOUBLE_EQ(c->duration, 2.0);
    EXPECT_EQ(wide.Count(), 3);
}

TEST(InsertBefore, RefusesWithoutATitleOrRoom) {
    SUBTITLES empty;
    EXPECT_FALSE(InsertBefore(empty, 0));
    EXPECT_FALSE(InsertBefore(empty, 1));
    SUBTITLES full;
    for (int k = 0; k < SUBTITLES::MaxTitles; ++k) full.Add(k, k + 0.5, "t");
    full.SetUndoEnabled(true);
    EXPECT_FALSE(InsertBefore(full, 5));
    EXPECT_EQ(full.Count(), SUBTITLES::MaxTitles);
    EXPECT_EQ(full.UndoCount(), 0);
}

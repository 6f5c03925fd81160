#pragma once
// A repeatable run of editing: the same seed gives the same changes, so a
// test can rebuild what a store held after any number of them.

#include <cstdint>
#include <random>
#include <string>
#include <tuple>
#include <vector>

#include "subtitles/store.h"

namespace cuemark::testing {

using Titles = std::vector<std::tuple<double, double, std::string>>;

inline Titles titlesOf(const SUBTITLES& store) {
    Titles titles;
    for (int32_t i = 1; i <= store.Count(); ++i)
        titles.emplace_back(store.StartTime(i), store.EndTime(i), store.Text(i));
    return titles;
}

// One change of the kinds a user makes: timing, nudges, edits, inserts,
// deletes (one or many) and undo.
inline void editOnce(SUBTITLES& store, std::mt19937& random) {
    const auto pick = [&](int32_t from, int32_t to) {
        return std::uniform_int_distribution<int32_t>(from, to)(random);
    };
    const double t = pick(0, 7200000) / 1000.0;
    const int32_t n = store.Count();
    switch (n < 3 ? 0 : pick(0, 8)) {
    case 0: store.Add(t, t + 1.5, "title " + std::to_string(pick(0, 999))); break;
    case 1: store.Insert(pick(1, n + 1), t, t + 2, "inserted\r\nline"); break;
    case 2: store.Delete(pick(1, n)); break;
    case 3: store.SetTimes(pick(1, n), t, t + 0.1 * pick(1, 50)); break;
    case 4: store.SetStartTime(pick(1, n), t); break;
    case 5: store.SetEndTime(pick(1, n), t + 0.05); break;
    case 6: store.SetText(pick(1, n), std::string(static_cast<size_t>(pick(0, 80)), 'x') + "\xC3\xA9"); break;
    case 7: store.DeleteAscending({pick(1, n / 2), pick(n / 2 + 1, n)}, 1); break;
    case 8: store.Undo(); break;
    }
}

} // namespace cuemark::testing

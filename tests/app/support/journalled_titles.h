#pragma once
// Titles for the whole-file dialogs' tests: added without journal entries,
// then one change recorded, so that a dialog emptying the journal shows; and
// read back.

#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "subtitles/store.h"

namespace cuemark::testing {

inline void AddTitlesWithOneUndoStep(SUBTITLES& s, const std::vector<std::pair<double, double>>& times,
                                     const std::function<std::string(int)>& text) {
    s.SetUndoEnabled(false);
    for (const auto& [start, end] : times) s.Add(start, end, text(s.Count() + 1));
    s.SetUndoEnabled(true);
    if (s.Count() > 0) s.SetTimes(1, s.StartTime(1), s.EndTime(1));
}

// Every title's start and end, in order.
inline std::vector<std::pair<double, double>> TitleTimes(const SUBTITLES& s) {
    std::vector<std::pair<double, double>> all;
    for (int i = 1; i <= s.Count(); ++i) all.emplace_back(s.StartTime(i), s.EndTime(i));
    return all;
}

} // namespace cuemark::testing

#pragma once
// The editor's small steps on one title: earlier, later, shorter, longer,
// and a new title before it. Each change of one title is one undo step:
// the first write is journalled, a correcting second write is not.

#include <cstdint>
#include <optional>

#include "subtitles/store.h"

namespace cuemark {

constexpr double NudgeStep = 0.1;
constexpr double DurationStep = 0.05;
constexpr double ShortestDuration = 0.25;
constexpr double GapBeforeNext = 0.25;
constexpr double LongestInsertedDuration = 2.0;
constexpr const char* InsertedText = "New title";

// Start and end 0.1 s earlier, or only as far as a start of 0; false
// (nothing changed) when the title already starts at 0.
bool MoveSooner(SUBTITLES& Subt, std::int32_t ix);
void MoveLater(SUBTITLES& Subt, std::int32_t ix);
// End 0.05 s earlier, the title lasting at least 0.25 s.
void MakeShorter(SUBTITLES& Subt, std::int32_t ix);
// End 0.05 s later, ending at least 0.25 s before the next title starts
// (the last title grows without limit).
void MakeLonger(SUBTITLES& Subt, std::int32_t ix);

struct InsertedTitle {
    double start;
    double duration;
};
// "New title" before title ix, halfway from the previous start, lasting
// 0.25 to 2 s. Nothing when the store is full.
std::optional<InsertedTitle> InsertBefore(SUBTITLES& Subt, std::int32_t ix);

// Turns journalling off for a correcting write and back to what it was.
class UnrecordedWrites {
public:
    explicit UnrecordedWrites(SUBTITLES& Subt) : subt_(Subt), was_(Subt.UndoEnabled()) { subt_.SetUndoEnabled(false); }
    ~UnrecordedWrites() { subt_.SetUndoEnabled(was_); }
    UnrecordedWrites(const UnrecordedWrites&) = delete;
    UnrecordedWrites& operator=(const UnrecordedWrites&) = delete;

private:
    SUBTITLES& subt_;
    bool was_;
};

} // namespace cuemark

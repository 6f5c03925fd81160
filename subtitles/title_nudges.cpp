#include "subtitles/title_nudges.h"

#include "subtitles/rounding.h"
#include "subtitles/time_text.h"

namespace cuemark {

bool MoveSooner(SUBTITLES& Subt, std::int32_t ix) {
    // A start below 0 cannot be saved, so the last step goes only as far as
    // 0; compared in whole milliseconds, so steps that add up to the start
    // end on 0 and not a hair either side of it.
    const double start = Subt.StartTime(ix);
    if (!(RoundToMs(start) > 0)) return false;
    const double step = RoundToMs(start - NudgeStep) > 0 ? NudgeStep : start;
    Subt.SetStartTime(ix, start - step);
    UnrecordedWrites second(Subt);
    Subt.SetEndTime(ix, Subt.EndTime(ix) - step);
    return true;
}

void MoveLater(SUBTITLES& Subt, std::int32_t ix) {
    Subt.SetStartTime(ix, Subt.StartTime(ix) + NudgeStep);
    UnrecordedWrites second(Subt);
    Subt.SetEndTime(ix, Subt.EndTime(ix) + NudgeStep);
}

void MakeShorter(SUBTITLES& Subt, std::int32_t ix) {
    const double lowestEnd = Subt.StartTime(ix) + ShortestDuration;
    Subt.SetEndTime(ix, Subt.EndTime(ix) - DurationStep);
    if (Subt.EndTime(ix) < lowestEnd) {
        UnrecordedWrites second(Subt);
        Subt.SetEndTime(ix, lowestEnd);
    }
}

void MakeLonger(SUBTITLES& Subt, std::int32_t ix) {
    // Beyond the last title the next start reads 0, so the limit is negative.
    const double highestEnd = Subt.StartTime(ix + 1) - GapBeforeNext;
    Subt.SetEndTime(ix, Subt.EndTime(ix) + DurationStep);
    if (highestEnd > 0 && Subt.EndTime(ix) > highestEnd) {
        UnrecordedWrites second(Subt);
        Subt.SetEndTime(ix, highestEnd);
    }
}

std::optional<InsertedTitle> InsertBefore(SUBTITLES& Subt, std::int32_t ix) {
    if (ix < 1 || ix > Subt.Count()) return std::nullopt;
    const double s = (Subt.StartTime(ix - 1) + Subt.StartTime(ix)) / 2;
    double d = Subt.StartTime(ix) - s;
    if (d < ShortestDuration) d = ShortestDuration;
    if (d > LongestInsertedDuration) d = LongestInsertedDuration;
    try {
        Subt.Insert(ix, s, s + d, InsertedText);
    } catch (const StoreFull&) {
        return std::nullopt;
    }
    return InsertedTitle{s, d};
}

} // namespace cuemark

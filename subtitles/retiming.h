#pragma once
// Whole-file re-timing: new time = old time x factor + offset, applied to the
// start and end of every title (or of a chosen few).

#include <functional>
#include <optional>

#include "subtitles/store.h"

namespace cuemark {

struct LinearMap {
    double factor = 1.0;
    double offset = 0.0;
    double operator()(double t) const { return t * factor + offset; }
};

// Sends old time a to A and b to B exactly; none when a == b (no factor can
// be formed) or a result would not be a finite number.
std::optional<LinearMap> MapFromTwoTimes(double a, double A, double b, double B);
// Moves the last start L by `amount` (longer when stretching, shorter when
// shrinking) and keeps 0 in place; none unless L > 0.
std::optional<LinearMap> MapFromAmount(double L, double amount, bool stretch);
// Times for `currentRate` frames per second re-timed for `desiredRate`;
// none unless both are positive.
std::optional<LinearMap> MapFromFrameRates(double currentRate, double desiredRate);

// Applies the map to titles 1..Count for which `chosen` is true (all when it
// is empty), with journalling off, and returns how many titles changed. The
// journal is left alone: callers decide (whole-file operations empty it).
int ApplyMap(SUBTITLES& Subt, const LinearMap& map, const std::function<bool(int)>& chosen = {});

} // namespace cuemark

#include "subtitles/retiming.h"

#include <cmath>

namespace cuemark {

namespace {
std::optional<LinearMap> finite(LinearMap map) {
    if (!std::isfinite(map.factor) || !std::isfinite(map.offset)) return std::nullopt;
    return map;
}
} // namespace

std::optional<LinearMap> MapFromTwoTimes(double a, double A, double b, double B) {
    if (a == b) return std::nullopt;
    LinearMap map;
    map.factor = (B - A) / (b - a);
    map.offset = A - a * map.factor;
    return finite(map);
}

std::optional<LinearMap> MapFromAmount(double L, double amount, bool stretch) {
    if (!(L > 0)) return std::nullopt;
    return finite({stretch ? 1 + amount / L : 1 - amount / L, 0.0});
}

std::optional<LinearMap> MapFromFrameRates(double currentRate, double desiredRate) {
    if (!(currentRate > 0) || !(desiredRate > 0)) return std::nullopt;
    return finite({desiredRate / currentRate, 0.0});
}

int ApplyMap(SUBTITLES& Subt, const LinearMap& map, const std::function<bool(int)>& chosen) {
    const bool wasEnabled = Subt.UndoEnabled();
    Subt.SetUndoEnabled(false);
    int changed = 0;
    for (int i = 1; i <= Subt.Count(); ++i) {
        if (chosen && !chosen(i)) continue;
        Subt.SetTimes(i, map(Subt.StartTime(i)), map(Subt.EndTime(i)));
        ++changed;
    }
    Subt.SetUndoEnabled(wasEnabled);
    return changed;
}

} // namespace cuemark

#include "app/calibration/reaction_time.h"

#include <algorithm>
#include <chrono>
#include <cmath>

namespace cuemark {

namespace {

// A stamp older than this is not the event just handled (another clock, or
// an event that sat in a queue for a second): the reading is used as is.
constexpr double MaxDelayMs = 1000.0;
// How far a stamp on the monotonic clock may lie from now and still be taken
// for one; the X server's time is that clock's milliseconds in 32 bits.
constexpr double MonotonicWindowMs = 5000.0;
constexpr double Wrap32 = 4294967296.0;

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    const size_t n = values.size();
    return n % 2 == 1 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2.0;
}

double spread(const std::vector<double>& values, double centre) {
    std::vector<double> deviations;
    deviations.reserve(values.size());
    for (double v : values) deviations.push_back(std::fabs(v - centre));
    return 1.4826 * median(std::move(deviations));
}

bool inRange(double lagMs) {
    return lagMs >= MinLagMs && lagMs <= MaxLagMs;
}

} // namespace

LagEstimate estimateLags(const std::vector<Cue>& cues, const std::vector<Hold>& holds) {
    LagEstimate estimate;
    estimate.cues = static_cast<int>(cues.size());
    std::vector<std::optional<Hold>> firstHold(cues.size());
    for (const Hold& hold : holds) {
        // The last cue that began at or before the press.
        const auto after = std::upper_bound(cues.begin(), cues.end(), hold.press,
                                            [](double press, const Cue& cue) { return press < cue.start; });
        if (after == cues.begin()) continue;
        auto& slot = firstHold[static_cast<size_t>(after - cues.begin() - 1)];
        if (!slot) slot = hold;
    }
    std::vector<double> press, release;
    for (size_t i = 0; i < cues.size(); ++i) {
        if (!firstHold[i]) continue;
        const double pressLag = (firstHold[i]->press - cues[i].start) * 1000.0;
        const double releaseLag = (firstHold[i]->release - cues[i].end) * 1000.0;
        if (!inRange(pressLag) || !inRange(releaseLag)) continue;
        press.push_back(pressLag);
        release.push_back(releaseLag);
    }
    estimate.usable = static_cast<int>(press.size());
    if (press.empty()) return estimate;
    estimate.pressMs = median(press);
    estimate.releaseMs = median(release);
    estimate.pressSpreadMs = spread(press, estimate.pressMs);
    estimate.releaseSpreadMs = spread(release, estimate.releaseMs);
    return estimate;
}

ReactionLags saneLags(std::int32_t pressMs, std::int32_t releaseMs) {
    const auto sane = [](std::int32_t ms) { return ms >= 0 && ms <= MaxLagMs ? ms : 0; };
    return {sane(pressMs), sane(releaseMs)};
}

TitleTimes compensatedTimes(double press, double release, ReactionLags lags, double oldDuration) {
    TitleTimes times;
    times.start = std::max(0.0, press - lags.pressMs / 1000.0);
    times.end = release - lags.releaseMs / 1000.0;
    if (times.end < times.start) times.end = times.start + (oldDuration > 0.0 ? oldDuration : 0.5);
    return times;
}

double KeyEventClock::mediaTimeAt(std::uint64_t eventMs, double nowMs, double position, double rate, double floor,
                                  bool playing) {
    lastDelayMs_.reset();
    if (!playing || !(rate > 0.0)) return position;
    const std::optional<double> delay = delayMs(eventMs, nowMs);
    if (!delay) return position;
    lastDelayMs_ = delay;
    const double at = position - *delay / 1000.0 * rate;
    return std::min(std::max(at, floor), position);
}

std::optional<double> KeyEventClock::delayMs(std::uint64_t eventMs, double nowMs) {
    if (eventMs == 0) return std::nullopt;
    // The stamp is a whole millisecond: the event came some time within it.
    double monotonic = std::fmod(nowMs, Wrap32) - static_cast<double>(eventMs % static_cast<std::uint64_t>(Wrap32));
    if (monotonic < -Wrap32 / 2) monotonic += Wrap32;
    if (monotonic > -1.0 && monotonic <= MonotonicWindowMs) {
        const double delay = std::max(0.0, monotonic - 0.5);
        return delay <= MaxDelayMs ? std::optional<double>(delay) : std::nullopt;
    }
    const double offset = nowMs - static_cast<double>(eventMs);
    if (!foreignOffsetMs_ || offset < *foreignOffsetMs_) foreignOffsetMs_ = offset;
    const double delay = offset - *foreignOffsetMs_;
    if (delay > MaxDelayMs) {
        // The other clock was reset: learn it afresh.
        foreignOffsetMs_ = offset;
        return std::nullopt;
    }
    return delay;
}

double monotonicMs() {
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

} // namespace cuemark

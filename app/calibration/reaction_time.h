#pragma once
// How late the user's key moves, and when a key event really happened. Plain
// C++: the calibration, the action key and the tests share it.
//
// A person presses some 150 to 250 ms after a line starts and releases after
// it ends by a lag of its own. The calibration measures both lags on cues
// whose times are known; compensation takes them off the key's times.

#include <cstdint>
#include <optional>
#include <vector>

namespace cuemark {

// A calibration cue's known times, in seconds of the clip.
struct Cue {
    double start = 0.0;
    double end = 0.0;
};

// One hold of the action key as stored without compensation, in seconds.
struct Hold {
    double press = 0.0;
    double release = 0.0;
};

// Lags outside this range are a missed cue or a stray key, not a reaction.
constexpr double MinLagMs = 40.0;
constexpr double MaxLagMs = 900.0;
// Fewer usable cues than this give no trustworthy figure.
constexpr int MinUsableCues = 8;

struct LagEstimate {
    int cues = 0;   // cues in the clip
    int usable = 0; // cues whose press and release lags were both in range
    // Medians over the usable cues and the spread about them (1.4826 times
    // the median absolute deviation: a standard deviation that one stray
    // hold cannot inflate), in milliseconds.
    double pressMs = 0.0;
    double pressSpreadMs = 0.0;
    double releaseMs = 0.0;
    double releaseSpreadMs = 0.0;

    bool enough() const { return usable >= MinUsableCues; }
};

// Each hold belongs to the cue that began last before its press; a cue
// held more than once keeps its first hold. Cues must be in time order.
LagEstimate estimateLags(const std::vector<Cue>& cues, const std::vector<Hold>& holds);

// The lags compensation takes off, in whole milliseconds.
struct ReactionLags {
    std::int32_t pressMs = 0;
    std::int32_t releaseMs = 0;
};

// A stored lag outside 0..MaxLagMs is not one the calibration could give.
ReactionLags saneLags(std::int32_t pressMs, std::int32_t releaseMs);

struct TitleTimes {
    double start = 0.0;
    double end = 0.0;
};

// start = press - press lag, end = release - release lag; never below 0 and
// never an end before its start: then the end is the start plus the title's
// old duration, or half a second when it had none.
TitleTimes compensatedTimes(double press, double release, ReactionLags lags, double oldDuration);

// The media time at which a key event happened, from the window system's
// time stamp of the event. The handler reads the position late by however
// long the user-interface thread was busy; this takes that delay back off.
class KeyEventClock {
public:
    // eventMs: the event's stamp in milliseconds (0: the window system gave
    // none); nowMs: the monotonic clock, read right after `position`;
    // position: the player's position read in the handler; rate: the
    // playback rate; floor: the position at the last seek or start of play,
    // which the event cannot precede; playing: the media is running (else
    // the position stands still and is the answer).
    double mediaTimeAt(std::uint64_t eventMs, double nowMs, double position, double rate, double floor, bool playing);

    // The delay of the last stamped event in milliseconds; nothing when the
    // position was taken as read.
    std::optional<double> lastDelayMs() const { return lastDelayMs_; }

private:
    std::optional<double> delayMs(std::uint64_t eventMs, double nowMs);

    // For stamps on a clock other than the monotonic one: the least
    // (now - stamp) seen, taken as an event handled at once.
    std::optional<double> foreignOffsetMs_;
    std::optional<double> lastDelayMs_;
};

// The monotonic clock in milliseconds, as KeyEventClock wants it.
double monotonicMs();

} // namespace cuemark

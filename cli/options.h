#pragma once
// The command line of cuemark-cli, parsed into one plain structure.

#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace cuemark::cli {

// A command line that cannot be understood; exit status 1.
class UsageError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

enum class Command { Help, Version, Convert, Shift, Stretch, Info, Speech, Sync };

struct TimePair {
    double from = 0.0;
    double to = 0.0;
};

struct Options {
    Command command = Command::Help;
    std::string input;
    std::string output;
    double fps = 25.0;
    std::optional<std::string> encoding;
    std::optional<std::string> outputFormat; // "srt", "sub" or "smi"
    bool keepPartial = false;
    bool json = false;
    // speech: the detector's aggressiveness, 0..3
    std::optional<int> mode;
    // shift
    std::optional<double> by;
    // stretch
    std::vector<TimePair> maps;
    std::optional<double> fpsFrom, fpsTo, factor, offset;
    // sync: a media file or a correctly timed subtitle file
    std::string reference;
    bool noSplit = false;
    double maxOffset = 120.0;
    bool maxOffsetGiven = false;
};

Options ParseOptions(const std::vector<std::string>& args);

// "12.5", "-3", "01:02:03,500" or "-00:00:01.250"; throws UsageError.
double ParseTime(const std::string& text, const std::string& what);
// A plain decimal number; throws UsageError.
double ParseNumber(const std::string& text, const std::string& what);

extern const char* const HelpText;

} // namespace cuemark::cli

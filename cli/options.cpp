#include "cli/options.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <optional>
#include <string_view>

#include "subtitles/time_text.h"

namespace cuemark::cli {

const char* const HelpText =
    "Usage: cuemark-cli COMMAND [ARGUMENTS] [OPTIONS]\n"
    "\n"
    "Converts and re-times subtitle files: SubRip (.srt), MicroDVD (.sub), SAMI (.smi).\n"
    "The format of a file is taken from its extension; an input without a known\n"
    "extension is recognised by its content. Use - for standard input or output.\n"
    "\n"
    "Commands:\n"
    "  convert IN OUT              write IN in the format of OUT\n"
    "  shift IN OUT --by TIME      move every title by TIME (negative: earlier)\n"
    "  stretch IN OUT MAP          re-time every title by a linear map, one of\n"
    "      --map OLD=NEW --map OLD=NEW   send two old times to two new ones\n"
    "      --fps-from A --fps-to B       times for A frames per second, re-timed for B\n"
    "      --factor F [--offset TIME]    new time = old time x F + TIME\n"
    "  info IN [--json]            format, encoding, number of titles, first start, last end\n"
    "  speech MEDIA [--json] [--mode N]\n"
    "                              where people speak in MEDIA's sound (any film or audio\n"
    "                              file), one interval a line; --mode 0 to 3: how strictly\n"
    "                              sound is taken for speech (default 3, the strictest)\n"
    "  sync REFERENCE IN OUT [--no-split] [--max-offset SECONDS] [--json]\n"
    "                              re-time IN to REFERENCE, a film (by where its people\n"
    "                              speak) or a correctly timed subtitle file: one frame-rate\n"
    "                              factor for the file, and a shift for each run of titles\n"
    "                              between the cuts it finds (none with --no-split); titles\n"
    "                              move at most --max-offset seconds (default 120) either\n"
    "                              way. It says what it did; --json prints the map, its\n"
    "                              score (how far it stands above the next best; below 2\n"
    "                              nothing is written) and the share of the titles' time\n"
    "                              on speech (on_speech)\n"
    "\n"
    "TIME is seconds (12.5, -3) or [-]hh:mm:ss,mmm (a full stop works for the comma),\n"
    "less than 32,768 hours; no title may be moved to 32,768 hours or more.\n"
    "\n"
    "Options:\n"
    "  --fps RATE        frame rate of MicroDVD files read or written (default 25)\n"
    "  --encoding NAME   read IN in this encoding instead of detecting it\n"
    "  --to FORMAT       write OUT as srt, sub or smi whatever its name (needed for -)\n"
    "  --keep-partial    write what was read even when IN stopped on bad input\n"
    "  --help, --version\n"
    "\n"
    "Exit status: 0 success, 1 usage error, 2 IN cannot be opened or its format is\n"
    "unknown (for speech and sync: MEDIA cannot be read or has no audio), 3 IN stopped\n"
    "on bad input, 4 writing failed (an existing OUT is intact), 5 sync found no\n"
    "confident alignment (OUT is not written).\n"
    "\n"
    "speech and sync keep what they find under $XDG_CACHE_HOME/cuemark/audio (~/.cache/...),\n"
    "so asking again about the same file answers at once.\n";

namespace {

// A user's text in a message, cut when it is long: an argument of thousands
// of digits (a stuck key, a script gone wrong) is not echoed whole.
std::string shown(std::string_view text) {
    constexpr size_t Kept = 20;
    if (text.size() <= Kept + 3) return "'" + std::string(text) + "'";
    size_t cut = Kept;
    while (cut > 0 && (static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80) --cut; // not inside a UTF-8 character
    return "'" + std::string(text.substr(0, cut)) + "...'";
}

enum class NumberRead { Read, NotANumber, TooLarge };

// A plain decimal: an optional sign, digits with an optional point. More
// digits than a double can hold is too large; a value too small for one
// reads as 0.
NumberRead readNumber(std::string_view text, double& value) {
    const char* first = text.data();
    const char* last = first + text.size();
    if (first != last && *first == '+') ++first;
    auto [ptr, ec] = std::from_chars(first, last, value, std::chars_format::fixed);
    if (ptr != last || (ec != std::errc() && ec != std::errc::result_out_of_range)) return NumberRead::NotANumber;
    if (ec == std::errc::result_out_of_range) {
        // Out of range with a non-zero digit before the point is too large;
        // otherwise it is too small to tell from 0.
        const std::string_view whole(first, static_cast<size_t>(std::find(first, last, '.') - first));
        if (whole.find_first_of("123456789") != std::string_view::npos) return NumberRead::TooLarge;
        value = 0.0;
    }
    return std::isfinite(value) ? NumberRead::Read : NumberRead::NotANumber; // from_chars takes "inf" and "nan"
}

// [-]h+:m{1,2}:s{1,2}([,.]d{1,3})?, valued as the time boxes value it; none
// when the text has another shape. Hours of any length give a value, if
// need be an infinite one, for the caller to refuse.
std::optional<double> clockTime(std::string_view text) {
    size_t at = 0;
    const auto digits = [&](size_t most, double& value, size_t& count) {
        value = 0.0;
        count = 0;
        for (; at < text.size() && count < most && text[at] >= '0' && text[at] <= '9'; ++at, ++count)
            value = value * 10.0 + (text[at] - '0');
        return count > 0;
    };
    const auto skip = [&](std::string_view oneOf) {
        if (at >= text.size() || oneOf.find(text[at]) == std::string_view::npos) return false;
        ++at;
        return true;
    };
    const bool negative = skip("-");
    double hours, minutes, seconds, millis = 0.0;
    size_t count = 0;
    if (!digits(std::string_view::npos, hours, count) || !skip(":") || !digits(2, minutes, count) || !skip(":") ||
        !digits(2, seconds, count))
        return std::nullopt;
    if (skip(",.")) {
        if (!digits(3, millis, count)) return std::nullopt;
        for (; count < 3; ++count) millis *= 10.0; // "5" is 500 ms
    }
    if (at != text.size()) return std::nullopt;
    const double t = (hours * 60.0 + minutes) * 60.0 + seconds + millis / 1000.0;
    return negative ? -t : t;
}

} // namespace

double ParseNumber(const std::string& text, const std::string& what) {
    double value = 0.0;
    switch (readNumber(text, value)) {
    case NumberRead::Read: return value;
    case NumberRead::TooLarge: throw UsageError(what + " is too large to be a number: " + shown(text));
    default: throw UsageError(what + " must be a number, not " + shown(text));
    }
}

double ParseTime(const std::string& text, const std::string& what) {
    double value = 0.0;
    bool read = false;
    if (text.find(':') == std::string::npos) {
        const NumberRead number = readNumber(text, value);
        if (number == NumberRead::TooLarge) value = HUGE_VAL;
        read = number != NumberRead::NotANumber;
    } else if (const std::optional<double> t = clockTime(text)) {
        value = *t;
        read = true;
    }
    if (!read) throw UsageError(what + " must be seconds or [-]hh:mm:ss,mmm, not " + shown(text));
    if (!withinTimeRange(value)) throw UsageError(what + " must be less than 32,768 hours, not " + shown(text));
    return value;
}

namespace {

class ArgCursor {
public:
    explicit ArgCursor(const std::vector<std::string>& args) : args_(args) {}
    bool done() const { return at_ >= args_.size(); }
    const std::string& next() { return args_[at_++]; }
    const std::string& valueFor(const std::string& option) {
        if (done()) throw UsageError(option + " needs a value");
        return next();
    }

private:
    const std::vector<std::string>& args_;
    size_t at_ = 0;
};

Command commandNamed(const std::string& name) {
    if (name == "convert") return Command::Convert;
    if (name == "shift") return Command::Shift;
    if (name == "stretch") return Command::Stretch;
    if (name == "info") return Command::Info;
    if (name == "speech") return Command::Speech;
    if (name == "sync") return Command::Sync;
    throw UsageError("unknown command " + shown(name));
}

TimePair parseMap(const std::string& text) {
    const size_t eq = text.find('=');
    if (eq == std::string::npos) throw UsageError("--map needs OLD=NEW, not " + shown(text));
    return {ParseTime(text.substr(0, eq), "the old time of --map"),
            ParseTime(text.substr(eq + 1), "the new time of --map")};
}

void checkCombination(const Options& o, size_t positional) {
    const bool oneFile = o.command == Command::Info || o.command == Command::Speech;
    const size_t wanted = oneFile ? 1u : o.command == Command::Sync ? 3u : 2u;
    if (positional != wanted)
        throw UsageError(o.command == Command::Speech ? "speech needs one media file"
                         : o.command == Command::Sync ? "sync needs a reference, an input and an output file"
                         : oneFile                    ? "info needs one input file"
                                                      : "the command needs an input and an output file");
    if (o.command != Command::Sync && (o.noSplit || o.maxOffsetGiven))
        throw UsageError("--no-split and --max-offset belong to sync");
    if (o.command == Command::Sync && !(o.maxOffset > 0))
        throw UsageError("--max-offset must be above 0");
    if (o.mode && o.command != Command::Speech) throw UsageError("--mode belongs to speech");
    if (o.outputFormat && *o.outputFormat != "srt" && *o.outputFormat != "sub" && *o.outputFormat != "smi")
        throw UsageError("--to must be srt, sub or smi");
    if (o.command == Command::Shift && !o.by) throw UsageError("shift needs --by TIME");
    if (o.command != Command::Shift && o.by) throw UsageError("--by belongs to shift");
    const bool anyStretch = !o.maps.empty() || o.fpsFrom || o.fpsTo || o.factor || o.offset;
    if (o.command != Command::Stretch && anyStretch)
        throw UsageError("--map, --fps-from, --fps-to, --factor and --offset belong to stretch");
    if (o.command == Command::Stretch) {
        const int ways = (!o.maps.empty() ? 1 : 0) + ((o.fpsFrom || o.fpsTo) ? 1 : 0) +
                         ((o.factor || o.offset) ? 1 : 0);
        if (ways != 1) throw UsageError("stretch needs exactly one of: two --map, --fps-from with --fps-to, --factor");
        if (!o.maps.empty() && o.maps.size() != 2) throw UsageError("stretch needs exactly two --map");
        if (!o.maps.empty() && o.maps[0].from == o.maps[1].from)
            throw UsageError("the two --map old times must differ");
        if ((o.fpsFrom || o.fpsTo) && !(o.fpsFrom && o.fpsTo)) throw UsageError("--fps-from and --fps-to go together");
        if (o.fpsFrom && (*o.fpsFrom <= 0 || *o.fpsTo <= 0)) throw UsageError("frame rates must be above 0");
        if (o.offset && !o.factor) throw UsageError("--offset needs --factor");
    }
    if (!(o.fps > 0)) throw UsageError("--fps must be above 0");
}

} // namespace

Options ParseOptions(const std::vector<std::string>& args) {
    Options o;
    if (args.empty()) throw UsageError("no command given");
    ArgCursor cursor(args);
    const std::string& first = cursor.next();
    if (first == "--help" || first == "-h" || first == "help") return o;
    if (first == "--version") {
        o.command = Command::Version;
        return o;
    }
    o.command = commandNamed(first);
    std::vector<std::string> positional;
    while (!cursor.done()) {
        const std::string& arg = cursor.next();
        if (arg == "--help") {
            o.command = Command::Help;
            return o;
        } else if (arg == "--fps") {
            o.fps = ParseNumber(cursor.valueFor(arg), "--fps");
        } else if (arg == "--encoding") {
            o.encoding = cursor.valueFor(arg);
        } else if (arg == "--to") {
            o.outputFormat = cursor.valueFor(arg);
        } else if (arg == "--keep-partial") {
            o.keepPartial = true;
        } else if (arg == "--json") {
            o.json = true;
        } else if (arg == "--mode") {
            const std::string& value = cursor.valueFor(arg);
            if (value.size() != 1 || value[0] < '0' || value[0] > '3')
                throw UsageError("--mode must be 0, 1, 2 or 3, not " + shown(value));
            o.mode = value[0] - '0';
        } else if (arg == "--no-split") {
            o.noSplit = true;
        } else if (arg == "--max-offset") {
            o.maxOffset = ParseTime(cursor.valueFor(arg), "--max-offset");
            o.maxOffsetGiven = true;
        } else if (arg == "--by") {
            o.by = ParseTime(cursor.valueFor(arg), "--by");
        } else if (arg == "--map") {
            o.maps.push_back(parseMap(cursor.valueFor(arg)));
        } else if (arg == "--fps-from") {
            o.fpsFrom = ParseNumber(cursor.valueFor(arg), "--fps-from");
        } else if (arg == "--fps-to") {
            o.fpsTo = ParseNumber(cursor.valueFor(arg), "--fps-to");
        } else if (arg == "--factor") {
            o.factor = ParseNumber(cursor.valueFor(arg), "--factor");
        } else if (arg == "--offset") {
            o.offset = ParseTime(cursor.valueFor(arg), "--offset");
        } else if (arg.size() > 1 && arg[0] == '-' && arg != "-" && !(arg[1] >= '0' && arg[1] <= '9')) {
            throw UsageError("unknown option " + shown(arg));
        } else {
            positional.push_back(arg);
        }
    }
    if (o.json && o.command != Command::Info && o.command != Command::Speech && o.command != Command::Sync)
        throw UsageError("--json belongs to info, speech and sync");
    checkCombination(o, positional.size());
    if (o.command == Command::Sync) {
        o.reference = positional[0];
        positional.erase(positional.begin());
        // The map goes to standard output with --json; OUT cannot go there too.
        if (o.json && positional[1] == "-") throw UsageError("--json prints to standard output, so OUT cannot be -");
    }
    o.input = positional[0];
    if (positional.size() > 1) o.output = positional[1];
    return o;
}

} // namespace cuemark::cli

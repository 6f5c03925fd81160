#include "cli/commands.h"

#include <dlfcn.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <iostream>
#include <iterator>
#include <memory>
#include <sstream>

#include "cli/audio_api.h"
#include "cli/options.h"
#include "subtitles/file_io.h"
#include "subtitles/private_library.h"
#include "subtitles/messages.h"
#include "subtitles/retiming.h"
#include "subtitles/subtitle_files.h"
#include "subtitles/time_text.h"

namespace cuemark::cli {

namespace {

// Nobody to ask on a command line: the frame rate comes from --fps, the file
// name from the arguments, and messages are printed by the command itself.
class CommandLineSeam : public UserSeam {
public:
    CommandLineSeam(double fps, std::string output) : fps_(fps), output_(std::move(output)) {}
    MessageAnswer MessageBox(const std::string&, MessageButtons buttons, MessageIcon) override {
        return buttons == MessageButtons::YesNo ? MessageAnswer::No : MessageAnswer::OK;
    }
    void AskFrameRate(double& FrameRate) override { FrameRate = fps_; }
    void ShowLoadingNotice() override {}
    void HideLoadingNotice() override {}
    std::optional<SaveFileChoice> ChooseSaveFile(const SaveFileRequest& request) override {
        return SaveFileChoice{output_, request.filterIndex};
    }

private:
    double fps_;
    std::string output_;
};

// Seconds with three decimals, as the JSON outputs give them.
std::string Seconds(double t) {
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.3f", t);
    return buffer;
}

std::string displayName(const std::string& path) {
    return path == "-" ? "standard input" : path;
}

std::string oneLine(std::string text) {
    for (size_t at; (at = text.find("\r\n")) != std::string::npos;) text.replace(at, 2, " ");
    return text;
}

struct Job {
    const Options& options;
    std::istream& in;
    std::ostream& out;
    std::ostream& err;
    SUBTITLES Subt;
    CommandLineSeam seam;
    SubtitleFiles files;

    Job(const Options& o, std::istream& i, std::ostream& ou, std::ostream& e)
        : options(o), in(i), out(ou), err(e), seam(o.fps, o.output), files(Subt, seam) {
        files.forcedEncoding = o.encoding;
    }

    void complain(const std::string& text) { err << "cuemark-cli: " << text << '\n'; }

    // Reads the input; returns the exit status so far (Success or a failure).
    int load(LoadReport& report) {
        if (options.input == "-") {
            // Bounded as files are: standard input may never end.
            std::string bytes;
            char chunk[64 * 1024];
            while (bytes.size() <= MaxInputBytes && in.read(chunk, sizeof chunk).gcount() > 0)
                bytes.append(chunk, static_cast<size_t>(in.gcount()));
            if (bytes.size() > MaxInputBytes) {
                complain("cannot read " + displayName(options.input) + ": " + messages::InputTooLarge);
                return CannotRead;
            }
            report = files.LoadSubtitlesFromBytes("-", bytes);
        } else {
            report = files.LoadSubtitles(options.input);
        }
        if (!report.opened) {
            complain("cannot read " + displayName(options.input) + ": " + report.openError);
            return CannotRead;
        }
        if (report.format == SubtitleFormat::Unknown) {
            complain(displayName(options.input) + ": " + messages::UnknownFormat);
            return CannotRead;
        }
        const ReadOutcome& outcome = report.outcome;
        if (outcome.complete()) return Success;
        const std::string where = displayName(options.input) + ":" + std::to_string(outcome.line) + ": ";
        if (outcome.status == ReadOutcome::Status::BadInput && outcome.onlyBlankLinesLeft) {
            complain("warning: " + where + oneLine(outcome.message) + " (only blank lines follow; ignored)");
            return Success;
        }
        complain(where + oneLine(outcome.message));
        return BadInput;
    }

    std::string outputName() const {
        if (options.outputFormat) return options.output + "." + *options.outputFormat;
        if (options.output == "-") return std::string("-.") + formatExtension();
        return options.output;
    }

    // Standard output without --to keeps the input's format.
    const char* formatExtension() const {
        switch (lastFormat) {
        case SubtitleFormat::MicroDVD: return "sub";
        case SubtitleFormat::Sami: return "smi";
        default: return "srt";
        }
    }
    SubtitleFormat lastFormat = SubtitleFormat::Unknown;

    std::string outputTarget() const { return options.output == "-" ? "standard output" : options.output; }
    const char* commandName() const { return options.command == Command::Shift ? "shift" : "stretch"; }

    // The first title (1-based) with a time that cannot be held; 0 for none.
    int firstTitleOutOfRange() const {
        for (int i = 1; i <= Subt.Count(); ++i)
            if (!withinTimeRange(Subt.StartTime(i)) || !withinTimeRange(Subt.EndTime(i))) return i;
        return 0;
    }

    int save() {
        const std::string target = outputTarget();
        if (Subt.StartTime(1) < 0) {
            complain("cannot write " + target + ": " + messages::NegativeStart);
            return CannotWrite;
        }
        std::string bytes;
        try {
            bytes = files.RenderSubtitles(outputName());
        } catch (const TimeOverflow&) {
            complain("cannot write " + target + ": a time is too large to be written");
            return CannotWrite;
        } catch (const EncodingError& e) {
            complain("cannot write " + target + ": " + e.what());
            return CannotWrite;
        }
        if (options.output == "-") {
            out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
            out.flush();
            if (out) return Success;
            complain("cannot write standard output");
            return CannotWrite;
        }
        std::string error;
        if (WriteFileAtomically(options.output, bytes, &error)) return Success;
        complain(error);
        return CannotWrite;
    }

    std::optional<LinearMap> map() const {
        const Options& o = options;
        if (o.command == Command::Shift) return LinearMap{1.0, *o.by};
        if (!o.maps.empty()) return MapFromTwoTimes(o.maps[0].from, o.maps[0].to, o.maps[1].from, o.maps[1].to);
        if (o.fpsFrom) return MapFromFrameRates(*o.fpsFrom, *o.fpsTo);
        return LinearMap{*o.factor, o.offset.value_or(0.0)};
    }

    int convert() {
        LoadReport report;
        const int status = load(report);
        lastFormat = report.format;
        if (status != Success && !(status == BadInput && options.keepPartial)) return status;
        if (options.command != Command::Convert) {
            const std::optional<LinearMap> m = map();
            if (!m) {
                complain("the stretch cannot be formed from these times");
                return Usage;
            }
            ApplyMap(Subt, *m);
            // Caught here rather than by the writer, so that the message can
            // name the title; OUT is left as it was.
            if (const int i = firstTitleOutOfRange()) {
                complain("cannot write " + outputTarget() + ": the " + commandName() + " puts title " +
                         std::to_string(i) + " at 32,768 hours or more, beyond what a time can hold");
                return CannotWrite;
            }
        }
        const int written = save();
        return written != Success ? written : status;
    }

    int info() {
        LoadReport report;
        const int status = load(report);
        if (status == CannotRead) return status;
        const int n = Subt.Count();
        auto timeText = [](double t) {
            try {
                return TimeToText(t);
            } catch (const TimeOverflow&) {
                return std::string("out of range");
            }
        };
        if (options.json) {
            out << "{\"file\": " << jsonString(options.input) << ", \"format\": \"" << FormatName(report.format)
                << "\", \"encoding\": " << jsonString(report.encoding.name)
                << ", \"bom\": " << (report.encoding.bom ? "true" : "false") << ", \"titles\": " << n
                << ", \"first_start\": " << (n ? Seconds(Subt.StartTime(1)) : "null")
                << ", \"last_end\": " << (n ? Seconds(Subt.EndTime(n)) : "null")
                << ", \"complete\": " << (status == Success ? "true" : "false") << "}\n";
        } else {
            out << "file:        " << displayName(options.input) << '\n'
                << "format:      " << FormatName(report.format) << '\n'
                << "encoding:    " << report.encoding.name << (report.encoding.bom ? " (with byte-order mark)" : "")
                << '\n'
                << "titles:      " << n << '\n';
            if (n) {
                out << "first start: " << timeText(Subt.StartTime(1)) << '\n'
                    << "last end:    " << timeText(Subt.EndTime(n)) << '\n';
            }
        }
        return status;
    }

    static std::string jsonString(const std::string& s) {
        std::string out = "\"";
        for (unsigned char c : s) {
            if (c == '"' || c == '\\') {
                out += '\\';
                out += static_cast<char>(c);
            } else if (c < 0x20) {
                char buffer[8];
                std::snprintf(buffer, sizeof buffer, "\\u%04x", c);
                out += buffer;
            } else {
                out += static_cast<char>(c);
            }
        }
        return out + "\"";
    }
};

// The audio engine's library, opened on first need.
struct AudioLibrary {
    decltype(&cm_find_speech) findSpeech = nullptr;
    decltype(&cm_align) align = nullptr;
    decltype(&cm_audio_free) release = nullptr;

    // False, with the reason told, when it cannot be opened.
    bool open(const char* command, std::ostream& err) {
        std::string why;
        void* library = OpenPrivateLibrary("libcuemark_audio.so", &why);
        if (library != nullptr) {
            findSpeech = reinterpret_cast<decltype(findSpeech)>(dlsym(library, "cm_find_speech"));
            align = reinterpret_cast<decltype(align)>(dlsym(library, "cm_align"));
            release = reinterpret_cast<decltype(release)>(dlsym(library, "cm_audio_free"));
        }
        if (findSpeech && align && release) return true;
        err << "cuemark-cli: " << command << " needs the audio library, which cannot be opened: "
            << (why.empty() ? "it lacks its functions" : why) << '\n';
        return false;
    }

    // Speech intervals as pairs (start, end), or the exit status and its
    // message when the media gives none.
    int speech(const std::string& media, int mode, std::vector<double>& pairs, double& duration,
               std::ostream& err) const {
        double* found = nullptr;
        size_t count = 0;
        char* reason = nullptr;
        if (findSpeech(media.c_str(), mode, &found, &count, &duration, &reason) != 0) {
            err << "cuemark-cli: cannot read " << media << ": " << (reason != nullptr ? reason : "out of memory")
                << '\n';
            release(reason);
            return CannotRead;
        }
        pairs.assign(found, found + 2 * count);
        release(found);
        return Success;
    }
};

// The speech intervals of a media file, from the cache when it has them,
// through the audio engine's library.
int speech(const Options& options, std::ostream& out, std::ostream& err) {
    AudioLibrary audio;
    if (!audio.open("speech", err)) return CannotRead;
    std::vector<double> pairs;
    double duration = 0.0;
    if (const int status = audio.speech(options.input, options.mode.value_or(-1), pairs, duration, err))
        return status;
    const size_t count = pairs.size() / 2;
    if (options.json) {
        out << "{\"media\": " << Job::jsonString(options.input) << ", \"duration\": " << Seconds(duration)
            << ", \"segments\": [";
        for (size_t i = 0; i < count; ++i)
            out << (i ? ", " : "") << "{\"start\": " << Seconds(pairs[2 * i])
                << ", \"end\": " << Seconds(pairs[2 * i + 1]) << "}";
        out << "]}\n";
    } else {
        for (size_t i = 0; i < count; ++i)
            out << TimeToText(pairs[2 * i]) << " --> " << TimeToText(pairs[2 * i + 1]) << '\n';
    }
    out.flush();
    if (out) return Success;
    err << "cuemark-cli: cannot write standard output\n";
    return CannotWrite;
}

// A subtitle file by its name, as the formats know their extensions;
// anything else is taken for a film.
bool IsSubtitleName(const std::string& path) {
    return FormatFromName(path) != SubtitleFormat::Unknown;
}

std::vector<double> TitlePairs(const SUBTITLES& Subt) {
    std::vector<double> pairs;
    pairs.reserve(2 * static_cast<size_t>(Subt.Count()));
    for (int i = 1; i <= Subt.Count(); ++i) {
        pairs.push_back(Subt.StartTime(i));
        pairs.push_back(Subt.EndTime(i));
    }
    return pairs;
}

constexpr const char* NoConfidentAlignment = "No confident alignment found.";

// Re-times IN onto REFERENCE and writes OUT; nothing is written unless the
// aligner is sure.
int sync(Job& job) {
    const Options& options = job.options;
    LoadReport report;
    int status = job.load(report);
    job.lastFormat = report.format;
    if (status != Success && !(status == BadInput && options.keepPartial)) return status;
    if (job.Subt.Count() == 0) {
        job.complain(displayName(options.input) + ": there are no titles to sync");
        return BadInput;
    }
    AudioLibrary audio;
    if (!audio.open("sync", job.err)) return CannotRead;

    std::vector<double> reference;
    if (IsSubtitleName(options.reference)) {
        Options asInput = options;
        asInput.input = options.reference;
        asInput.encoding.reset();
        Job other(asInput, job.in, job.out, job.err);
        LoadReport referenceReport;
        const int read = other.load(referenceReport);
        if (read != Success && !(read == BadInput && options.keepPartial)) return read;
        reference = TitlePairs(other.Subt);
    } else {
        double duration = 0.0;
        if (const int read = audio.speech(options.reference, -1, reference, duration, job.err)) return read;
    }

    const std::vector<double> titles = TitlePairs(job.Subt);
    cm_sync found{};
    if (audio.align(titles.data(), titles.size() / 2, reference.data(), reference.size() / 2,
                    options.noSplit ? 0 : 1, options.maxOffset, &found) != 0) {
        job.complain("out of memory");
        return CannotRead;
    }
    const std::vector<cm_segment> segments(found.segments, found.segments + found.segment_count);
    const std::string why = found.why, words = found.words;
    audio.release(found.segments), audio.release(found.why), audio.release(found.words);

    // Messages go to standard error when OUT is standard output.
    std::ostream& said = options.output == "-" ? job.err : job.out;
    if (options.json) {
        char factor[64];
        std::snprintf(factor, sizeof factor, "%.9g", found.factor);
        job.out << "{\"factor\": " << factor << ", \"segments\": [";
        for (size_t s = 0; s < segments.size(); ++s)
            job.out << (s ? ", " : "") << "{\"first\": " << segments[s].first + 1
                    << ", \"last\": " << segments[s].last + 1 << ", \"offset\": " << Seconds(segments[s].offset)
                    << "}";
        job.out << "], \"score\": " << Seconds(std::min(found.peak_ratio, 1e6))
                << ", \"on_speech\": " << Seconds(found.fit) << "}\n";
    }
    if (!found.found) {
        job.complain(std::string(NoConfidentAlignment) + " (" + why + ")");
        return NoAlignment;
    }
    if (!options.json) {
        char score[64];
        std::snprintf(score, sizeof score, "%.1f", std::min(found.peak_ratio, 1e6));
        said << words << '\n'
             << std::lround(found.fit * 100) << "% of the titles' time lies on "
             << (IsSubtitleName(options.reference) ? "the reference's titles" : "speech") << "; score " << score
             << '\n';
    }
    for (const cm_segment& s : segments)
        ApplyMap(job.Subt, LinearMap{found.factor, s.offset}, [&](int i) {
            return static_cast<size_t>(i - 1) >= s.first && static_cast<size_t>(i - 1) <= s.last;
        });
    if (const int i = job.firstTitleOutOfRange()) {
        job.complain("cannot write " + job.outputTarget() + ": the sync puts title " + std::to_string(i) +
                     " at 32,768 hours or more, beyond what a time can hold");
        return CannotWrite;
    }
    const int written = job.save();
    return written != Success ? written : status;
}

} // namespace

int Run(const std::vector<std::string>& args, std::istream& in, std::ostream& out, std::ostream& err,
        Teardown teardown) {
    Options options;
    try {
        options = ParseOptions(args);
    } catch (const UsageError& e) {
        err << "cuemark-cli: " << e.what() << "\nTry 'cuemark-cli --help'.\n";
        return Usage;
    }
    switch (options.command) {
    case Command::Help: out << HelpText; return Success;
    case Command::Version: out << "cuemark-cli " << CUEMARK_VERSION << '\n'; return Success;
    case Command::Speech: return speech(options, out, err);
    default: break;
    }
    auto job = std::make_unique<Job>(options, in, out, err);
    const int status = options.command == Command::Info   ? job->info()
                       : options.command == Command::Sync ? sync(*job)
                                                          : job->convert();
    if (teardown == Teardown::LeaveToExit) static_cast<void>(job.release());
    return status;
}

} // namespace cuemark::cli

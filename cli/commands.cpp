#include "cli/commands.h"

#include <dlfcn.h>

#include <cstdio>
#include <iostream>
#include <iterator>
#include <memory>
#include <sstream>

#include "cli/speech_api.h"
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
        auto seconds = [](double t) {
            char buffer[64];
            std::snprintf(buffer, sizeof buffer, "%.3f", t);
            return std::string(buffer);
        };
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
                << ", \"first_start\": " << (n ? seconds(Subt.StartTime(1)) : "null")
                << ", \"last_end\": " << (n ? seconds(Subt.EndTime(n)) : "null")
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

// The speech intervals of a media file, from the cache when it has them,
// through the audio engine's library.
int speech(const Options& options, std::ostream& out, std::ostream& err) {
    std::string why;
    void* library = OpenPrivateLibrary("libcuemark_speech.so", &why);
    const auto find = library == nullptr
                          ? nullptr
                          : reinterpret_cast<decltype(&cm_find_speech)>(dlsym(library, "cm_find_speech"));
    const auto release = library == nullptr
                             ? nullptr
                             : reinterpret_cast<decltype(&cm_speech_free)>(dlsym(library, "cm_speech_free"));
    if (find == nullptr || release == nullptr) {
        err << "cuemark-cli: speech needs the audio library, which cannot be opened: "
            << (why.empty() ? "it lacks its functions" : why) << '\n';
        return CannotRead;
    }
    double* pairs = nullptr;
    size_t count = 0;
    double duration = 0.0;
    char* reason = nullptr;
    const int found = find(options.input.c_str(), options.mode.value_or(-1), &pairs, &count, &duration, &reason);
    if (found != 0) {
        err << "cuemark-cli: cannot read " << options.input << ": " << (reason != nullptr ? reason : "out of memory")
            << '\n';
        release(reason);
        return CannotRead;
    }
    auto seconds = [](double t) {
        char buffer[64];
        std::snprintf(buffer, sizeof buffer, "%.3f", t);
        return std::string(buffer);
    };
    if (options.json) {
        out << "{\"media\": " << Job::jsonString(options.input) << ", \"duration\": " << seconds(duration)
            << ", \"segments\": [";
        for (size_t i = 0; i < count; ++i)
            out << (i ? ", " : "") << "{\"start\": " << seconds(pairs[2 * i])
                << ", \"end\": " << seconds(pairs[2 * i + 1]) << "}";
        out << "]}\n";
    } else {
        for (size_t i = 0; i < count; ++i)
            out << TimeToText(pairs[2 * i]) << " --> " << TimeToText(pairs[2 * i + 1]) << '\n';
    }
    release(pairs);
    out.flush();
    if (out) return Success;
    err << "cuemark-cli: cannot write standard output\n";
    return CannotWrite;
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
    const int status = options.command == Command::Info ? job->info() : job->convert();
    if (teardown == Teardown::LeaveToExit) static_cast<void>(job.release());
    return status;
}

} // namespace cuemark::cli

// The command line's time text on any bytes, alone and as the --by of a whole
// shift command line: a time accepted is finite, below 32,768 hours and, in
// the clock form, what the time boxes read; a refusal is a usage error whose
// message stays short however long the text.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "cli/options.h"
#include "subtitles/time_text.h"

namespace {

void checkAccepted(double t) {
    if (!std::isfinite(t) || std::fabs(t) >= cuemark::TimeLimitHours * 3600.0) __builtin_trap();
}

void checkRefused(const cuemark::cli::UsageError& e) {
    if (std::strlen(e.what()) > 200) __builtin_trap();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    try {
        const double t = cuemark::cli::ParseTime(text, "--by");
        checkAccepted(t);
        if (text.find(':') != std::string::npos) {
            const bool hasFraction = text.find_first_of(",.") != std::string::npos;
            if (cuemark::TextToTime(hasFraction ? text : text + ",000") != t) __builtin_trap();
        }
    } catch (const cuemark::cli::UsageError& e) {
        checkRefused(e);
    }
    try {
        const cuemark::cli::Options o = cuemark::cli::ParseOptions({"shift", "in.srt", "out.srt", "--by", text});
        if (!o.by) __builtin_trap();
        checkAccepted(*o.by);
    } catch (const cuemark::cli::UsageError& e) {
        checkRefused(e);
    }
    return 0;
}

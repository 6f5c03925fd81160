#include "subtitles/format_detection.h"

#include <cctype>
#include <string>

#include "subtitles/number_text.h"

namespace cuemark {

SubtitleFormat FormatFromName(std::string_view fileName) {
    std::string_view trimmed = TrimSpaces(fileName);
    if (trimmed.size() < 4) return SubtitleFormat::Unknown;
    std::string key(trimmed.substr(trimmed.size() - 4));
    for (char& c : key) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (key == ".srt") return SubtitleFormat::SubRip;
    if (key == ".sub") return SubtitleFormat::MicroDVD;
    if (key == ".smi") return SubtitleFormat::Sami;
    return SubtitleFormat::Unknown;
}

SubtitleFormat FormatFromContent(LineReader& in) {
    std::string line;
    while (line.empty()) {
        // A file without a non-empty line is simply not recognised.
        if (in.AtEnd()) return SubtitleFormat::Unknown;
        line = in.ReadLine();
    }
    if (LeadingNumber(line) > 0) return SubtitleFormat::SubRip;
    if (line.front() == '{') return SubtitleFormat::MicroDVD;
    if (line.front() == '<') return SubtitleFormat::Sami;
    return SubtitleFormat::Unknown;
}

const char* FormatName(SubtitleFormat format) {
    switch (format) {
    case SubtitleFormat::SubRip: return "SubRip";
    case SubtitleFormat::MicroDVD: return "MicroDVD";
    case SubtitleFormat::Sami: return "SAMI";
    case SubtitleFormat::Unknown: break;
    }
    return "unknown";
}

} // namespace cuemark

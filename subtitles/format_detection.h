#pragma once
// Which of the three formats a file is in: by its name's extension, else by
// its first non-empty line.

#include <string_view>

#include "subtitles/line_io.h"

namespace cuemark {

enum class SubtitleFormat { Unknown, SubRip, MicroDVD, Sami };

// The last four characters of the space-trimmed name, in lower case.
SubtitleFormat FormatFromName(std::string_view fileName);
// Reads up to the first line that is not empty: a positive leading number is
// SubRip, "{" MicroDVD, "<" SAMI. A file with no such line is Unknown.
SubtitleFormat FormatFromContent(LineReader& in);

const char* FormatName(SubtitleFormat format);

} // namespace cuemark

#pragma once
// The program's command line: cuemark [MEDIA] [SUBTITLE], --help, --version.

#include <optional>
#include <string>
#include <vector>

namespace cuemark {

struct CommandLine {
    std::optional<std::string> media;
    std::optional<std::string> subtitles;
    bool help = false;
    bool version = false;
    std::string error; // not empty: a usage error
};

// Reads the arguments after the program name. A single file named like a
// subtitle file (.srt, .sub, .smi) is taken as the subtitles.
CommandLine ParseCommandLine(const std::vector<std::string>& arguments);
std::string UsageText();
std::string VersionText();

} // namespace cuemark

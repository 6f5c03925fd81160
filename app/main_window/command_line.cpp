#include "app/main_window/command_line.h"

#include <algorithm>
#include <cctype>

namespace cuemark {

namespace {

bool NamesSubtitles(const std::string& name) {
    if (name.size() < 4) return false;
    std::string key = name.substr(name.size() - 4);
    std::transform(key.begin(), key.end(), key.begin(), [](unsigned char c) { return std::tolower(c); });
    return key == ".srt" || key == ".sub" || key == ".smi";
}

} // namespace

CommandLine ParseCommandLine(const std::vector<std::string>& arguments) {
    CommandLine line;
    std::vector<std::string> files;
    bool optionsEnded = false;
    for (const std::string& argument : arguments) {
        if (!optionsEnded && argument == "--") {
            optionsEnded = true;
        } else if (!optionsEnded && (argument == "--help" || argument == "-h")) {
            line.help = true;
        } else if (!optionsEnded && argument == "--version") {
            line.version = true;
        } else if (!optionsEnded && argument.size() > 1 && argument[0] == '-') {
            line.error = "unknown option '" + argument + "'";
            return line;
        } else {
            files.push_back(argument);
        }
    }
    if (files.size() > 2) {
        line.error = "at most two files: a media file and a subtitle file";
    } else if (files.size() == 2) {
        line.media = files[0];
        line.subtitles = files[1];
    } else if (files.size() == 1) {
        (NamesSubtitles(files[0]) ? line.subtitles : line.media) = files[0];
    }
    return line;
}

std::string UsageText() {
    return "Usage: cuemark [MEDIA] [SUBTITLE]\n"
           "Re-time subtitle files against a video or audio file.\n"
           "\n"
           "  MEDIA      a video or audio file to open in the player\n"
           "  SUBTITLE   a SubRip (.srt), MicroDVD (.sub) or SAMI (.smi) file\n"
           "  --help     show this text\n"
           "  --version  show the version\n"
           "\n"
           "While the media plays in positioning mode, hold the action key (Space)\n"
           "for as long as each title should be on screen.\n";
}

std::string VersionText() {
    return std::string("Tallyfold ") + CUEMARK_VERSION + "\n";
}

} // namespace cuemark

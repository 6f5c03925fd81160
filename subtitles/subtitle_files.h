#pragma once
// Moving subtitles between a file and the store: the load and save frame
// around the three formats. The main window owns one SubtitleFiles next to
// its store; the command-line tool makes its own.

#include <optional>
#include <string>
#include <string_view>

#include "subtitles/file_io.h"
#include "subtitles/format_detection.h"
#include "subtitles/markup.h"
#include "subtitles/read_outcome.h"
#include "subtitles/sami.h"
#include "subtitles/store.h"
#include "subtitles/text_encoding.h"
#include "subtitles/user_seam.h"

namespace cuemark {

struct LoadReport {
    bool opened = false;   // false: the file could not be read, nothing happened
    std::string openError; // why, when !opened
    SubtitleFormat format = SubtitleFormat::Unknown;
    TextEncoding encoding; // what the file was read as
    ReadOutcome outcome;   // how the reader ended (Complete when Unknown)
    // The load got as far as choosing a format: the main window then
    // enables its Edit and Save buttons.
    bool reachedFormatStep() const { return opened; }
};

class SubtitleFiles {
public:
    static constexpr const char* SaveFilter =
        "SAMI files (*.smi)|*.smi|SubRip files (*.srt)|*.srt|MicroDVD Subtitle files (*.sub)|*.sub";
    // The format of each file type of SaveFilter, in its order.
    static constexpr SubtitleFormat SaveFilterFormats[] = {SubtitleFormat::Sami, SubtitleFormat::SubRip,
                                                           SubtitleFormat::MicroDVD};

    SubtitleFiles(SUBTITLES& Subt, UserSeam& seam) : Subt_(Subt), seam_(seam) {}

    // Reads the named file into the store (emptied first, with its journal).
    LoadReport LoadSubtitles(const std::string& fileName);
    // The same on bytes already read (standard input for the command line).
    LoadReport LoadSubtitlesFromBytes(const std::string& fileName, std::string_view bytes);

    // Asks for a file name, the dialog starting from `dialogFileName` without
    // its extension and offering the titles' format, and writes the whole
    // store to it. A name without one of the three extensions gets the one of
    // the file type chosen in the dialog. The name written to is put into
    // `dialogFileName` even when the write then fails. True when a file was
    // written without any error; the titles then belong to that file.
    bool SaveSubtitles(std::string& dialogFileName);
    // Writes the whole store to the named file, never harming the file that
    // was there; on failure tells the user and keeps the reason in
    // lastSaveError. A name of none of the three formats is refused: its
    // file would hold no titles. `faults` lets tests fail a step of the write.
    bool WriteSubtitles(const std::string& fileName, WriteFaults* faults = nullptr);
    // The file's bytes for a name, in the format its extension names and the
    // encoding the titles were read in. Throws TimeOverflow or EncodingError.
    std::string RenderSubtitles(const std::string& fileName);

    // State the readers and writers share across files.
    MarkupState markup;
    SamiState sami;
    double FrameRate = 25.0;
    // The encoding of the file last read; new files are UTF-8.
    TextEncoding encoding;
    // The format of the file the titles belong to, which the save dialog
    // offers first; titles of no file are SubRip.
    SubtitleFormat format = SubtitleFormat::SubRip;
    // Read every file in this encoding instead of detecting one.
    std::optional<std::string> forcedEncoding;
    // Why the last save failed, for logs and the command-line tool.
    std::string lastSaveError;

private:
    LoadReport load(const std::string& fileName, std::string bytes);
    ReadOutcome runReader(SubtitleFormat format, LineReader& in);

    SUBTITLES& Subt_;
    UserSeam& seam_;
};

// The suggested name for the save dialog: the last name with the extension
// of its file name cut off (folders with full stops stay whole).
std::string WithoutExtension(const std::string& fileName);

} // namespace cuemark

#include "subtitles/subtitle_files.h"

#include <iterator>

#include "subtitles/messages.h"
#include "subtitles/microdvd.h"
#include "subtitles/subrip.h"
#include "subtitles/time_text.h"

namespace cuemark {

namespace {

int saveFilterIndexOf(SubtitleFormat format) {
    for (size_t i = 0; i < std::size(SubtitleFiles::SaveFilterFormats); ++i)
        if (SubtitleFiles::SaveFilterFormats[i] == format) return int(i);
    return 1; // SubRip
}

const char* extensionOf(SubtitleFormat format) {
    switch (format) {
    case SubtitleFormat::MicroDVD: return ".sub";
    case SubtitleFormat::Sami: return ".smi";
    case SubtitleFormat::SubRip:
    case SubtitleFormat::Unknown: break;
    }
    return ".srt";
}

} // namespace

LoadReport SubtitleFiles::LoadSubtitles(const std::string& fileName) {
    std::string bytes;
    std::string error;
    bool tooLarge = false;
    if (!ReadWholeFile(fileName, bytes, &error, &tooLarge)) {
        Subt_.SetUndoEnabled(false);
        Subt_.Clear();
        Subt_.ClearUndo();
        // A file that cannot be opened ends the load quietly, but one that
        // opens and is refused for its size would leave the user guessing.
        if (tooLarge) seam_.MessageBox(messages::InputTooLarge, MessageButtons::OK, MessageIcon::None);
        LoadReport report;
        report.openError = error;
        return report;
    }
    return load(fileName, std::move(bytes));
}

LoadReport SubtitleFiles::LoadSubtitlesFromBytes(const std::string& fileName, std::string_view bytes) {
    return load(fileName, std::string(bytes));
}

LoadReport SubtitleFiles::load(const std::string& fileName, std::string bytes) {
    LoadReport report;
    Subt_.SetUndoEnabled(false);
    Subt_.Clear();
    // Entries from the previous file would be undone onto this file's titles.
    Subt_.ClearUndo();

    DecodedText decoded;
    try {
        decoded = forcedEncoding ? DecodeTextAs(bytes, *forcedEncoding) : DecodeTextInPlace(std::move(bytes));
    } catch (const EncodingError& e) {
        report.openError = e.what();
        return report;
    }
    report.opened = true;
    report.encoding = decoded.encoding;
    encoding = decoded.encoding;

    // No subtitle text holds NUL: what is left after UTF-16 was ruled out is
    // binary, or text in an encoding not recognised, and no reader would make
    // titles of it.
    const bool binary = decoded.utf8.find('\0') != std::string::npos;
    LineReader in(std::move(decoded.utf8));
    report.format = binary ? SubtitleFormat::Unknown : FormatFromName(fileName);
    if (report.format == SubtitleFormat::Unknown && !binary) {
        report.format = FormatFromContent(in);
        in.Rewind();
    }
    format = report.format == SubtitleFormat::Unknown ? SubtitleFormat::SubRip : report.format;
    if (report.format == SubtitleFormat::Unknown)
        seam_.MessageBox(messages::UnknownFormat, MessageButtons::OK, MessageIcon::None);
    else
        report.outcome = runReader(report.format, in);

    seam_.HideLoadingNotice();
    Subt_.SetUndoEnabled(true);
    return report;
}

ReadOutcome SubtitleFiles::runReader(SubtitleFormat format, LineReader& in) {
    ReadOutcome outcome;
    switch (format) {
    case SubtitleFormat::MicroDVD:
        seam_.AskFrameRate(FrameRate);
        seam_.ShowLoadingNotice();
        outcome = ReadMicroDVD(in, Subt_, markup, FrameRate);
        break;
    case SubtitleFormat::SubRip:
        seam_.ShowLoadingNotice();
        outcome = ReadSubRip(in, Subt_, markup);
        break;
    case SubtitleFormat::Sami: outcome = ReadSami(in, Subt_, sami); break;
    case SubtitleFormat::Unknown: break;
    }
    // A stopped reader may leave a style open; the next file starts clean.
    markup.italicOpen = markup.boldOpen = false;
    if (!outcome.complete()) {
        seam_.HideLoadingNotice();
        seam_.MessageBox(outcome.message, MessageButtons::OK, MessageIcon::None);
    }
    return outcome;
}

std::string SubtitleFiles::RenderSubtitles(const std::string& fileName) {
    LineWriter out;
    // The texts and about 64 bytes a title for numbers, times and tags.
    size_t estimate = sami.SamiHeader.size() + sami.SamiFooter.size() + 1024;
    for (int32_t i = 1; i <= Subt_.Count(); ++i) estimate += Subt_.Text(i).size() + 64;
    out.Reserve(estimate);
    switch (FormatFromName(fileName)) {
    case SubtitleFormat::MicroDVD:
        seam_.AskFrameRate(FrameRate);
        WriteMicroDVD(out, Subt_, FrameRate);
        break;
    case SubtitleFormat::SubRip: WriteSubRip(out, Subt_); break;
    case SubtitleFormat::Sami: WriteSami(out, Subt_, sami); break;
    case SubtitleFormat::Unknown:
        // No format to write in: callers check the name first (WriteSubtitles refuses it).
        return std::string();
    }
    return EncodeTextInPlace(out.TakeText(), encoding);
}

bool SubtitleFiles::SaveSubtitles(std::string& dialogFileName) {
    lastSaveError.clear();
    if (Subt_.StartTime(1) < 0) {
        seam_.MessageBox(messages::NegativeStart, MessageButtons::OK, MessageIcon::None);
        return false;
    }
    SaveFileRequest request;
    request.fileName = WithoutExtension(dialogFileName);
    request.filter = SaveFilter;
    request.filterIndex = saveFilterIndexOf(format);
    const std::optional<SaveFileChoice> chosen = seam_.ChooseSaveFile(request);
    if (!chosen) return false;
    std::string fileName = chosen->fileName;
    // As file dialogs do: a name without one of the three extensions gets the
    // chosen type's, rather than a file that no format writes to.
    if (FormatFromName(fileName) == SubtitleFormat::Unknown) {
        const int index = chosen->filterIndex;
        const bool known = index >= 0 && index < int(std::size(SaveFilterFormats));
        fileName += extensionOf(known ? SaveFilterFormats[index] : format);
    }
    dialogFileName = fileName;
    if (!WriteSubtitles(fileName)) return false;
    format = FormatFromName(fileName);
    return true;
}

bool SubtitleFiles::WriteSubtitles(const std::string& fileName, WriteFaults* faults) {
    lastSaveError.clear();
    bool written = false;
    try {
        if (FormatFromName(fileName) == SubtitleFormat::Unknown)
            lastSaveError = "no format is known for the name " + fileName;
        else
            written = WriteFileAtomically(fileName, RenderSubtitles(fileName), &lastSaveError, faults);
    } catch (const TimeOverflow&) {
        lastSaveError = "a time is too large to be written";
    } catch (const EncodingError& e) {
        lastSaveError = e.what();
    }
    // The old file is untouched and the changes are still unsaved: the
    // caller keeps them marked, so closing will still offer to save them.
    if (!written) seam_.MessageBox(messages::SaveErrors, MessageButtons::OK, MessageIcon::None);
    return written;
}

std::string WithoutExtension(const std::string& fileName) {
    const size_t slash = fileName.find_last_of('/');
    const size_t dot = fileName.find_last_of('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return fileName;
    // A leading dot names a hidden file, not an extension.
    if (dot == (slash == std::string::npos ? 0 : slash + 1)) return fileName;
    return fileName.substr(0, dot);
}

} // namespace cuemark

#pragma once
// SAMI (.smi): SYNC tags with times in milliseconds inside an HTML-like
// document. The reader keeps the header, footer and class of the file it read
// and the writer reuses them, so a loaded and saved file keeps its styles.

#include <string>

#include "subtitles/line_io.h"
#include "subtitles/read_outcome.h"
#include "subtitles/store.h"

namespace cuemark {

// Owned by the main window for the whole run; only the reader changes it.
struct SamiState {
    bool SamiHeaderKept = false;
    std::string SamiHeader;  // lines up to and including "<body>", each + CR LF
    std::string SamiFooter;  // "</body>" with the rest of the file, each line + CR LF
    std::string SamiClass;   // class of the last P tag with a class
    std::string SamiPending; // unread rest of the current line while reading
};

ReadOutcome ReadSami(LineReader& in, SUBTITLES& Subt, SamiState& sami);
void WriteSami(LineWriter& out, const SUBTITLES& Subt, const SamiState& sami);

} // namespace cuemark

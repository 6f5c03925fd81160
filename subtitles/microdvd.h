#pragma once
// MicroDVD (.sub): {start frame}{end frame}text, lines joined by "|".

#include "subtitles/line_io.h"
#include "subtitles/markup.h"
#include "subtitles/read_outcome.h"
#include "subtitles/store.h"

namespace cuemark {

// FrameRate is the confirmed rate, frames per second (above 10, below 50).
ReadOutcome ReadMicroDVD(LineReader& in, SUBTITLES& Subt, MarkupState& markup, double FrameRate);
// Throws TimeOverflow for a time whose frame number cannot be written.
void WriteMicroDVD(LineWriter& out, const SUBTITLES& Subt, double FrameRate);

} // namespace cuemark

#pragma once
// SubRip (.srt): numbered blocks with hh:mm:ss,mmm --> hh:mm:ss,mmm times.

#include "subtitles/line_io.h"
#include "subtitles/markup.h"
#include "subtitles/read_outcome.h"
#include "subtitles/store.h"

namespace cuemark {

// Adds every title read with Subt.Add, in file order.
ReadOutcome ReadSubRip(LineReader& in, SUBTITLES& Subt, MarkupState& markup);
// Writes titles 1..Count without markup, leaving out empty lines after a
// title's first line (the reader would end the title there). Throws
// TimeOverflow for a time that cannot be written.
void WriteSubRip(LineWriter& out, const SUBTITLES& Subt);

} // namespace cuemark

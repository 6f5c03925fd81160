// Arbitrary text through the SubRip reader into a fresh store, then the
// store back out through the writer.
#include <cstddef>
#include <cstdint>
#include <string>

#include "subtitles/subrip.h"
#include "subtitles/time_text.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    cuemark::LineReader in(std::string(reinterpret_cast<const char*>(data), size));
    cuemark::SUBTITLES store;
    cuemark::MarkupState markup;
    cuemark::ReadSubRip(in, store, markup);
    cuemark::LineWriter out;
    try {
        cuemark::WriteSubRip(out, store);
    } catch (const cuemark::TimeOverflow&) {
        // A time read from the file that no SubRip file can hold: the save
        // frame reports it.
    }
    return 0;
}

// Arbitrary text through the SubRip reader into a fresh store, then the
// store back out through the writer.
#include <cstddef>
#include <cstdint>

#include "fuzz/round_trip.h"
#include "subtitles/subrip.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    cuemark::MarkupState markup;
    return cuemark::fuzz::ReadThenWrite(
        data, size, [&](cuemark::LineReader& in, cuemark::SUBTITLES& store) { cuemark::ReadSubRip(in, store, markup); },
        [](cuemark::LineWriter& out, const cuemark::SUBTITLES& store) { cuemark::WriteSubRip(out, store); });
}

// Arbitrary text through the SAMI reader into a fresh store, then the store
// back out through the writer with the header and footer the reader kept.
#include <cstddef>
#include <cstdint>

#include "fuzz/round_trip.h"
#include "subtitles/sami.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    cuemark::SamiState sami;
    return cuemark::fuzz::ReadThenWrite(
        data, size, [&](cuemark::LineReader& in, cuemark::SUBTITLES& store) { cuemark::ReadSami(in, store, sami); },
        [&](cuemark::LineWriter& out, const cuemark::SUBTITLES& store) { cuemark::WriteSami(out, store, sami); });
}

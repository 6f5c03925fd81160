// Arbitrary text through the MicroDVD reader into a fresh store, then the
// store back out through the writer.
#include <cstddef>
#include <cstdint>

#include "fuzz/round_trip.h"
#include "subtitles/microdvd.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // The first byte picks one of the rates the frame-rate dialog offers.
    static constexpr double rates[] = {23.976, 24.0, 25.0, 29.97, 30.0};
    const double frameRate = size > 0 ? rates[data[0] % 5] : 25.0;
    cuemark::MarkupState markup;
    return cuemark::fuzz::ReadThenWrite(
        data, size,
        [&](cuemark::LineReader& in, cuemark::SUBTITLES& store) {
            cuemark::ReadMicroDVD(in, store, markup, frameRate);
        },
        [&](cuemark::LineWriter& out, const cuemark::SUBTITLES& store) {
            cuemark::WriteMicroDVD(out, store, frameRate);
        });
}

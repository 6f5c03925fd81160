// Arbitrary text through the MicroDVD reader into a fresh store, then the
// store back out through the writer.
#include <cstddef>
#include <cstdint>
#include <string>

#include "subtitles/microdvd.h"
#include "subtitles/time_text.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // The first byte picks one of the rates the frame-rate dialog offers.
    static constexpr double rates[] = {23.976, 24.0, 25.0, 29.97, 30.0};
    const double frameRate = size > 0 ? rates[data[0] % 5] : 25.0;
    cuemark::LineReader in(std::string(reinterpret_cast<const char*>(data), size));
    cuemark::SUBTITLES store;
    cuemark::MarkupState markup;
    cuemark::ReadMicroDVD(in, store, markup, frameRate);
    cuemark::LineWriter out;
    try {
        cuemark::WriteMicroDVD(out, store, frameRate);
    } catch (const cuemark::TimeOverflow&) {
        // A frame read from the file too large to write back: the save frame
        // reports it.
    }
    return 0;
}

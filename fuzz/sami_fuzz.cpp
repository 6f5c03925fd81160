// Arbitrary text through the SAMI reader into a fresh store, then the store
// back out through the writer with the header and footer the reader kept.
#include <cstddef>
#include <cstdint>
#include <string>

#include "subtitles/sami.h"
#include "subtitles/time_text.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    cuemark::LineReader in(std::string(reinterpret_cast<const char*>(data), size));
    cuemark::SUBTITLES store;
    cuemark::SamiState sami;
    cuemark::ReadSami(in, store, sami);
    cuemark::LineWriter out;
    try {
        cuemark::WriteSami(out, store, sami);
    } catch (const cuemark::TimeOverflow&) {
        // A time read from the file too large to write back: the save frame
        // reports it.
    }
    return 0;
}

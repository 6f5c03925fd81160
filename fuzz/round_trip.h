#pragma once
// What the format fuzzers share: arbitrary bytes as the text a reader sees,
// read into a fresh store, and the store written back out.

#include <cstddef>
#include <cstdint>
#include <string>

#include "subtitles/line_io.h"
#include "subtitles/store.h"
#include "subtitles/time_text.h"

namespace cuemark::fuzz {

// read(LineReader&, SUBTITLES&) and write(LineWriter&, const SUBTITLES&).
template <typename Read, typename Write>
int ReadThenWrite(const uint8_t* data, size_t size, Read&& read, Write&& write) {
    LineReader in(std::string(reinterpret_cast<const char*>(data), size));
    SUBTITLES store;
    read(in, store);
    LineWriter out;
    try {
        write(out, store);
    } catch (const TimeOverflow&) {
        // Every reader stops at a time it cannot hold, so none can be read
        // that is too large to write back.
        __builtin_trap();
    }
    return 0;
}

} // namespace cuemark::fuzz

#pragma once
// The code-page library (ICU behind the C interface of
// codepages/codepages_api.h), opened on the first use of an encoding other
// than UTF-8, UTF-16 and UTF-32: beside the program, or in ../lib/cuemark/
// of an installed copy. Loading ICU costs more than the rest of a
// conversion's start, and most files never need it.

#include <string>

#include "subtitles/codepages/codepages_api.h"

namespace cuemark::codepages {

struct Library {
    decltype(&cm_open) open;
    decltype(&cm_close) close;
    decltype(&cm_to_utf16) toUtf16;
    decltype(&cm_from_utf16) fromUtf16;
    decltype(&cm_detect) detect;
    decltype(&cm_free) free;
};

// The library's functions, opened once for the whole process; null when it
// cannot be opened, with the reason in *why.
const Library* Load(std::string* why = nullptr);

} // namespace cuemark::codepages

#pragma once
// A fixed, seeded set of titles for the format benchmarks: 32,700 titles (a
// full store) of 1 to 3 lines, some italic, some with a bold word; about
// 2.5 MB when written as SubRip.

#include <cstdint>

#include "subtitles/store.h"

namespace cuemark::bench {

inline constexpr uint32_t SampleSeed = 20240611;

// Adds the titles to `store`, in ascending time order.
void AddSampleTitles(SUBTITLES& store, uint32_t seed = SampleSeed);

} // namespace cuemark::bench

#pragma once
// The values the durability tests write: round r of the writer stores value
// i with a text that names r and i and a payload derived from both, long
// enough to span several database pages, so a torn write cannot pass for a
// whole one.

#include <cstdio>
#include <string>

namespace durability {

constexpr const char* kKey = "Software\\Durability";
constexpr int kValues = 12;

inline std::string valueName(int index) {
    return "Value" + std::to_string(index);
}

inline std::string roundValue(int round, int index) {
    std::string text = "r=" + std::to_string(round) + ";i=" + std::to_string(index) + ";";
    const size_t payload = 2000 + 700 * static_cast<size_t>(index);
    for (size_t j = 0; j < payload; ++j)
        text += static_cast<char>('a' + (round * 31 + index * 7 + static_cast<int>(j)) % 26);
    return text;
}

// The round a stored value belongs to, or -1 when it is not exactly the
// value that round writes under this index.
inline int roundOf(const std::string& stored, int index) {
    int round = 0;
    int storedIndex = 0;
    if (std::sscanf(stored.c_str(), "r=%d;i=%d;", &round, &storedIndex) != 2) return -1;
    if (storedIndex != index || round < 1) return -1;
    std::string expected = roundValue(round, index);
    expected += '\0';
    return stored == expected ? round : -1;
}

} // namespace durability

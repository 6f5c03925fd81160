#pragma once
// Shared by the format tests: titles as plain values, and a seeded generator
// of random titles whose seed is printed so a failing run can be repeated
// (CUEMARK_TEST_SEED=<seed>).

#include <gtest/gtest.h>

#include <cstdlib>
#include <iostream>
#include <random>
#include <string>
#include <vector>

#include "subtitles/read_outcome.h"
#include "subtitles/store.h"

namespace cuemark::testing {

struct Title {
    double start = 0.0;
    double end = 0.0;
    std::string text;
    bool operator==(const Title&) const = default;
};

inline void PrintTo(const Title& t, std::ostream* os) {
    *os << "{" << t.start << ", " << t.end << ", \"" << t.text << "\"}";
}

// What a reader made of a text: how it ended and the titles it added.
struct Read {
    ReadOutcome outcome;
    std::vector<Title> titles;
};

inline std::vector<Title> TitlesOf(const SUBTITLES& store) {
    std::vector<Title> titles;
    for (int32_t i = 1; i <= store.Count(); ++i) titles.push_back({store.StartTime(i), store.EndTime(i), store.Text(i)});
    return titles;
}

inline SUBTITLES StoreOf(const std::vector<Title>& titles) {
    SUBTITLES store;
    for (const Title& t : titles) store.Add(t.start, t.end, t.text);
    return store;
}

// Every line end of a fixture (written with "\n") replaced by `lineEnd`.
inline std::string WithLineEnds(const std::string& text, const std::string& lineEnd) {
    std::string out;
    for (char c : text) {
        if (c == '\n') out += lineEnd;
        else out += c;
    }
    return out;
}

inline uint32_t TestSeed() {
    static const uint32_t seed = [] {
        const char* fixed = std::getenv("CUEMARK_TEST_SEED");
        const uint32_t s = fixed ? static_cast<uint32_t>(std::strtoul(fixed, nullptr, 10)) : std::random_device{}();
        std::cout << "random titles from seed " << s << " (CUEMARK_TEST_SEED=" << s << " repeats them)\n";
        return s;
    }();
    return seed;
}

struct TitleShape {
    double timeStep = 0.001;  // times are whole multiples of this
    bool markup = false;      // some lines in <i>...</i> or <b>...</b>
    bool touching = false;    // some titles end where the next one starts
};

// Titles in ascending order, 1 to 3 lines of words each; lines never empty
// and never begin or end with a blank.
inline std::vector<Title> RandomTitles(std::mt19937& rng, int count, const TitleShape& shape) {
    static const char* words[] = {"the", "night", "Über", "façade", "was", "dark", "and", "we",
                                  "ran", "&amp;", "5", "o'clock", "quiet", "«here»", "now!"};
    auto pick = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
    std::vector<Title> titles;
    long long step = pick(0, 50);
    for (int i = 0; i < count; ++i) {
        Title t;
        t.start = static_cast<double>(step) * shape.timeStep;
        step += pick(1, 4000);
        t.end = static_cast<double>(step) * shape.timeStep;
        if (!(shape.touching && pick(0, 3) == 0)) step += pick(1, 2000);
        const int lines = pick(1, 3);
        for (int l = 0; l < lines; ++l) {
            std::string line;
            for (int w = pick(1, 6); w > 0; --w) line += std::string(line.empty() ? "" : " ") + words[pick(0, 14)];
            if (shape.markup && pick(0, 3) == 0) line = pick(0, 1) ? "<i>" + line + "</i>" : "<b>" + line + "</b>";
            t.text += (l ? "\r\n" : "") + line;
        }
        titles.push_back(t);
    }
    return titles;
}

} // namespace cuemark::testing

#pragma once
// Shared by the format tests: titles as plain values, and a seeded generator
// of random titles whose seed is printed so a failing run can be repeated
// (CUEMARK_TEST_SEED=<seed>).

#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <iostream>
#include <optional>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "subtitles/line_io.h"
#include "subtitles/markup.h"
#include "subtitles/messages.h"
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
    for (int32_t i = 1; i <= store.Count(); ++i)
        titles.push_back({store.StartTime(i), store.EndTime(i), store.Text(i)});
    return titles;
}

inline SUBTITLES StoreOf(const std::vector<Title>& titles) {
    SUBTITLES store;
    for (const Title& t : titles) store.Add(t.start, t.end, t.text);
    return store;
}

// `text` through read(LineReader&, SUBTITLES&) into a fresh store.
template <typename Reader>
Read ReadWith(const std::string& text, Reader&& read) {
    LineReader in(text);
    SUBTITLES store;
    Read r;
    r.outcome = read(in, store);
    r.titles = TitlesOf(store);
    return r;
}

// The same for the readers that carry styles across lines, which must all
// be closed when the text ends.
template <typename Reader>
Read ReadStyledWith(const std::string& text, Reader&& read) {
    MarkupState markup;
    const Read r = ReadWith(text, [&](LineReader& in, SUBTITLES& store) { return read(in, store, markup); });
    EXPECT_FALSE(markup.italicOpen || markup.boldOpen) << "every title must close its styles";
    return r;
}

// A read that stopped (at `line`, where given) because the store was full,
// keeping every title the store could hold.
inline void ExpectStoppedAtAFullStore(const Read& r, std::optional<int> line = std::nullopt) {
    EXPECT_EQ(r.outcome.status, ReadOutcome::Status::StoreFull);
    EXPECT_EQ(r.outcome.message, messages::StoreFull);
    if (line) {
        EXPECT_EQ(r.outcome.line, *line);
    }
    EXPECT_EQ(r.titles.size(), static_cast<size_t>(SUBTITLES::MaxTitles));
}

// A complete read that gave back `written` to the millisecond, each text as
// textBack makes it.
inline void ExpectTitlesBack(const Read& r, const std::vector<Title>& written,
                             const std::function<std::string(std::string_view)>& textBack = {}) {
    EXPECT_TRUE(r.outcome.complete());
    ASSERT_EQ(r.titles.size(), written.size());
    for (size_t i = 0; i < written.size(); ++i) {
        EXPECT_NEAR(r.titles[i].start, written[i].start, 1e-9);
        EXPECT_NEAR(r.titles[i].end, written[i].end, 1e-9);
        EXPECT_EQ(r.titles[i].text, textBack ? textBack(written[i].text) : written[i].text);
    }
}

// Every line end of a fixture (written with "\n") replaced by `lineEnd`.
inline std::string WithLineEnds(const std::string& text, const std::string& lineEnd) {
    std::string out;
    for (char c : text) {
        if (c == '\n')
            out += lineEnd;
        else
            out += c;
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
    double timeStep = 0.001; // times are whole multiples of this
    bool markup = false;     // some lines in <i>...</i> or <b>...</b>
    bool touching = false;   // some titles end where the next one starts
};

// Titles in ascending order, 1 to 3 lines of words each; lines never empty
// and never begin or end with a blank.
inline std::vector<Title> RandomTitles(std::mt19937& rng, int count, const TitleShape& shape) {
    static const char* words[] = {"the", "night", "Über", "façade",  "was",   "dark",   "and", "we",
                                  "ran", "&amp;", "5",    "o'clock", "quiet", "«here»", "now!"};
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

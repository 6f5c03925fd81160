#include "bench/sample_titles.h"

#include <random>
#include <string>

namespace cuemark::bench {
namespace {

constexpr const char* Words[] = {
    "I",     "you",   "we",     "they",  "it",    "the",  "a",    "and",   "but",   "not",
    "what",  "where", "know",   "think", "come",  "go",   "here", "there", "now",   "never",
    "right", "wait",  "look",   "sorry", "okay",  "time", "home", "night", "again", "just",
    "tell",  "me",    "him",    "her",   "this",  "that", "good", "well",  "don't", "can't",
    "Jack",  "Mary",  "doctor", "house", "money", "away", "back", "still", "let's", "please",
};
constexpr int WordCount = sizeof Words / sizeof Words[0];

} // namespace

void AddSampleTitles(SUBTITLES& store, uint32_t seed) {
    std::mt19937 rng(seed);
    auto chance = [&](int percent) { return std::uniform_int_distribution<int>(0, 99)(rng) < percent; };
    auto between = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };

    long long ms = 1000;
    std::string text;
    for (int i = 0; i < SUBTITLES::MaxTitles; ++i) {
        const long long start = ms;
        ms += between(800, 6000);
        const long long end = ms;
        ms += between(40, 3000);

        const int lines = chance(40) ? 1 : chance(75) ? 2 : 3;
        const bool italic = chance(12);
        text.clear();
        for (int line = 0; line < lines; ++line) {
            if (line > 0) text += "\r\n";
            const int words = between(2, 6);
            for (int w = 0; w < words; ++w) {
                if (w > 0) text += ' ';
                const char* word = Words[between(0, WordCount - 1)];
                if (chance(3)) {
                    text.append("<b>").append(word).append("</b>");
                } else {
                    text += word;
                }
            }
            text += between(0, 3) == 0 ? "?" : ".";
        }
        if (italic) text = "<i>" + text + "</i>";
        store.Add(static_cast<double>(start) / 1000.0, static_cast<double>(end) / 1000.0, text);
    }
}

} // namespace cuemark::bench

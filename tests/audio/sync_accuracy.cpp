// How well automatic sync puts a wrong subtitle file back on its film: two
// generated films, files made wrong from their true times in the ways
// releases differ (a shift, a frame-rate change, cuts, an added intro) and
// files for the other film, each aligned to the film's speech and measured
// title by title. Prints a table of every case at the end.

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <optional>
#include <random>

#include "audio/align.h"
#include "audio/analysis.h"
#include "spoken_film.h"

using namespace cuemark::audio;
using cuemark::testing::SpokenFilm;
using cuemark::testing::TempDir;
using cuemark::testing::Voices;
using Clock = std::chrono::steady_clock;

namespace {

struct Film {
    std::string name;
    SpokenFilm sound;
    std::vector<Span> speech; // as the analysis found it
    double analysisSeconds = 0.0;
};

// A wrong file for a film: its titles, and where each belongs on the film
// (none for lines of another release that the film does not have).
struct WrongFile {
    std::string name;
    const Film* film = nullptr;
    std::vector<Span> titles;
    std::vector<std::optional<Span>> truth;
    bool unrelated = false; // a file for another film: nothing to measure
};

// A place where another release differs from the film: it runs `length`
// seconds longer at `at` (film time), or lacks the film's [at, at + length).
struct Edit {
    double at = 0.0, length = 0.0;
    bool longer = true;
};

struct Row {
    std::string name;
    size_t titles = 0, noTruth = 0;
    double within[3] = {}; // shares within 50, 100 and 300 ms
    bool refused = false, unrelated = false;
    size_t segments = 0;
    double ms = 0.0;
    double score = 0.0, onSpeech = 0.0; // the proposal's peak ratio and fit
    std::string proposal; // in words, for a failure's message
};

constexpr double Limits[3] = {0.050, 0.100, 0.300};

std::vector<Span> truthOf(const SpokenFilm& film) {
    std::vector<Span> spans;
    for (const auto& p : film.phrases) spans.push_back({p.start, p.end});
    return spans;
}

// A subtitle file holds whole milliseconds.
Span inMs(double start, double end) {
    return {std::round(start * 1000.0) / 1000.0, std::round(end * 1000.0) / 1000.0};
}

// Timed for another release: old = (true - offset) / factor.
WrongFile remapped(const std::string& name, const Film& film, double factor, double offset) {
    WrongFile file{film.name + "  " + name, &film, {}, {}};
    for (const Span& t : truthOf(film.sound)) {
        file.titles.push_back(inMs((t.start - offset) / factor, (t.end - offset) / factor));
        file.truth.push_back(t);
    }
    return file;
}

// Titles as a person times them: from a little before the line's sound to
// well after it, never into the next line. Timed for another release like
// remapped(); the truth is these looser times.
WrongFile loosened(const std::string& name, const Film& film, double factor, double offset, unsigned seed) {
    std::mt19937 random(seed);
    std::uniform_real_distribution<double> lead(0.0, 0.25), linger(0.3, 1.2);
    WrongFile file{film.name + "  " + name, &film, {}, {}};
    const std::vector<Span> lines = truthOf(film.sound);
    for (size_t i = 0; i < lines.size(); ++i) {
        const double next = i + 1 < lines.size() ? lines[i + 1].start - lead(random) - 0.04 : 1e9;
        const Span t{lines[i].start - lead(random), std::min(lines[i].end + linger(random), next)};
        file.titles.push_back(inMs((t.start - offset) / factor, (t.end - offset) / factor));
        file.truth.push_back(t);
    }
    return file;
}

// Timed for a release with the film's lines moved by `edits` (in order):
// lines the film lacks fill each longer stretch; lines of a stretch the
// other release lacks are not in its file.
WrongFile edited(const std::string& name, const Film& film, const std::vector<Edit>& edits, unsigned seed) {
    std::mt19937 random(seed);
    std::uniform_real_distribution<double> length(0.6, 3.0), gap(0.3, 2.0);
    WrongFile file{film.name + "  " + name, &film, {}, {}};
    double shift = 0.0;
    size_t next = 0;
    for (const Span& t : truthOf(film.sound)) {
        for (; next < edits.size() && edits[next].at < t.start; ++next) {
            const Edit& e = edits[next];
            if (e.longer) {
                const double from = e.at + shift, to = from + e.length - 0.15;
                for (double start = from + 0.15 + gap(random), span = length(random); start + span < to;
                     start += span + gap(random), span = length(random)) {
                    file.titles.push_back(inMs(start, start + span));
                    file.truth.push_back(std::nullopt);
                }
            }
            shift += e.longer ? e.length : -e.length;
        }
        const bool lacked = std::any_of(edits.begin(), edits.end(), [&](const Edit& e) {
            return !e.longer && t.end > e.at && t.start < e.at + e.length;
        });
        if (lacked) continue;
        file.titles.push_back(inMs(t.start + shift, t.end + shift));
        file.truth.push_back(t);
    }
    return file;
}

// Where a release can differ without splitting a line: the middle of the
// gap after the line `fraction` of the way through, or for a stretch of
// `lacking` seconds, a start in one gap whose end lies in another.
double editPoint(const SpokenFilm& film, double fraction, double lacking = 0.0) {
    const auto& p = film.phrases;
    const size_t middle = static_cast<size_t>(fraction * double(p.size()));
    if (lacking == 0.0) return (p[middle].end + p[middle + 1].start) / 2;
    constexpr double margin = 0.1; // from the lines on either side
    for (size_t away = 0; away < p.size(); ++away)
        for (const size_t k : {middle + away, middle - away}) {
            if (k >= p.size() || k + 1 >= p.size()) continue;
            for (size_t j = k; j + 1 < p.size() && p[j].end - lacking < p[k + 1].start; ++j) {
                const double from = std::max(p[k].end, p[j].end - lacking) + margin;
                const double to = std::min(p[k + 1].start, p[j + 1].start - lacking) - margin;
                if (from < to) return (from + to) / 2;
            }
        }
    return NAN;
}

// `text` padded with spaces to `width` characters (not bytes: the names hold arrows).
std::string padded(const std::string& text, size_t width, bool right = false) {
    const size_t length = static_cast<size_t>(
        std::count_if(text.begin(), text.end(), [](char c) { return (c & 0xC0) != 0x80; }));
    const std::string fill(width > length ? width - length : 0, ' ');
    return right ? fill + text : text + fill;
}

std::string minutes(double seconds) {
    char text[16];
    std::snprintf(text, sizeof text, "%d:%02d", int(seconds) / 60, int(seconds) % 60);
    return text;
}

class SyncAccuracy : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        dir = new TempDir;
        error = makeFilms();
    }

    static void TearDownTestSuite() {
        std::printf("\n");
        for (const Film* f : {&a, &b, &aWithIntro})
            if (!f->speech.empty())
                std::printf("%-12s %s, %zu lines, %zu speech intervals found, analysis %.1f s\n", f->name.c_str(),
                            minutes(f->sound.seconds()).c_str(), f->sound.phrases.size(), f->speech.size(),
                            f->analysisSeconds);
        std::printf(
            "\n| %s | titles | no truth | ≤50 ms | ≤100 ms | ≤300 ms | refused | segments | score | on speech |     ms |\n",
            padded("case", 44).c_str());
        std::printf("|%s|-------:|---------:|-------:|--------:|--------:|:-------:|---------:|------:|----------:|-------:|\n",
                    std::string(46, '-').c_str());
        for (const Row& r : rows) {
            std::string shares[3];
            for (int k = 0; k < 3; ++k) {
                char share[16] = "–";
                if (!r.unrelated) std::snprintf(share, sizeof share, "%.1f%%", 100 * r.within[k]);
                shares[k] = share;
            }
            std::printf("| %s | %6zu | %8zu | %s | %s | %s | %-7s | %8zu | %5.1f | %8.1f%% | %6.1f |\n",
                        padded(r.name, 44).c_str(), r.titles, r.noTruth, padded(shares[0], 6, true).c_str(),
                        padded(shares[1], 7, true).c_str(), padded(shares[2], 7, true).c_str(),
                        r.refused ? "yes" : "no", r.segments, std::min(r.score, 999.9), 100 * r.onSpeech, r.ms);
        }
        std::fflush(stdout);
        delete dir;
    }

    void SetUp() override { ASSERT_TRUE(error.empty()) << error; }

    // Aligns the file to its film's speech and records the row.
    static Row run(const WrongFile& file) {
        const auto began = Clock::now();
        const SyncProposal p = Align(file.titles, file.film->speech);
        Row row;
        row.ms = std::chrono::duration<double, std::milli>(Clock::now() - began).count();
        row.name = file.name;
        row.unrelated = file.unrelated;
        row.refused = !p.found;
        row.segments = p.segments.size();
        row.score = p.peakRatio;
        row.onSpeech = p.fit;
        row.proposal = p.found ? DescribeProposal(p) : p.why;
        if (file.unrelated) {
            row.titles = file.titles.size();
            rows.push_back(row);
            return row;
        }
        size_t within[3] = {};
        for (size_t i = 0; i < file.titles.size(); ++i) {
            if (!file.truth[i]) {
                ++row.noTruth;
                continue;
            }
            ++row.titles;
            if (!p.found) continue;
            const double miss = std::max(std::abs(p.map(i, file.titles[i].start) - file.truth[i]->start),
                                         std::abs(p.map(i, file.titles[i].end) - file.truth[i]->end));
            for (int k = 0; k < 3; ++k) within[k] += miss <= Limits[k];
        }
        for (int k = 0; k < 3; ++k) row.within[k] = row.titles ? double(within[k]) / double(row.titles) : 0.0;
        rows.push_back(row);
        return row;
    }

    // The goals for a file that belongs to its film.
    static void expectPlaced(const WrongFile& file) {
        SCOPED_TRACE(file.name);
        const Row row = run(file);
        EXPECT_FALSE(row.refused) << row.proposal;
        EXPECT_GE(row.within[1], 0.95) << row.proposal;
        EXPECT_GE(row.within[2], 0.99) << row.proposal;
    }

    static Film a, b, aWithIntro;

private:
    static std::string makeFilms() {
        Voices voices;
        if (!voices.make(*dir)) return voices.error;
        // A: opening credits over music, and a 40 s silent scene.
        a.name = "film A";
        a.sound.make(voices, {1,
                              540.0,
                              {{"music", 0, 45}, {"silence", 45, 210}, {"noise", 210, 360}, {"music", 360, 540}},
                              {{0, 45}, {130, 170}}});
        // B: a street scene under noise before anyone speaks.
        b.name = "film B";
        b.sound.make(voices, {2, 480.0, {{"noise", 0, 160}, {"silence", 160, 300}, {"music", 300, 480}}, {{0, 42}}});
        aWithIntro.name = "film A+intro";
        aWithIntro.sound = a.sound.withIntro(30.0, voices, 3);
        int made = 0;
        for (Film* f : {&a, &b, &aWithIntro}) {
            if (f->sound.phrases.size() < 100) return f->name + " has fewer than 100 lines";
            const std::string path = f->sound.encode(*dir, "film" + std::to_string(++made));
            if (path.empty()) return "ffmpeg could not make " + f->name;
            const auto began = Clock::now();
            AudioAnalysis analysis;
            AudioAnalysis::Options options;
            options.cacheFolder = dir->file("cache");
            analysis.start(path, options);
            analysis.wait();
            f->analysisSeconds = std::chrono::duration<double>(Clock::now() - began).count();
            if (!analysis.result().ok()) return f->name + ": " + analysis.result().reason;
            for (const SpeechInterval& s : analysis.speech()) f->speech.push_back({s.start, s.end});
        }
        return {};
    }

    static TempDir* dir;
    static std::string error;
    static std::vector<Row> rows;
};

TempDir* SyncAccuracy::dir = nullptr;
std::string SyncAccuracy::error;
std::vector<Row> SyncAccuracy::rows;
Film SyncAccuracy::a, SyncAccuracy::b, SyncAccuracy::aWithIntro;

} // namespace

TEST_F(SyncAccuracy, PutsBackAShiftedFile) {
    for (const Film* film : {&a, &b})
        for (const double offset : {0.0, -40.0, -7.3, 0.4, 25.0, 40.0}) {
            char name[32];
            std::snprintf(name, sizeof name, "shift %+.1f s", offset);
            expectPlaced(remapped(name, *film, 1.0, offset));
        }
}

TEST_F(SyncAccuracy, PutsBackAFileForAnotherFrameRate) {
    struct Change {
        const char* from;
        const char* to;
        double factor, offset;
    };
    const Change changes[] = {
        {"25", "23.976", 25.0 / 23.976, 1.2}, {"23.976", "25", 23.976 / 25.0, -3.5},
        {"24", "25", 24.0 / 25.0, 0.7},       {"25", "24", 25.0 / 24.0, -2.0},
        {"29.97", "25", 29.97 / 25.0, 4.1},   {"25", "29.97", 25.0 / 29.97, -0.9},
    };
    for (const Film* film : {&a, &b})
        for (const Change& c : changes) {
            char name[64];
            std::snprintf(name, sizeof name, "%s → %s fps, shift %+.1f s", c.from, c.to, c.offset);
            expectPlaced(remapped(name, *film, c.factor, c.offset));
        }
}

TEST_F(SyncAccuracy, PutsBackAFileAcrossOneCut) {
    unsigned seed = 10;
    for (const Film* film : {&a, &b})
        for (const double length : {2.0, 15.0, 60.0}) {
            const std::string size = std::to_string(int(length)) + " s";
            expectPlaced(edited("cut " + size + ", other release longer", *film,
                                {{editPoint(film->sound, 0.45), length, true}}, ++seed));
            const double at = editPoint(film->sound, 0.45, length);
            ASSERT_FALSE(std::isnan(at)) << "no gaps " << size << " apart in " << film->name;
            expectPlaced(edited("cut " + size + ", other release shorter", *film, {{at, length, false}}, ++seed));
        }
}

TEST_F(SyncAccuracy, PutsBackAFileAcrossTwoCuts) {
    for (const Film* film : {&a, &b}) {
        const Edit lacking{editPoint(film->sound, 0.3, 8.0), 8.0, false};
        const Edit longer{editPoint(film->sound, 0.7), 20.0, true};
        ASSERT_FALSE(std::isnan(lacking.at)) << film->name;
        expectPlaced(edited("two cuts: 8 s shorter, 20 s longer", *film, {lacking, longer}, 20));
    }
}

TEST_F(SyncAccuracy, PutsBackAFileWhenTheFilmHasAnAddedIntro) {
    expectPlaced(remapped("30 s intro added", aWithIntro, 1.0, 30.0));
}

// Titles as people time them, from a little before each line to well after
// it: the overlap of spans fits them over a stretch of offsets and barely
// tells one film from another; their starts do both.
TEST_F(SyncAccuracy, PutsBackLooselyTimedTitles) {
    for (const Film* film : {&a, &b}) {
        expectPlaced(loosened("loose titles, shift -7.3 s", *film, 1.0, -7.3, 30));
        expectPlaced(loosened("loose titles, 25 → 23.976 fps, shift +1.2 s", *film, 25.0 / 23.976, 1.2, 31));
    }
}

TEST_F(SyncAccuracy, RefusesAFileForAnotherFilm) {
    for (const auto& [titles, film] : {std::pair{&a, &b}, std::pair{&b, &a}}) {
        WrongFile file{film->name + "  titles of " + titles->name, film, truthOf(titles->sound), {}, true};
        file.truth.resize(file.titles.size());
        const Row row = run(file);
        EXPECT_TRUE(row.refused) << file.name << ": " << row.proposal;
    }
}

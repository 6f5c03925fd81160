// The audio engine's speed on a film of feature length, and the sync's.
//
// Usage: bench_audio [FOLDER]
// The films are made with ffmpeg into FOLDER (default: a folder in /tmp,
// kept, so a second run skips the minutes that takes): a 45-minute film with
// AAC stereo sound, and a two-hour one made of it for the memory figure.

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>

#include "audio/align.h"
#include "audio/analysis.h"
#include "sample_titles.h"
#include "spoken_film.h"

namespace {

using Clock = std::chrono::steady_clock;
namespace fs = std::filesystem;
using cuemark::audio::AudioAnalysis;

double seconds(Clock::duration d) {
    return std::chrono::duration<double>(d).count();
}

bool run(const std::string& command) {
    return std::system(command.c_str()) == 0;
}

// Speech-like sound: pink noise shaped by a slow tremolo, with a tone now
// and then, so the detector has edges to find and the codec real work.
bool makeFilms(const fs::path& folder, std::string& film, std::string& longFilm) {
    fs::create_directories(folder);
    film = (folder / "film-45min-aac.mp4").string();
    longFilm = (folder / "film-2h-aac.mp4").string();
    if (!fs::exists(film)) {
        std::printf("making %s (a few minutes, once)...\n", film.c_str());
        std::fflush(stdout);
        if (!run("ffmpeg -nostdin -loglevel error -y -f lavfi -i color=c=gray:s=160x90:r=5:d=2700 "
                 "-f lavfi -i \"anoisesrc=c=pink:a=0.3:d=2700,tremolo=f=0.7:d=0.9,"
                 "aformat=channel_layouts=stereo:sample_rates=48000\" "
                 "-c:v libx264 -preset ultrafast -c:a aac -b:a 160k -shortest '" +
                 film + ".part.mp4' && mv '" + film + ".part.mp4' '" + film + "'"))
            return false;
    }
    if (!fs::exists(longFilm)) {
        const fs::path list = folder / "list.txt";
        std::ofstream(list) << "file '" << film << "'\nfile '" << film << "'\nfile '" << film << "'\n";
        // 2 h 15 min by stream copy, cut to two hours.
        if (!run("ffmpeg -nostdin -loglevel error -y -f concat -safe 0 -i '" + list.string() + "' -t 7200 -c copy '" +
                 longFilm + "'"))
            return false;
    }
    return true;
}

// Peak resident memory of a child process that analyses `path`, in MB.
double peakMemoryMb(const std::string& path) {
    const pid_t child = fork();
    if (child == 0) {
        AudioAnalysis a;
        AudioAnalysis::Options options;
        options.useCache = false;
        a.start(path, options);
        a.wait();
        _exit(a.result().ok() ? 0 : 1);
    }
    int status = 0;
    rusage usage{};
    wait4(child, &status, 0, &usage);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) return -1;
    return double(usage.ru_maxrss) / 1024.0;
}

// A 45-minute film of dialogue (some 770 lines) and its first 700 lines'
// times: made once into `folder`, the lines made again from the same seed.
bool makeSpokenFilm(const fs::path& folder, std::string& film, std::vector<cuemark::testing::Phrase>& lines) {
    cuemark::testing::TempDir work;
    cuemark::testing::Voices voices;
    if (!voices.make(work)) return false;
    cuemark::testing::FilmPlan plan;
    plan.seed = 45;
    plan.seconds = 2700.0;
    plan.beds = {{"silence", 0, 900}, {"noise", 900, 1800}, {"music", 1800, 2700}};
    cuemark::testing::SpokenFilm spoken;
    spoken.make(voices, plan);
    lines.assign(spoken.phrases.begin(), spoken.phrases.begin() + std::min<size_t>(700, spoken.phrases.size()));
    film = (folder / "film-45min-spoken.mp4").string();
    if (fs::exists(film)) return true;
    std::printf("making %s (a minute or two, once)...\n", film.c_str());
    std::fflush(stdout);
    const std::string made = spoken.encode(work, "spoken");
    if (made.empty()) return false;
    fs::copy_file(made, film + ".part");
    fs::rename(film + ".part", film);
    return true;
}

// The lines as a file timed for a 25 fps release that starts 4.2 s later.
constexpr double WrongFactor = 23.976 / 25.0, WrongOffset = 4.2;
std::vector<cuemark::audio::Span> titlesFor(const std::vector<cuemark::testing::Phrase>& lines) {
    std::vector<cuemark::audio::Span> titles;
    for (const auto& p : lines) titles.push_back({(p.start - WrongOffset) / WrongFactor, (p.end - WrongOffset) / WrongFactor});
    return titles;
}

// The time one sync takes, and the share of titles it put back within
// 100 ms (start and end) of `truth`.
double timedSync(const std::vector<cuemark::audio::Span>& titles, const std::vector<cuemark::audio::Span>& reference,
                 const std::vector<cuemark::audio::Span>& truth, double& within) {
    const auto t0 = Clock::now();
    const cuemark::audio::SyncProposal p = cuemark::audio::Align(titles, reference);
    const double took = seconds(Clock::now() - t0);
    size_t good = 0;
    for (size_t i = 0; p.found && i < titles.size(); ++i)
        if (std::abs(p.map(i, titles[i].start) - truth[i].start) <= 0.1 &&
            std::abs(p.map(i, titles[i].end) - truth[i].end) <= 0.1)
            ++good;
    within = double(good) / double(titles.size());
    return took;
}

std::vector<cuemark::audio::Span> spans(const std::vector<cuemark::audio::SpeechInterval>& speech) {
    std::vector<cuemark::audio::Span> out;
    for (const auto& s : speech) out.push_back({s.start, s.end});
    return out;
}

} // namespace

int main(int argc, char** argv) {
    const fs::path folder = argc > 1 ? fs::path(argv[1]) : fs::temp_directory_path() / "cuemark-bench-audio";
    std::string film, longFilm;
    if (!makeFilms(folder, film, longFilm)) {
        std::fprintf(stderr, "bench_audio: ffmpeg could not make the films in %s\n", folder.c_str());
        return 1;
    }

    // The floor: ffmpeg decoding the same sound to 16 kHz mono, no output.
    auto t0 = Clock::now();
    if (!run("ffmpeg -nostdin -loglevel error -i '" + film + "' -ac 1 -ar 16000 -f null -")) return 1;
    const double floor = seconds(Clock::now() - t0);

    const fs::path cache = folder / "cache";
    fs::remove_all(cache);
    AudioAnalysis::Options options;
    options.cacheFolder = cache.string();
    double firstPixels = -1, whole = 0;
    size_t intervals = 0;
    {
        AudioAnalysis a;
        t0 = Clock::now();
        a.start(film, options);
        // The strip's first picture: the first 10 s window of peaks.
        while (!a.isDone() && a.peaks().filledSeconds() < 10.0)
            std::this_thread::sleep_for(std::chrono::microseconds(200));
        firstPixels = seconds(Clock::now() - t0);
        a.wait();
        whole = seconds(Clock::now() - t0);
        if (!a.result().ok()) {
            std::fprintf(stderr, "bench_audio: %s\n", a.result().reason.c_str());
            return 1;
        }
        intervals = a.speech().size();
    }
    double reopen = 0;
    {
        AudioAnalysis a;
        t0 = Clock::now();
        const bool hit = a.start(film, options) == AudioAnalysis::Started::FromCache;
        a.peaks().read(0, 0, 10); // the first picture's peaks
        reopen = seconds(Clock::now() - t0);
        if (!hit) std::fprintf(stderr, "bench_audio: the reopen missed the cache\n");
    }
    const double memory = peakMemoryMb(longFilm);

    // Sync: from nothing (decoding, speech, alignment), then with the
    // film's analysis in the cache.
    std::string spokenFilm;
    std::vector<cuemark::testing::Phrase> lines;
    if (!makeSpokenFilm(folder, spokenFilm, lines)) {
        std::fprintf(stderr, "bench_audio: espeak-ng, sox or ffmpeg could not make the spoken film\n");
        return 1;
    }
    std::vector<cuemark::audio::Span> truth;
    for (const auto& p : lines) truth.push_back({p.start, p.end});
    const std::vector<cuemark::audio::Span> wrong = titlesFor(lines);
    fs::remove_all(cache);
    double syncFresh = 0, syncCached = 0, syncAlone = 0, freshWithin = 0, cachedWithin = 0;
    {
        t0 = Clock::now();
        AudioAnalysis a;
        a.start(spokenFilm, options);
        a.wait();
        syncAlone = timedSync(wrong, spans(a.speech()), truth, freshWithin);
        syncFresh = seconds(Clock::now() - t0);
    }
    {
        t0 = Clock::now();
        AudioAnalysis a;
        a.start(spokenFilm, options);
        timedSync(wrong, spans(a.speech()), truth, cachedWithin);
        syncCached = seconds(Clock::now() - t0);
    }
    // Subtitle file to subtitle file: a full store of 32,700 titles (about
    // 44 hours) against the same titles 2.5 s later.
    cuemark::SUBTITLES store;
    cuemark::bench::AddSampleTitles(store);
    std::vector<cuemark::audio::Span> reference, moved;
    for (int i = 1; i <= store.Count(); ++i) {
        reference.push_back({store.StartTime(i), store.EndTime(i)});
        moved.push_back({store.StartTime(i) + 2.5, store.EndTime(i) + 2.5});
    }
    double filesWithin = 0;
    const double filesSync = timedSync(moved, reference, reference, filesWithin);

    std::printf("45-minute AAC stereo film: %s\n", film.c_str());
    std::printf("  ffmpeg -i FILM -ac 1 -ar 16000 -f null -   %7.2f s\n", floor);
    std::printf("  decode + peaks + speech (%zu intervals)    %7.2f s  = %.2fx ffmpeg (goal <= 1.3x)\n", intervals,
                whole, whole / floor);
    std::printf("  first 10 s of peaks after opening         %7.3f s  (goal <= 1 s)\n", firstPixels);
    std::printf("  cached reopen                             %7.3f s  (goal <= 0.1 s)\n", reopen);
    std::printf("two-hour film: peak memory of an analysis   %7.1f MB (goal < 150 MB)\n", memory);
    std::printf("sync of 700 titles (25 fps, 4.2 s late) to a 45-minute spoken film\n");
    std::printf("  from nothing (decode, speech, align)      %7.2f s  (goal <= 15 s), %.1f%% within 100 ms\n",
                syncFresh, freshWithin * 100);
    std::printf("    of which the alignment                  %7.3f s\n", syncAlone);
    std::printf("  with the analysis cached                  %7.3f s  (goal <= 1 s), %.1f%% within 100 ms\n",
                syncCached, cachedWithin * 100);
    std::printf("sync of 32,700 titles to a subtitle file    %7.3f s  (goal <= 1 s), %.1f%% within 100 ms\n",
                filesSync, filesWithin * 100);
    return 0;
}

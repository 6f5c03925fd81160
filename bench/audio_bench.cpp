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

// 700 titles from the film's own speech, every other interval's worth
// spread over the film, timed for a release 4.2 s later: what a sync of a
// feature-length episode gets.
std::vector<cuemark::audio::Span> titlesFor(const std::vector<cuemark::audio::SpeechInterval>& speech) {
    std::vector<cuemark::audio::Span> titles;
    const size_t every = std::max<size_t>(1, speech.size() / 700);
    for (size_t i = 0; i < speech.size() && titles.size() < 700; i += every)
        titles.push_back({speech[i].start + 4.2, speech[i].end + 4.2});
    return titles;
}

// The time one sync takes, and whether it put the titles back.
double timedSync(const std::vector<cuemark::audio::Span>& titles, const std::vector<cuemark::audio::Span>& reference,
                 double expectedOffset, bool& right) {
    const auto t0 = Clock::now();
    const cuemark::audio::SyncProposal p = cuemark::audio::Align(titles, reference);
    const double took = seconds(Clock::now() - t0);
    right = p.found && p.segments.size() == 1 && std::abs(p.segments[0].offset - expectedOffset) < 0.02;
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
    fs::remove_all(cache);
    double syncFresh = 0, syncCached = 0, syncAlone = 0;
    bool freshRight = false, cachedRight = false;
    {
        t0 = Clock::now();
        AudioAnalysis a;
        a.start(film, options);
        a.wait();
        const std::vector<cuemark::audio::Span> reference = spans(a.speech());
        syncAlone = timedSync(titlesFor(a.speech()), reference, -4.2, freshRight);
        syncFresh = seconds(Clock::now() - t0);
    }
    {
        t0 = Clock::now();
        AudioAnalysis a;
        a.start(film, options);
        bool right = false;
        timedSync(titlesFor(a.speech()), spans(a.speech()), -4.2, right);
        syncCached = seconds(Clock::now() - t0);
        cachedRight = right;
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
    bool filesRight = false;
    const double filesSync = timedSync(moved, reference, -2.5, filesRight);

    std::printf("45-minute AAC stereo film: %s\n", film.c_str());
    std::printf("  ffmpeg -i FILM -ac 1 -ar 16000 -f null -   %7.2f s\n", floor);
    std::printf("  decode + peaks + speech (%zu intervals)    %7.2f s  = %.2fx ffmpeg (goal <= 1.3x)\n", intervals,
                whole, whole / floor);
    std::printf("  first 10 s of peaks after opening         %7.3f s  (goal <= 1 s)\n", firstPixels);
    std::printf("  cached reopen                             %7.3f s  (goal <= 0.1 s)\n", reopen);
    std::printf("two-hour film: peak memory of an analysis   %7.1f MB (goal < 150 MB)\n", memory);
    std::printf("sync of 700 titles to the 45-minute film\n");
    std::printf("  from nothing (decode, speech, align)      %7.2f s  (goal <= 15 s)%s\n", syncFresh,
                freshRight ? "" : "  WRONG MAP");
    std::printf("    of which the alignment                  %7.3f s\n", syncAlone);
    std::printf("  with the analysis cached                  %7.3f s  (goal <= 1 s)%s\n", syncCached,
                cachedRight ? "" : "  WRONG MAP");
    std::printf("sync of 32,700 titles to a subtitle file    %7.3f s  (goal <= 1 s)%s\n", filesSync,
                filesRight ? "" : "  WRONG MAP");
    return 0;
}

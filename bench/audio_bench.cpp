// The audio engine's speed on a film of feature length.
//
// Usage: bench_audio [FOLDER]
// The films are made with ffmpeg into FOLDER (default: a folder in /tmp,
// kept, so a second run skips the minutes that takes): a 45-minute film with
// AAC stereo sound, and a two-hour one made of it for the memory figure.

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>

#include "audio/analysis.h"

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

    std::printf("45-minute AAC stereo film: %s\n", film.c_str());
    std::printf("  ffmpeg -i FILM -ac 1 -ar 16000 -f null -   %7.2f s\n", floor);
    std::printf("  decode + peaks + speech (%zu intervals)    %7.2f s  = %.2fx ffmpeg (goal <= 1.3x)\n", intervals,
                whole, whole / floor);
    std::printf("  first 10 s of peaks after opening         %7.3f s  (goal <= 1 s)\n", firstPixels);
    std::printf("  cached reopen                             %7.3f s  (goal <= 0.1 s)\n", reopen);
    std::printf("two-hour film: peak memory of an analysis   %7.1f MB (goal < 150 MB)\n", memory);
    return 0;
}

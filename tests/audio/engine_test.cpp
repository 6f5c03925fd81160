// The engine's pieces: the peak pyramid, placement by timestamp in each
// container, progress, cancel, bad inputs and the cache.

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>

#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <thread>

#include "audio/analysis.h"
#include "audio/cache.h"
#include "test_media.h"

using namespace cuemark::audio;
using cuemark::testing::shell;
using cuemark::testing::TempDir;
using cuemark::testing::writeWav;

namespace {

constexpr double BurstAt = 2.345; // seconds
constexpr double LateBy = 1.5;
// A transport stream cannot say that the AAC encoder's first 1024 samples
// are priming: a player plays them, so the burst is that much later there.
constexpr double AacPriming = 1024.0 / 48000;

std::vector<int16_t> burstTrack(double seconds) {
    std::vector<int16_t> samples(static_cast<size_t>(seconds * 16000), 0);
    const size_t at = static_cast<size_t>(BurstAt * 16000);
    for (size_t i = 0; i < 800; ++i) samples[at + i] = static_cast<int16_t>(12000 * std::sin(i * 2 * M_PI / 16));
    return samples;
}

// Where the first loud millisecond is, in seconds; -1 for none.
double firstLoud(const PeakPyramid& peaks) {
    const auto base = peaks.read(0, 0, 1e9);
    for (size_t i = 0; i < base.size(); ++i)
        if (base[i].max > 3000) return double(i) / 1000.0;
    return -1;
}

struct Outcome {
    DecodeResult result;
    std::vector<SpeechInterval> speech;
    std::vector<Peak> base;
    AudioAnalysis::Started started;
};

Outcome analyse(const std::string& path, AudioAnalysis::Options options = {}) {
    AudioAnalysis a;
    Outcome run;
    run.started = a.start(path, options);
    a.wait();
    run.result = a.result();
    run.speech = a.speech();
    run.base = a.peaks().read(0, 0, 1e9);
    return run;
}

AudioAnalysis::Options noCache() {
    AudioAnalysis::Options o;
    o.useCache = false;
    return o;
}

// Media made once for the whole program.
class AudioEngine : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        dir = new TempDir;
        // Whatever uses the default cache writes here, not to the user's.
        setenv("XDG_CACHE_HOME", dir->file("xdg-cache").c_str(), 1);
        const std::string master = dir->file("burst.wav");
        writeWav(master, burstTrack(5.0));
        writeWav(dir->file("long.wav"), std::vector<int16_t>(16000 * 120, 100));
        const std::string ff = "ffmpeg -nostdin -y ";
        const std::string in = ff + "-i '" + master + "' -ar 48000 -ac 2 ";
        made = shell(in + "-c:a aac '" + dir->file("burst.mp4") + "'") == 0 &&
               shell(in + "-c:a libopus '" + dir->file("burst.mkv") + "'") == 0 &&
               shell(in + "-c:a libvorbis '" + dir->file("burst.webm") + "'") == 0 &&
               shell(in + "-c:a libmp3lame '" + dir->file("burst.mp3") + "'") == 0 &&
               shell(in + "-c:a aac -f mpegts '" + dir->file("burst.ts") + "'") == 0 &&
               shell(ff + "-f lavfi -i color=c=black:s=64x64:r=25:d=8 -itsoffset 1.5 -i '" + master +
                     "' -map 0:v -map 1:a -c:v libx264 -preset ultrafast -c:a aac '" + dir->file("late.mp4") + "'") ==
                   0 &&
               shell(ff + "-f lavfi -i color=c=black:s=64x64:r=25:d=8 -itsoffset 1.5 -i '" + master +
                     "' -map 0:v -map 1:a -c:v libx264 -preset ultrafast -c:a libopus '" + dir->file("late.mkv") +
                     "'") == 0 &&
               shell(ff + "-f lavfi -i color=c=black:s=64x64:r=25:d=2 -c:v libx264 -preset ultrafast '" +
                     dir->file("silent.mp4") + "'") == 0;
    }
    static void TearDownTestSuite() { delete dir; }
    void SetUp() override { ASSERT_TRUE(made) << "ffmpeg could not make the test media"; }

    static TempDir* dir;
    static bool made;
};

TempDir* AudioEngine::dir = nullptr;
bool AudioEngine::made = false;

} // namespace

TEST(PeakPyramid, KeepsMinAndMaxPerMillisecondAndPerLevel) {
    PeakPyramid p;
    std::vector<int16_t> samples(16 * 20, 0); // 20 ms
    samples[5] = -7;
    samples[16 * 6 + 3] = 900;
    samples[16 * 19 + 15] = -32768;
    // Fed in odd pieces: the millisecond boundaries must not depend on them.
    p.append(samples.data(), 7);
    p.append(samples.data() + 7, 100);
    p.append(samples.data() + 107, samples.size() - 107);
    p.finish();
    const auto base = p.read(0, 0, 1);
    ASSERT_EQ(base.size(), 20u);
    EXPECT_EQ(base[0].min, -7);
    EXPECT_EQ(base[6].max, 900);
    EXPECT_EQ(base[19].min, -32768);
    const auto level1 = p.read(1, 0, 1);
    ASSERT_EQ(level1.size(), 5u);
    EXPECT_EQ(level1[1].max, 900); // ms 4..7
    EXPECT_EQ(level1[4].min, -32768);
    EXPECT_EQ(p.read(2, 0, 1).size(), 2u);           // 16 ms, and the partial last 4
    EXPECT_EQ(p.read(0, 0.0055, 0.0075).size(), 3u); // ms 5, 6, 7
    EXPECT_TRUE(p.read(0, 0.5, 1).empty());          // past what is filled
    EXPECT_DOUBLE_EQ(p.filledSeconds(), 0.02);
}

TEST(PeakPyramid, ChoosesTheLevelForAZoomAndRestoresFromItsBase) {
    EXPECT_EQ(PeakPyramid::LevelFor(0.0005), 0);
    EXPECT_EQ(PeakPyramid::LevelFor(0.004), 1);
    EXPECT_EQ(PeakPyramid::LevelFor(0.015), 1);
    EXPECT_EQ(PeakPyramid::LevelFor(1000.0), PeakPyramid::Levels - 1);
    PeakPyramid p;
    const auto samples = burstTrack(3.0);
    p.append(samples.data(), samples.size());
    p.finish();
    PeakPyramid q;
    ASSERT_TRUE(q.restore(p.baseBytes()));
    for (int level = 0; level < PeakPyramid::Levels; ++level) {
        const auto a = p.read(level, 0, 10), b = q.read(level, 0, 10);
        ASSERT_EQ(a.size(), b.size()) << level;
        for (size_t i = 0; i < a.size(); ++i) EXPECT_TRUE(a[i].min == b[i].min && a[i].max == b[i].max);
    }
    EXPECT_FALSE(q.restore("abc"));
    EXPECT_TRUE(q.read(0, 0, 10).empty());
}

TEST(PeakPyramid, ReadersSeeAGrowingPrefixWhileItIsWritten) {
    PeakPyramid p;
    std::atomic<bool> stop{false};
    std::thread writer([&] {
        std::vector<int16_t> block(160);
        for (int i = 0; i < 3000; ++i) {
            for (size_t j = 0; j < block.size(); ++j) block[j] = static_cast<int16_t>(i % 100);
            p.append(block.data(), block.size());
        }
        stop = true;
    });
    size_t seen = 0;
    while (!stop) {
        const auto now = p.read(0, 0, 100);
        ASSERT_GE(now.size(), seen);
        for (size_t i = 0; i < now.size(); i += 97) ASSERT_EQ(now[i].max, static_cast<int16_t>((i / 10) % 100));
        seen = now.size();
    }
    writer.join();
    EXPECT_EQ(p.read(0, 0, 100).size(), 30000u);
}

TEST_F(AudioEngine, PlacesTheFirstSoundAtItsMediaTimeInEveryContainer) {
    const std::pair<const char*, double> cases[] = {
        {"burst.wav", BurstAt},         {"burst.mp4", BurstAt},         {"burst.mkv", BurstAt},
        {"burst.webm", BurstAt},        {"burst.mp3", BurstAt},         {"burst.ts", BurstAt + AacPriming},
        {"late.mp4", BurstAt + LateBy}, {"late.mkv", BurstAt + LateBy},
    };
    for (const auto& [name, at] : cases) {
        AudioAnalysis a;
        a.start(dir->file(name), noCache());
        a.wait();
        ASSERT_TRUE(a.result().ok()) << name << ": " << a.result().reason;
        EXPECT_NEAR(firstLoud(a.peaks()), at, 0.003) << name;
    }
}

TEST_F(AudioEngine, SaysWhyAFileGivesNoSound) {
    const std::string text = dir->write("notes.txt", "not a film at all\n");
    const struct {
        std::string path;
        DecodeResult::Status status;
        std::string reason;
    } cases[] = {
        {dir->file("missing.mp4"), DecodeResult::Status::CannotOpen, "No such file or directory"},
        {text, DecodeResult::Status::CannotOpen, "Invalid data found when processing input"},
        {dir->file("silent.mp4"), DecodeResult::Status::NoAudio, "no audio stream"},
    };
    for (const auto& c : cases) {
        bool finishedOnce = false;
        AudioAnalysis a;
        a.start(c.path, noCache(), {nullptr, [&](const DecodeResult&) { finishedOnce = !finishedOnce; }});
        a.wait();
        EXPECT_TRUE(finishedOnce) << c.path;
        EXPECT_EQ(a.result().status, c.status) << c.path;
        EXPECT_EQ(a.result().reason, c.reason) << c.path;
        EXPECT_TRUE(a.peaks().read(0, 0, 10).empty());
    }
    AudioAnalysis twice;
    twice.start(dir->file("missing.mp4"), noCache());
    EXPECT_THROW(twice.start(dir->file("missing.mp4"), noCache()), std::logic_error);
    AudioAnalysis::Options badMode = noCache();
    badMode.mode = 4;
    EXPECT_THROW(AudioAnalysis().start(dir->file("burst.wav"), badMode), std::logic_error);
}

TEST_F(AudioEngine, ReportsProgressOnItsWorkerAndCancels) {
    std::vector<double> steps;
    std::thread::id progressThread, finishedThread;
    int finished = 0;
    {
        AudioAnalysis a;
        AudioAnalysis::Callbacks callbacks{[&](double f) {
                                               steps.push_back(f);
                                               progressThread = std::this_thread::get_id();
                                           },
                                           [&](const DecodeResult&) {
                                               ++finished;
                                               finishedThread = std::this_thread::get_id();
                                           }};
        EXPECT_EQ(a.start(dir->file("long.wav"), noCache(), callbacks), AudioAnalysis::Started::Decoding);
        a.wait();
        EXPECT_EQ(a.result().samples, 16000 * 120);
        EXPECT_NEAR(a.result().duration, 120.0, 0.01);
    }
    EXPECT_EQ(finished, 1);
    ASSERT_GT(steps.size(), 10u);
    EXPECT_TRUE(std::is_sorted(steps.begin(), steps.end()));
    EXPECT_EQ(steps.back(), 1.0);
    EXPECT_NE(progressThread, std::this_thread::get_id());
    EXPECT_EQ(progressThread, finishedThread);

    TempDir cache;
    AudioAnalysis::Options options;
    options.cacheFolder = cache.path().string();
    DecodeResult::Status status = DecodeResult::Status::Done;
    {
        AudioAnalysis a;
        a.start(dir->file("long.wav"), options, {nullptr, [&](const DecodeResult& r) { status = r.status; }});
        a.cancel();
        a.wait();
    }
    EXPECT_EQ(status, DecodeResult::Status::Cancelled);
    EXPECT_EQ(cache.entries(), 0u); // nothing half-done is kept
    // Dropping an analysis mid-way cancels it and waits for its worker.
    const auto before = std::chrono::steady_clock::now();
    {
        AudioAnalysis dropped;
        dropped.start(dir->file("long.wav"), options);
    }
    EXPECT_LT(std::chrono::steady_clock::now() - before, std::chrono::seconds(1));
}

TEST_F(AudioEngine, ReopensFromTheCacheAtOnceUntilTheFileChanges) {
    TempDir cache;
    AudioAnalysis::Options options;
    options.cacheFolder = cache.path().string();
    const std::string media = dir->file("copy.wav");
    std::filesystem::copy_file(dir->file("burst.wav"), media);
    const Outcome first = analyse(media, options);
    ASSERT_TRUE(first.result.ok());
    EXPECT_EQ(first.started, AudioAnalysis::Started::Decoding);
    ASSERT_EQ(cache.entries(), 1u);

    const Outcome again = analyse(media, options);
    EXPECT_EQ(again.started, AudioAnalysis::Started::FromCache);
    EXPECT_TRUE(again.result.ok());
    EXPECT_EQ(again.result.samples, first.result.samples);
    ASSERT_EQ(again.base.size(), first.base.size());
    EXPECT_EQ(again.base[2345].max, first.base[2345].max);
    ASSERT_EQ(again.speech.size(), first.speech.size());

    // Another mode is another entry: its intervals differ.
    options.mode = 1;
    EXPECT_EQ(analyse(media, options).started, AudioAnalysis::Started::Decoding);
    options.mode = SpeechDetector::DefaultMode;

    // A new modification time is a new file.
    const timespec times[2] = {{0, UTIME_OMIT}, {1000000, 0}};
    ASSERT_EQ(utimensat(AT_FDCWD, media.c_str(), times, 0), 0);
    EXPECT_EQ(analyse(media, options).started, AudioAnalysis::Started::Decoding);
}

TEST_F(AudioEngine, ADamagedCacheEntryIsAMissAndIsRemoved) {
    TempDir cache;
    AudioAnalysis::Options options;
    options.cacheFolder = cache.path().string();
    const std::string media = dir->file("burst.wav");
    ASSERT_TRUE(analyse(media, options).result.ok());
    const auto entry = std::filesystem::directory_iterator(cache.path())->path();
    const std::string bytes = TempDir::read(entry);
    for (const std::string& damaged :
         {bytes.substr(0, bytes.size() - 3), std::string("CMAUDIO9") + bytes.substr(8), std::string()}) {
        cache.write(entry.filename().string(), damaged);
        const Outcome run = analyse(media, options);
        EXPECT_EQ(run.started, AudioAnalysis::Started::Decoding);
        EXPECT_TRUE(run.result.ok());
        EXPECT_EQ(TempDir::read(entry), bytes); // rewritten whole
    }
}

TEST_F(AudioEngine, TheCacheStaysWithinItsLimitOldestOutFirst) {
    TempDir cache;
    const AudioCache store(cache.path().string(), 3000);
    CachedAnalysis entry;
    entry.peakBytes.assign(1000, 'x');
    for (const char* key : {"a", "b", "c"}) {
        ASSERT_TRUE(store.store(key, entry));
        std::this_thread::sleep_for(std::chrono::milliseconds(20)); // distinct times
    }
    EXPECT_FALSE(store.load("a")); // the oldest went for "c"
    ASSERT_TRUE(store.load("b"));  // and "b" is now the latest used
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    ASSERT_TRUE(store.store("d", entry));
    EXPECT_TRUE(store.load("b"));
    EXPECT_FALSE(store.load("c"));
    EXPECT_TRUE(store.load("d"));

    std::string error;
    const AudioCache nowhere(dir->write("a-file", "x") + "/cache", 1 << 20);
    EXPECT_FALSE(nowhere.store("k", entry, &error));
    EXPECT_NE(error.find("a-file"), std::string::npos) << error;
    // An analysis goes on without a cache it cannot write.
    AudioAnalysis::Options options;
    options.cacheFolder = dir->file("a-file") + "/cache";
    EXPECT_TRUE(analyse(dir->file("burst.wav"), options).result.ok());
}

TEST(AudioCacheFolder, FollowsXdgCacheHomeThenHome) {
    const char* savedXdg = std::getenv("XDG_CACHE_HOME");
    const std::string keep = savedXdg ? savedXdg : "";
    setenv("XDG_CACHE_HOME", "/somewhere/cache", 1);
    EXPECT_EQ(DefaultCacheFolder(), "/somewhere/cache/cuemark/audio");
    setenv("XDG_CACHE_HOME", "relative", 1); // not absolute: ignored
    setenv("HOME", "/home/someone", 1);
    EXPECT_EQ(DefaultCacheFolder(), "/home/someone/.cache/cuemark/audio");
    if (savedXdg)
        setenv("XDG_CACHE_HOME", keep.c_str(), 1);
    else
        unsetenv("XDG_CACHE_HOME");
}

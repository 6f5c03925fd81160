#pragma once
// Generated test media: espeak-ng phrases in two languages and several
// voices, placed at known times over silence, over noise and over a music
// bed, then encoded by ffmpeg into the containers a film comes in. Made once
// per test program into a temporary folder. The spoken clips and the music
// bed also make the longer films of spoken_film.h.

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "temp_dir.h"

namespace cuemark::testing {

inline constexpr int MediaRate = 16000;

// Runs a shell command quietly; its exit status.
inline int shell(const std::string& command) {
    return std::system((command + " >/dev/null 2>&1").c_str());
}

inline void writeWav(const std::string& path, const std::vector<int16_t>& samples, int rate = MediaRate) {
    std::ofstream out(path, std::ios::binary);
    const auto u32 = [&](uint32_t v) { out.write(reinterpret_cast<const char*>(&v), 4); };
    const auto u16 = [&](uint16_t v) { out.write(reinterpret_cast<const char*>(&v), 2); };
    const uint32_t bytes = static_cast<uint32_t>(samples.size() * 2);
    out.write("RIFF", 4);
    u32(36 + bytes);
    out.write("WAVEfmt ", 8);
    u32(16);
    u16(1);
    u16(1);
    u32(static_cast<uint32_t>(rate));
    u32(static_cast<uint32_t>(rate * 2));
    u16(2);
    u16(16);
    out.write("data", 4);
    u32(bytes);
    out.write(reinterpret_cast<const char*>(samples.data()), static_cast<std::streamsize>(bytes));
}

// The samples of a 16-bit mono WAV file (any header chunks skipped).
inline std::vector<int16_t> readWav(const std::string& path) {
    const std::string bytes = TempDir::read(path);
    size_t at = 12;
    while (at + 8 <= bytes.size()) {
        uint32_t size;
        std::memcpy(&size, bytes.data() + at + 4, 4);
        if (bytes.compare(at, 4, "data") == 0) {
            size = std::min<uint32_t>(size, static_cast<uint32_t>(bytes.size() - at - 8));
            std::vector<int16_t> samples(size / 2);
            std::memcpy(samples.data(), bytes.data() + at + 8, samples.size() * 2);
            return samples;
        }
        at += 8 + size + (size & 1);
    }
    return {};
}

struct Phrase {
    double start = 0.0, end = 0.0; // true edges of the sound, seconds
};

// A stretch of the track over one background.
struct Bed {
    std::string name; // "silence", "noise", "music"
    double from = 0.0, to = 0.0;
};

// Sentences in English (even places) and German (odd places).
inline constexpr const char* Sentences[] = {
    "The quick brown fox jumps over the lazy dog.", "She sells sea shells by the sea shore.",
    "Please call me when you reach the station.",   "Der Zug nach Berlin hat heute Verspätung.",
    "Where did you put the keys to the old car?",   "Ich habe keine Zeit für solche Spiele.",
    "We will meet again at nine tomorrow morning.", "Das Wetter ist schön, wir gehen spazieren.",
    "Nobody told me the film would be this long.",  "Kannst du mir bitte das Salz geben?",
    "Fine, then go and ask him yourself.",          "Morgen fahren wir früh los.",
};

// One spoken line as espeak-ng says it: the line's own text, voice and pace.
struct Line {
    std::string text, voice;
    int wordsPerMinute = 160;
};

// A line made into 16 kHz samples, with where its sound starts and ends.
struct Clip {
    std::vector<int16_t> samples;
    size_t soundStart = 0, soundEnd = 0; // samples
};

// Speaks every line into `clips` (files named `prefix`N in `dir`); the RMS
// of all the sound, for setting the backgrounds' levels under it.
inline bool makeClips(const TempDir& dir, const std::vector<Line>& lines, const std::string& prefix,
                      std::vector<Clip>& clips, double& speechRms, std::string& error) {
    double speechPower = 0.0;
    size_t speechCount = 0;
    for (size_t i = 0; i < lines.size(); ++i) {
        const std::string raw = dir.file(prefix + std::to_string(i) + ".wav");
        const std::string rated = dir.file(prefix + std::to_string(i) + "-16k.wav");
        std::string text = lines[i].text; // in single quotes for the shell
        for (size_t at = text.find('\''); at != std::string::npos; at = text.find('\'', at + 4))
            text.replace(at, 1, "'\\''");
        if (shell("espeak-ng -v " + lines[i].voice + " -s " + std::to_string(lines[i].wordsPerMinute) + " -w '" + raw +
                  "' '" + text + "'") != 0 ||
            shell("sox -R '" + raw + "' -r 16000 -b 16 -c 1 '" + rated + "'") != 0) {
            error = "espeak-ng or sox failed (are they installed?)";
            return false;
        }
        Clip clip{readWav(rated)};
        // The sound's true edges: the first and last sample above -46 dBFS.
        const auto loud = [](int16_t s) { return std::abs(int(s)) > 160; };
        const auto first = std::find_if(clip.samples.begin(), clip.samples.end(), loud);
        const auto last = std::find_if(clip.samples.rbegin(), clip.samples.rend(), loud);
        if (first == clip.samples.end()) {
            error = "espeak-ng wrote a silent phrase";
            return false;
        }
        clip.soundStart = static_cast<size_t>(first - clip.samples.begin());
        clip.soundEnd = clip.samples.size() - static_cast<size_t>(last - clip.samples.rbegin());
        for (auto s = first; s != last.base(); ++s) speechPower += double(*s) * *s;
        speechCount += static_cast<size_t>(last.base() - first);
        clips.push_back(std::move(clip));
    }
    speechRms = std::sqrt(speechPower / double(speechCount));
    return true;
}

// A music bed over mix[from, to): a chord progression of plucked notes with
// overtones, a bass line and hi-hats, at `rms` overall.
template <class Sample>
void addMusic(std::vector<Sample>& mix, size_t from, size_t to, double rms, std::mt19937& random) {
    std::vector<double> music(to - from, 0.0);
    static const double chords[][3] = {
        {261.6, 329.6, 392.0}, {220.0, 261.6, 329.6}, {174.6, 220.0, 261.6}, {196.0, 246.9, 293.7}};
    const size_t beat = MediaRate / 2;
    std::uniform_real_distribution<double> hiss(-1.0, 1.0);
    for (size_t start = 0, n = 0; start < music.size(); start += beat, ++n) {
        const double* chord = chords[(n / 4) % 4];
        for (size_t i = 0; i < beat * 2 && start + i < music.size(); ++i) {
            const double t = double(i) / MediaRate;
            const double decay = std::exp(-3.0 * t);
            double v = 0.0;
            const double note = chord[n % 3];
            for (int h = 1; h <= 5; ++h) v += std::sin(2 * M_PI * note * h * t) / h;
            v += 1.5 * std::sin(2 * M_PI * chord[0] / 2 * t);
            music[start + i] += v * decay;
            if (i < MediaRate / 20) music[start + i] += 0.6 * hiss(random) * std::exp(-60.0 * t);
        }
    }
    double power = 0.0;
    for (double v : music) power += v * v;
    const double scale = rms / std::sqrt(power / double(music.size()));
    for (size_t i = 0; i < music.size(); ++i) mix[from + i] += static_cast<Sample>(music[i] * scale);
}

class SpokenTrack {
public:
    std::vector<Phrase> phrases;
    std::vector<Bed> beds;
    std::vector<int16_t> samples;
    std::string error; // why it could not be made

    // `lengthPerBed` seconds over each background; the first `quietLead`
    // seconds of each are the background alone.
    bool make(const TempDir& dir, double lengthPerBed = 50.0, double quietLead = 6.0) {
        static const char* const voices[] = {"en", "de", "en-us+f3", "de+f2", "en+m3", "en-gb-scotland"};
        std::vector<Line> lines;
        for (size_t i = 0; i < std::size(Sentences); ++i) {
            const bool german = i % 2 == 1;
            lines.push_back({Sentences[i], voices[(german ? 1 : 0) + 2 * ((i / 2) % 3)], int(150 + 10 * (i % 4))});
        }
        std::vector<Clip> clips;
        double speechRms = 0.0;
        if (!makeClips(dir, lines, "phrase", clips, speechRms, error)) return false;

        const char* const names[] = {"silence", "noise", "music"};
        const size_t total = static_cast<size_t>(3 * lengthPerBed * MediaRate);
        std::vector<double> mix(total, 0.0);
        std::mt19937 random(15);
        std::normal_distribution<double> gauss(0.0, 1.0);
        size_t clipIndex = 0;
        for (int b = 0; b < 3; ++b) {
            const double from = b * lengthPerBed, to = from + lengthPerBed;
            beds.push_back({names[b], from, to});
            const size_t a = static_cast<size_t>(from * MediaRate), z = static_cast<size_t>(to * MediaRate);
            if (b == 1) { // white noise 20 dB under the speech
                for (size_t i = a; i < z; ++i) mix[i] = gauss(random) * speechRms * 0.1;
            } else if (b == 2) {
                addMusic(mix, a, z, speechRms * std::pow(10.0, -15.0 / 20.0), random);
            }
            // Phrases at uneven times, never on a 10 ms frame boundary.
            double t = from + (b == 0 ? 0.8 : quietLead);
            for (;;) {
                const Clip& clip = clips[clipIndex % clips.size()];
                const double soundStart = t + 0.0037 * double(clipIndex % 7);
                const size_t place = static_cast<size_t>(soundStart * MediaRate) - clip.soundStart;
                if (place + clip.samples.size() + MediaRate / 2 >= z) break;
                for (size_t i = 0; i < clip.samples.size(); ++i) mix[place + i] += clip.samples[i];
                phrases.push_back(
                    {double(place + clip.soundStart) / MediaRate, double(place + clip.soundEnd) / MediaRate});
                t = double(place + clip.soundEnd) / MediaRate + 1.0 + 0.25 * double(clipIndex % 5);
                ++clipIndex;
            }
        }
        samples.resize(total);
        for (size_t i = 0; i < total; ++i)
            samples[i] = static_cast<int16_t>(std::clamp(std::lround(mix[i]), -32768L, 32767L));
        return true;
    }
};

// The track in every container the engine must read alike, plus a film
// whose audio starts 1.5 s after its picture.
class MediaSet {
public:
    static constexpr double LateAudioSeconds = 1.5;

    SpokenTrack track;
    std::map<std::string, std::string> files; // container name -> path
    std::string lateAudioFilm;
    std::string error;

    bool make(const TempDir& dir, double lengthPerBed = 50.0) {
        if (!track.make(dir, lengthPerBed)) {
            error = track.error;
            return false;
        }
        const std::string master = dir.file("master.wav");
        writeWav(master, track.samples);
        const std::string in = "ffmpeg -nostdin -y -i '" + master + "' -ar 48000 -ac 2 ";
        const std::pair<const char*, const char*> kinds[] = {
            {"mp4-aac", "-c:a aac -b:a 128k '%.mp4'"},   {"mkv-opus", "-c:a libopus -b:a 64k '%.mkv'"},
            {"webm-vorbis", "-c:a libvorbis '%.webm'"},  {"mp3", "-c:a libmp3lame -b:a 128k '%.mp3'"},
            {"wav", "-ar 44100 -c:a pcm_s16le '%.wav'"},
        };
        for (const auto& [name, args] : kinds) {
            std::string tail = args;
            const std::string path = dir.file(std::string("film-") + name);
            tail.replace(tail.find('%'), 1, path);
            files[name] = path + tail.substr(tail.rfind('.'), tail.size() - tail.rfind('.') - 1);
            if (shell(in + tail) != 0) {
                error = std::string("ffmpeg could not make the ") + name + " film";
                return false;
            }
        }
        // The first 20 s of the track under 25 s of picture, 1.5 s late.
        lateAudioFilm = dir.file("late-audio.mp4");
        const std::string picture = "ffmpeg -nostdin -y -f lavfi -i color=c=black:s=160x90:r=25:d=25 ";
        if (shell(picture + "-itsoffset " + std::to_string(LateAudioSeconds) + " -t 20 -i '" + master +
                  "' -map 0:v -map 1:a -c:v libx264 -preset ultrafast -c:a aac '" + lateAudioFilm + "'") != 0) {
            error = "ffmpeg could not make the late-audio film";
            return false;
        }
        return true;
    }
};

} // namespace cuemark::testing

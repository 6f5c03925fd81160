#pragma once
// A film's worth of dialogue, for the sync tests and benchmarks: lines of
// espeak-ng speech in two languages and several voices at seeded random
// times, mostly short gaps with now and then a long one, stretches where
// nobody speaks, over silence, noise and music; encoded with a black picture
// as H.264 and AAC in MP4. The lines' times are what a correctly timed
// subtitle file for the film holds.
//
// A program makes the Voices once and any number of films from them: a
// 45-minute film of some 700 lines takes the same calls as a short one.

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "test_media.h"

namespace cuemark::testing {

// The lines of a film: every sentence in two voices of its language, at
// different paces, with short replies among the long lines.
inline std::vector<Line> DialogueLines() {
    static const char* const more[] = {
        "Yes.",
        "Ja, natürlich.",
        "Come here, quickly!",
        "Warte hier auf mich!",
        "I don't believe a word of it.",
        "Das glaube ich dir nicht.",
        "What time does the last boat leave for the island?",
        "Wann fährt das letzte Schiff zur Insel?",
        "Stop!",
        "Halt!",
        "He said he would be back before dark, and he always keeps his word.",
        "Er kommt bestimmt bald zurück.",
    };
    static const char* const voices[2][4] = {{"en", "en-us+f3", "en+m3", "en-gb-scotland"},
                                             {"de", "de+f2", "de+m3", "de+f4"}};
    std::vector<std::string> texts(std::begin(Sentences), std::end(Sentences));
    texts.insert(texts.end(), std::begin(more), std::end(more));
    std::vector<Line> lines;
    for (size_t i = 0; i < texts.size(); ++i)
        for (size_t take = 0; take < 2; ++take)
            lines.push_back({texts[i], voices[i % 2][(i / 2 + 2 * take) % 4], int(140 + 12 * ((i + 3 * take) % 5))});
    return lines;
}

// The spoken clips, made once per program and shared by its films.
struct Voices {
    std::vector<Clip> clips;
    double rms = 0.0; // of all the speech: the backgrounds' levels follow it
    std::string error;

    bool make(const TempDir& dir) { return makeClips(dir, DialogueLines(), "line", clips, rms, error); }
};

struct FilmPlan {
    unsigned seed = 1; // picks the lines and their times
    double seconds = 480.0;
    // Backgrounds in order; where none is given, silence.
    std::vector<Bed> beds;
    // Where nobody speaks: an opening, a silent scene.
    std::vector<Phrase> hush;
    // Between lines: from minGap to maxGap, short ones more often.
    double minGap = 0.3, maxGap = 4.0;
};

class SpokenFilm {
public:
    std::vector<Phrase> phrases; // in order, none overlapping
    std::vector<Bed> beds;
    std::vector<int16_t> samples;

    double seconds() const { return double(samples.size()) / MediaRate; }

    void make(const Voices& voices, const FilmPlan& plan) {
        std::mt19937 random(plan.seed);
        const size_t total = static_cast<size_t>(plan.seconds * MediaRate);
        // A float mix: two hours take 460 MB.
        std::vector<float> mix(total, 0.0f);
        beds = plan.beds;
        for (const Bed& bed : beds) addBed(mix, bed, voices.rms, random);

        std::uniform_real_distribution<double> unit(0.0, 1.0);
        std::uniform_int_distribution<size_t> pick(0, voices.clips.size() - 1);
        double last = 0.0; // where the previous line ended
        for (;;) {
            const double u = unit(random);
            const double gap = plan.minGap + (plan.maxGap - plan.minGap) * u * u;
            const Clip& clip = voices.clips[pick(random)];
            const double length = double(clip.soundEnd - clip.soundStart) / MediaRate;
            double start = last + gap;
            for (const Phrase& h : plan.hush)
                if (start < h.end && start + length > h.start) start = h.end + gap;
            const size_t place = static_cast<size_t>(
                std::max(0L, std::lround(start * MediaRate) - long(clip.soundStart)));
            if (place + clip.samples.size() + MediaRate / 2 > total) break;
            for (size_t i = 0; i < clip.samples.size(); ++i) mix[place + i] += float(clip.samples[i]);
            phrases.push_back({double(place + clip.soundStart) / MediaRate, double(place + clip.soundEnd) / MediaRate});
            last = phrases.back().end;
        }
        samples.resize(total);
        for (size_t i = 0; i < total; ++i)
            samples[i] = static_cast<int16_t>(std::clamp(std::lround(mix[i]), -32768L, 32767L));
    }

    // The same film with `seconds` of music before it, as another release
    // opens with a studio's fanfare: every line that much later.
    SpokenFilm withIntro(double seconds, const Voices& voices, unsigned seed) const {
        SpokenFilm longer;
        const size_t intro = static_cast<size_t>(seconds * MediaRate);
        std::vector<float> music(intro, 0.0f);
        std::mt19937 random(seed);
        addBed(music, {"music", 0.0, seconds}, voices.rms, random);
        longer.samples.reserve(intro + samples.size());
        for (float v : music) longer.samples.push_back(static_cast<int16_t>(std::lround(v)));
        longer.samples.insert(longer.samples.end(), samples.begin(), samples.end());
        longer.beds.push_back({"music", 0.0, seconds});
        for (const Bed& b : beds) longer.beds.push_back({b.name, b.from + seconds, b.to + seconds});
        for (const Phrase& p : phrases) longer.phrases.push_back({p.start + seconds, p.end + seconds});
        return longer;
    }

    // Writes the film to `dir` as `name`.mp4; its path, or empty when ffmpeg failed.
    std::string encode(const TempDir& dir, const std::string& name) const {
        const std::string sound = dir.file(name + ".wav"), film = dir.file(name + ".mp4");
        writeWav(sound, samples);
        // AAC's fast coder: under half the default one's time, a stream like any other.
        const int ok = shell(
            "ffmpeg -nostdin -y -f lavfi -i color=c=black:s=160x90:r=25:d=" + std::to_string(seconds()) + " -i '" +
            sound +
            "' -map 0:v -map 1:a -c:v libx264 -preset ultrafast -c:a aac -aac_coder fast -b:a 128k -ar 48000 -ac 2 '" +
            film + "'");
        std::remove(sound.c_str());
        return ok == 0 ? film : std::string();
    }

private:
    // Noise 20 dB under the speech, music 15 dB under it.
    static void addBed(std::vector<float>& mix, const Bed& bed, double speechRms, std::mt19937& random) {
        const size_t from = static_cast<size_t>(bed.from * MediaRate);
        const size_t to = std::min(mix.size(), static_cast<size_t>(bed.to * MediaRate));
        if (bed.name == "noise") {
            std::normal_distribution<double> gauss(0.0, 1.0);
            for (size_t i = from; i < to; ++i) mix[i] += float(gauss(random) * speechRms * 0.1);
        } else if (bed.name == "music") {
            addMusic(mix, from, to, speechRms * std::pow(10.0, -15.0 / 20.0), random);
        }
    }
};

} // namespace cuemark::testing

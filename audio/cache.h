#pragma once
// What a media file's analysis costs to redo, kept between runs: its peaks
// and speech intervals, under $XDG_CACHE_HOME/cuemark/audio/.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "audio/speech.h"

namespace cuemark::audio {

// The cache's folder: $XDG_CACHE_HOME/cuemark/audio, or
// ~/.cache/cuemark/audio when XDG_CACHE_HOME is unset or not absolute;
// empty when neither can be found.
std::string DefaultCacheFolder();

// One file's analysis as the cache keeps it.
struct CachedAnalysis {
    double duration = 0.0;
    int64_t samples = 0;
    std::vector<SpeechInterval> speech;
    std::string peakBytes; // PeakPyramid::baseBytes()
};

class AudioCache {
public:
    // Beyond this, the entries used longest ago are removed.
    static constexpr uint64_t DefaultLimitBytes = uint64_t{512} << 20;

    explicit AudioCache(std::string folder = DefaultCacheFolder(), uint64_t limitBytes = DefaultLimitBytes);

    // The key of a media file: its size, modification time and a hash of its
    // first megabyte, with the detector's mode (the intervals depend on it).
    // None when the file cannot be read.
    static std::optional<std::string> KeyFor(const std::string& mediaPath, int mode);

    // The entry under `key`, or none. An entry that cannot be read whole
    // (cut short, another version, damaged) is removed and is a miss. A hit
    // marks the entry as just used.
    std::optional<CachedAnalysis> load(const std::string& key) const;
    // Writes the entry atomically, then trims the folder to the limit.
    // False (with *error) when it cannot be written; the cache is an aid, so
    // callers go on without it.
    bool store(const std::string& key, const CachedAnalysis& entry, std::string* error = nullptr) const;

    const std::string& folder() const { return folder_; }

private:
    std::string pathFor(const std::string& key) const;
    void trim() const;

    std::string folder_;
    uint64_t limitBytes_;
};

} // namespace cuemark::audio

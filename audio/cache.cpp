#include "audio/cache.h"

#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>

#include "subtitles/file_io.h"

namespace cuemark::audio {

namespace fs = std::filesystem;

namespace {

constexpr char Magic[8] = {'C', 'M', 'A', 'U', 'D', 'I', 'O', '1'};
constexpr const char* Extension = ".peaks";
constexpr size_t HashedBytes = size_t{1} << 20;

uint64_t fnv1a(const char* data, size_t size, uint64_t hash = 14695981039346656037ull) {
    for (size_t i = 0; i < size; ++i) hash = (hash ^ static_cast<unsigned char>(data[i])) * 1099511628211ull;
    return hash;
}

void put(std::string& out, const void* value, size_t size) {
    out.append(static_cast<const char*>(value), size);
}

// Reads fixed-size values off the front of an entry's bytes.
struct Reader {
    std::string_view bytes;
    bool ok = true;
    template <typename T>
    T take() {
        T value{};
        if (bytes.size() < sizeof value) {
            ok = false;
            return value;
        }
        std::memcpy(&value, bytes.data(), sizeof value);
        bytes.remove_prefix(sizeof value);
        return value;
    }
};

} // namespace

std::string DefaultCacheFolder() {
    const char* xdg = std::getenv("XDG_CACHE_HOME");
    if (xdg && xdg[0] == '/') return (fs::path(xdg) / "cuemark" / "audio").string();
    const char* home = std::getenv("HOME");
    if (home && home[0] == '/') return (fs::path(home) / ".cache" / "cuemark" / "audio").string();
    return {};
}

AudioCache::AudioCache(std::string folder, uint64_t limitBytes) : folder_(std::move(folder)), limitBytes_(limitBytes) {}

std::optional<std::string> AudioCache::KeyFor(const std::string& mediaPath, int mode) {
    struct stat info {};
    if (::stat(mediaPath.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) return std::nullopt;
    std::ifstream in(mediaPath, std::ios::binary);
    if (!in) return std::nullopt;
    std::string head(HashedBytes, '\0');
    in.read(head.data(), static_cast<std::streamsize>(head.size()));
    head.resize(static_cast<size_t>(in.gcount()));
    char key[96];
    std::snprintf(key, sizeof key, "%llx-%llx.%09ld-%016llx-m%d", static_cast<unsigned long long>(info.st_size),
                  static_cast<unsigned long long>(info.st_mtim.tv_sec), static_cast<long>(info.st_mtim.tv_nsec),
                  static_cast<unsigned long long>(fnv1a(head.data(), head.size())), mode);
    return std::string(key);
}

std::string AudioCache::pathFor(const std::string& key) const {
    return (fs::path(folder_) / (key + Extension)).string();
}

std::optional<CachedAnalysis> AudioCache::load(const std::string& key) const {
    if (folder_.empty()) return std::nullopt;
    const std::string path = pathFor(key);
    std::string bytes;
    if (!ReadWholeFile(path, bytes)) return std::nullopt;
    Reader r{bytes};
    CachedAnalysis entry;
    char magic[sizeof Magic];
    for (char& c : magic) c = r.take<char>();
    entry.duration = r.take<double>();
    entry.samples = r.take<int64_t>();
    const auto intervals = r.take<uint64_t>();
    const auto peakBytes = r.take<uint64_t>();
    const bool shaped = r.ok && std::memcmp(magic, Magic, sizeof Magic) == 0 && intervals <= r.bytes.size() / 16 &&
                        r.bytes.size() == intervals * 16 + peakBytes;
    if (!shaped) {
        std::error_code ignored;
        fs::remove(path, ignored);
        return std::nullopt;
    }
    entry.speech.resize(intervals);
    for (SpeechInterval& s : entry.speech) {
        s.start = r.take<double>();
        s.end = r.take<double>();
    }
    bytes.erase(0, bytes.size() - r.bytes.size()); // the peaks, without copying them elsewhere
    entry.peakBytes = std::move(bytes);
    std::error_code ignored;
    fs::last_write_time(path, fs::file_time_type::clock::now(), ignored); // just used: kept longest
    return entry;
}

bool AudioCache::store(const std::string& key, const CachedAnalysis& entry, std::string* error) const {
    if (folder_.empty()) {
        if (error) *error = "no cache folder (neither XDG_CACHE_HOME nor HOME is set)";
        return false;
    }
    std::error_code made;
    fs::create_directories(folder_, made);
    if (made) {
        if (error) *error = "cannot make " + folder_ + ": " + made.message();
        return false;
    }
    std::string bytes(Magic, sizeof Magic);
    const uint64_t intervals = entry.speech.size(), peakBytes = entry.peakBytes.size();
    put(bytes, &entry.duration, sizeof entry.duration);
    put(bytes, &entry.samples, sizeof entry.samples);
    put(bytes, &intervals, sizeof intervals);
    put(bytes, &peakBytes, sizeof peakBytes);
    for (const SpeechInterval& s : entry.speech) {
        put(bytes, &s.start, sizeof s.start);
        put(bytes, &s.end, sizeof s.end);
    }
    bytes += entry.peakBytes;
    if (!WriteFileAtomically(pathFor(key), bytes, error)) return false;
    trim();
    return true;
}

void AudioCache::trim() const {
    struct Entry {
        fs::path path;
        fs::file_time_type used;
        uint64_t size;
    };
    std::vector<Entry> entries;
    uint64_t total = 0;
    std::error_code e;
    for (const fs::directory_entry& item : fs::directory_iterator(folder_, e)) {
        if (item.path().extension() != Extension || !item.is_regular_file(e)) continue;
        const uint64_t size = item.file_size(e);
        const fs::file_time_type used = item.last_write_time(e);
        if (e) continue;
        entries.push_back({item.path(), used, size});
        total += size;
    }
    std::sort(entries.begin(), entries.end(), [](const Entry& a, const Entry& b) { return a.used < b.used; });
    for (const Entry& oldest : entries) {
        if (total <= limitBytes_) break;
        if (fs::remove(oldest.path, e)) total -= oldest.size;
    }
}

} // namespace cuemark::audio

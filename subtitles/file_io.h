#pragma once
// Whole-file reads, and writes that never destroy the previous file: the new
// bytes go to a temporary file in the same folder, are flushed to disk, and
// are renamed over the target (which keeps the old file's permissions).
// Only regular files are replaced; devices, pipes and sockets are refused.

#include <cstddef>
#include <string>
#include <string_view>

namespace cuemark {

// The most an input may hold: far above any real subtitle file, and a stop
// for endless ones (/dev/zero, a pipe that never ends).
inline constexpr size_t MaxInputBytes = size_t{256} << 20;

// Reads the whole file; false (with a reason in *error) when it cannot be
// opened or read, or holds more than MaxInputBytes (then *tooLarge is set).
bool ReadWholeFile(const std::string& path, std::string& bytes, std::string* error = nullptr, bool* tooLarge = nullptr);

// The steps of an atomic write, named so tests can make one of them fail.
enum class WriteStep { CreateTemp, Write, Sync, Rename };

// Test seam: return true to make the given step fail as the system would
// (as if the disk were full, the folder vanished, ...).
class WriteFaults {
public:
    virtual ~WriteFaults() = default;
    virtual bool failAt(WriteStep step) = 0;
};

// True when the target now holds exactly `bytes`. On false the target is
// as it was before (or still absent), no temporary file is left behind, and
// *error says what failed.
bool WriteFileAtomically(const std::string& path, std::string_view bytes, std::string* error = nullptr,
                         WriteFaults* faults = nullptr);

} // namespace cuemark

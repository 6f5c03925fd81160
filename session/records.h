#pragma once
// The bytes of a session on disk: the journal's records and the snapshot.
// Every number is little-endian and every time is stored as its eight bytes,
// so a recovered time is the same double bit for bit. Each record and each
// snapshot carries a CRC-32; reading stops at the first that does not match,
// which after a crash is the torn tail of the journal.

#include <cstdint>
#include <set>
#include <string>
#include <string_view>

#include "subtitles/format_detection.h"
#include "subtitles/store.h"
#include "subtitles/text_encoding.h"

namespace cuemark::session {

// What a session knows besides its titles.
struct SessionDetails {
    std::string subtitleFile; // empty for a new file
    std::string mediaFile;    // empty when none was loaded
    SubtitleFormat format = SubtitleFormat::SubRip;
    TextEncoding encoding;
    double frameRate = 25.0;
    bool changed = false; // titles differ from the file on disk

    bool operator==(const SessionDetails&) const = default;
};

// A session's state as replayed: its details and the numbers of the titles
// changed since the file was last loaded or saved (an estimate for the
// user's eye: numbers are not shifted by later inserts and deletes).
struct SessionState {
    SessionDetails details;
    std::set<int32_t> changedTitles;
    uint64_t sequence = 0; // of the last change applied
};

enum class RecordKind : uint8_t {
    Cleared = 1,
    Inserted = 2,     // number, start, end, text
    Deleted = 3,      // count, numbers
    TimesChanged = 4, // number, start, end
    TextChanged = 5,  // number, text
    TitleChanged = 6, // number, start, end, text
    Details = 7,      // SessionDetails
};

inline constexpr std::string_view JournalMagic = "CMJRNL1\n";
inline constexpr std::string_view SnapshotMagic = "CMSNAP1\n";

uint32_t Crc32(std::string_view bytes);

// Appends one record for a change the store has just made, reading the
// title's values from it.
void AppendTitleRecord(std::string& out, uint64_t sequence, RecordKind kind, const SUBTITLES& store, int32_t ix);
void AppendDeletedRecord(std::string& out, uint64_t sequence, const std::vector<int32_t>& titles);
void AppendDetailsRecord(std::string& out, uint64_t sequence, const SessionDetails& details);

// The whole store and state, ready to be written as the snapshot file.
std::string EncodeSnapshot(const SUBTITLES& store, const SessionState& state);

// Fills `store` (emptied first) and `state` from a snapshot; false when the
// bytes are not a whole, undamaged snapshot (then both may hold anything).
bool DecodeSnapshot(std::string_view bytes, SUBTITLES& store, SessionState& state);

// Applies the journal's records whose sequence follows state.sequence, in
// order, and stops at the first that is torn, damaged, out of sequence or
// does not fit the store. Records the snapshot already holds are skipped.
// Returns how many were applied; false in *valid when the journal does not
// even start as one.
size_t ReplayJournal(std::string_view bytes, SUBTITLES& store, SessionState& state, bool* valid = nullptr);

} // namespace cuemark::session

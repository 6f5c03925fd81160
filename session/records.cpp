#include "session/records.h"

#include <array>
#include <bit>
#include <cstring>

namespace cuemark::session {

namespace {

static_assert(std::endian::native == std::endian::little, "the session format is written little-endian");

class ByteWriter {
public:
    explicit ByteWriter(std::string& out) : out_(out) {}
    template <typename T>
    void put(T value) {
        char bytes[sizeof(T)];
        std::memcpy(bytes, &value, sizeof(T));
        out_.append(bytes, sizeof(T));
    }
    void text(std::string_view s) {
        put(static_cast<uint32_t>(s.size()));
        out_.append(s);
    }

private:
    std::string& out_;
};

class ByteReader {
public:
    explicit ByteReader(std::string_view in) : in_(in) {}
    template <typename T>
    bool get(T& value) {
        if (in_.size() < sizeof(T)) return false;
        std::memcpy(&value, in_.data(), sizeof(T));
        in_.remove_prefix(sizeof(T));
        return true;
    }
    bool text(std::string& s) {
        uint32_t size = 0;
        if (!get(size) || in_.size() < size) return false;
        s.assign(in_.substr(0, size));
        in_.remove_prefix(size);
        return true;
    }
    bool done() const { return in_.empty(); }
    std::string_view rest() const { return in_; }
    void skip(size_t n) { in_.remove_prefix(n); }

private:
    std::string_view in_;
};

constexpr std::array<uint32_t, 256> CrcTable = [] {
    std::array<uint32_t, 256> table{};
    for (uint32_t n = 0; n < 256; ++n) {
        uint32_t c = n;
        for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
        table[n] = c;
    }
    return table;
}();

// A record: body length, body (sequence, kind, payload), CRC of the body.
class RecordFrame {
public:
    RecordFrame(std::string& out, uint64_t sequence, RecordKind kind) : out_(out), writer_(out) {
        lengthAt_ = out.size();
        writer_.put(uint32_t{0});
        writer_.put(sequence);
        writer_.put(static_cast<uint8_t>(kind));
    }
    ~RecordFrame() {
        const size_t bodyAt = lengthAt_ + sizeof(uint32_t);
        const auto length = static_cast<uint32_t>(out_.size() - bodyAt);
        std::memcpy(out_.data() + lengthAt_, &length, sizeof length);
        writer_.put(Crc32(std::string_view(out_).substr(bodyAt)));
    }
    ByteWriter& writer() { return writer_; }

private:
    std::string& out_;
    ByteWriter writer_;
    size_t lengthAt_;
};

void putDetails(ByteWriter& w, const SessionDetails& d) {
    w.text(d.subtitleFile);
    w.text(d.mediaFile);
    w.put(static_cast<uint8_t>(d.format));
    w.text(d.encoding.name);
    w.put(static_cast<uint8_t>(d.encoding.bom));
    w.put(d.frameRate);
    w.put(static_cast<uint8_t>(d.changed));
}

bool getDetails(ByteReader& r, SessionDetails& d) {
    uint8_t format = 0, bom = 0, changed = 0;
    if (!r.text(d.subtitleFile) || !r.text(d.mediaFile) || !r.get(format) || !r.text(d.encoding.name) || !r.get(bom) ||
        !r.get(d.frameRate) || !r.get(changed))
        return false;
    if (format > static_cast<uint8_t>(SubtitleFormat::Sami) || bom > 1 || changed > 1) return false;
    d.format = static_cast<SubtitleFormat>(format);
    d.encoding.bom = bom != 0;
    d.changed = changed != 0;
    return true;
}

bool valid(const SUBTITLES& store, int32_t ix) {
    return ix >= 1 && ix <= store.Count();
}

void noteChanged(SessionState& state, int32_t ix) {
    state.changedTitles.insert(ix);
}

// One record's change, checked against the store before it is made: a
// record that does not fit is damage, and nothing past it is trusted.
bool apply(ByteReader& r, RecordKind kind, SUBTITLES& store, SessionState& state) {
    int32_t ix = 0;
    double start = 0.0, end = 0.0;
    std::string text;
    switch (kind) {
    case RecordKind::Cleared:
        store.Clear();
        state.changedTitles.clear();
        return r.done();
    case RecordKind::Inserted:
        if (!r.get(ix) || !r.get(start) || !r.get(end) || !r.text(text) || !r.done()) return false;
        if (ix < 1 || ix > store.Count() + 1 || store.Count() >= SUBTITLES::MaxTitles) return false;
        store.Insert(ix, start, end, text);
        noteChanged(state, ix);
        return true;
    case RecordKind::Deleted: {
        uint32_t count = 0;
        if (!r.get(count)) return false;
        for (uint32_t k = 0; k < count; ++k) {
            if (!r.get(ix) || !valid(store, ix)) return false;
            store.Delete(ix);
            noteChanged(state, ix);
        }
        return r.done();
    }
    case RecordKind::TimesChanged:
        if (!r.get(ix) || !r.get(start) || !r.get(end) || !r.done() || !valid(store, ix)) return false;
        store.SetTimes(ix, start, end);
        noteChanged(state, ix);
        return true;
    case RecordKind::TextChanged:
        if (!r.get(ix) || !r.text(text) || !r.done() || !valid(store, ix)) return false;
        store.SetText(ix, text);
        noteChanged(state, ix);
        return true;
    case RecordKind::TitleChanged:
        if (!r.get(ix) || !r.get(start) || !r.get(end) || !r.text(text) || !r.done() || !valid(store, ix)) return false;
        store.SetTimes(ix, start, end);
        store.SetText(ix, text);
        noteChanged(state, ix);
        return true;
    case RecordKind::Details:
        if (!getDetails(r, state.details) || !r.done()) return false;
        // Saved or freshly loaded: nothing is unsaved any more.
        if (!state.details.changed) state.changedTitles.clear();
        return true;
    }
    return false;
}

} // namespace

uint32_t Crc32(std::string_view bytes) {
    uint32_t c = 0xFFFFFFFFu;
    for (unsigned char b : bytes) c = CrcTable[(c ^ b) & 0xFF] ^ (c >> 8);
    return c ^ 0xFFFFFFFFu;
}

void AppendTitleRecord(std::string& out, uint64_t sequence, RecordKind kind, const SUBTITLES& store, int32_t ix) {
    RecordFrame frame(out, sequence, kind);
    ByteWriter& w = frame.writer();
    if (kind == RecordKind::Cleared) return;
    w.put(ix);
    if (kind != RecordKind::TextChanged) {
        w.put(store.StartTime(ix));
        w.put(store.EndTime(ix));
    }
    if (kind != RecordKind::TimesChanged) w.text(store.Text(ix));
}

void AppendDeletedRecord(std::string& out, uint64_t sequence, const std::vector<int32_t>& titles) {
    RecordFrame frame(out, sequence, RecordKind::Deleted);
    frame.writer().put(static_cast<uint32_t>(titles.size()));
    for (int32_t ix : titles) frame.writer().put(ix);
}

void AppendDetailsRecord(std::string& out, uint64_t sequence, const SessionDetails& details) {
    RecordFrame frame(out, sequence, RecordKind::Details);
    putDetails(frame.writer(), details);
}

std::string EncodeSnapshot(const SUBTITLES& store, const SessionState& state) {
    std::string out(SnapshotMagic);
    size_t size = out.size() + 256;
    for (int32_t i = 1; i <= store.Count(); ++i) size += store.Text(i).size() + 20;
    out.reserve(size + state.changedTitles.size() * 4);
    ByteWriter w(out);
    w.put(state.sequence);
    putDetails(w, state.details);
    w.put(static_cast<uint32_t>(state.changedTitles.size()));
    for (int32_t ix : state.changedTitles) w.put(ix);
    w.put(static_cast<uint32_t>(store.Count()));
    for (int32_t i = 1; i <= store.Count(); ++i) {
        w.put(store.StartTime(i));
        w.put(store.EndTime(i));
        w.text(store.Text(i));
    }
    w.put(Crc32(std::string_view(out).substr(SnapshotMagic.size())));
    return out;
}

bool DecodeSnapshot(std::string_view bytes, SUBTITLES& store, SessionState& state) {
    store.SetUndoEnabled(false);
    store.Clear();
    state = SessionState{};
    if (!bytes.starts_with(SnapshotMagic) || bytes.size() < SnapshotMagic.size() + sizeof(uint32_t)) return false;
    const std::string_view body = bytes.substr(SnapshotMagic.size(), bytes.size() - SnapshotMagic.size() - 4);
    uint32_t crc = 0;
    std::memcpy(&crc, bytes.data() + bytes.size() - 4, 4);
    if (Crc32(body) != crc) return false;
    ByteReader r(body);
    uint32_t changed = 0, count = 0;
    if (!r.get(state.sequence) || !getDetails(r, state.details) || !r.get(changed)) return false;
    for (uint32_t k = 0; k < changed; ++k) {
        int32_t ix = 0;
        if (!r.get(ix)) return false;
        state.changedTitles.insert(ix);
    }
    if (!r.get(count) || count > static_cast<uint32_t>(SUBTITLES::MaxTitles)) return false;
    for (uint32_t k = 0; k < count; ++k) {
        double start = 0.0, end = 0.0;
        std::string text;
        if (!r.get(start) || !r.get(end) || !r.text(text)) return false;
        store.Add(start, end, std::move(text));
    }
    return r.done();
}

size_t ReplayJournal(std::string_view bytes, SUBTITLES& store, SessionState& state, bool* valid) {
    if (valid != nullptr) *valid = bytes.starts_with(JournalMagic);
    if (!bytes.starts_with(JournalMagic)) return 0;
    ByteReader records(bytes.substr(JournalMagic.size()));
    size_t applied = 0;
    for (;;) {
        uint32_t length = 0;
        if (!records.get(length) || records.rest().size() < size_t{length} + 4) break;
        const std::string_view body = records.rest().substr(0, length);
        uint32_t crc = 0;
        std::memcpy(&crc, records.rest().data() + length, 4);
        if (Crc32(body) != crc) break;
        records.skip(size_t{length} + 4);
        ByteReader r(body);
        uint64_t sequence = 0;
        uint8_t kind = 0;
        if (!r.get(sequence) || !r.get(kind)) break;
        // Already in the snapshot: the journal was not yet restarted after it.
        if (sequence <= state.sequence) continue;
        if (sequence != state.sequence + 1) break;
        if (!apply(r, static_cast<RecordKind>(kind), store, state)) break;
        state.sequence = sequence;
        ++applied;
    }
    return applied;
}

} // namespace cuemark::session

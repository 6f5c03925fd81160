#include "subtitles/store.h"

#include "subtitles/rounding.h"

namespace cuemark {

namespace {

// Half of a count or a step, halves to the even neighbour (5 -> 2, 7 -> 4).
int32_t halfToEven(int32_t n) {
    return static_cast<int32_t>(RoundHalfEven(n / 2.0));
}

const std::string emptyText;

} // namespace

void SUBTITLES::Clear() {
    count_ = 0;
    orderKnown_ = false;
    starts_.clear();
    ends_.clear();
    texts_.clear();
    if (watcher_) watcher_->titlesCleared();
}

void SUBTITLES::makeRoomForOneMore() {
    if (count_ >= MaxTitles) throw StoreFull();
    if (count_ == 0) {
        // A fresh start drops whatever an earlier fill left behind.
        starts_.assign(1, 0.0);
        ends_.assign(1, 0.0);
        texts_.assign(1, std::string());
    }
}

void SUBTITLES::Add(double TS, double TE, std::string st) {
    makeRoomForOneMore();
    if (orderKnown_ && ascending_ && count_ > 0) ascending_ = starts_[count_] <= TS;
    starts_.push_back(TS);
    ends_.push_back(TE);
    texts_.push_back(std::move(st));
    ++count_;
    if (watcher_) watcher_->titleInserted(count_);
}

int32_t SUBTITLES::locateByScan(double TS) const {
    for (int32_t k = 1; k <= count_; ++k)
        if (starts_[k] >= TS) return k;
    return count_;
}

bool SUBTITLES::startsAscend() const {
    if (!orderKnown_) {
        ascending_ = true;
        for (int32_t k = 2; k <= count_ && ascending_; ++k) ascending_ = starts_[k - 1] <= starts_[k];
        orderKnown_ = true;
    }
    return ascending_;
}

int32_t SUBTITLES::Locate(double TS) const {
    if (count_ == 0) return 0;
    const double* const start = starts_.data();
    if (TS <= start[1]) return 1;
    if (TS >= ends_[count_ - 1]) return count_;

    if (startsAscend()) {
        // On ascending starts a time strictly between two starts has one
        // answer whatever the probe order: find it the fast way.
        const double* base = start + 1;
        for (int32_t len = count_; len > 1;) {
            const int32_t half = len / 2;
            base += (base[half] < TS) * half;
            len -= half;
        }
        const int32_t k = static_cast<int32_t>(base - start) + (*base < TS);
        if (k > count_) return count_;
        if (start[k] != TS) return k;
    }
    return bisect(TS);
}

int32_t SUBTITLES::bisect(double TS) const {
    // The probe order decides which of two titles with equal starts is
    // found, so it is kept as it is. On a store whose starts do not ascend
    // it may never settle: bound it and fall back to a scan.
    const double* const start = starts_.data();
    int32_t p = halfToEven(count_);
    if (p < 1) p = 1;
    int32_t step = p;
    for (int round = 0; round < 64; ++round) {
        step = halfToEven(step);
        if (step == 0) step = 1;
        if (start[p - 1] > TS)
            p -= step;
        else if (start[p] < TS)
            p += step;
        p = p < 1 ? 1 : (p > count_ ? count_ : p);
        if (start[p - 1] <= TS && TS <= start[p]) return p;
    }
    return locateByScan(TS);
}

void SUBTITLES::SetTimes(int32_t ix, double TS, double TE) {
    if (!valid(ix)) return;
    record(EntryKind::Change, ix);
    orderKnown_ = false;
    starts_[ix] = TS;
    ends_[ix] = TE;
    if (watcher_) watcher_->timesChanged(ix);
}

double SUBTITLES::StartTime(int32_t ix) const {
    return valid(ix) ? starts_[ix] : 0.0;
}
double SUBTITLES::EndTime(int32_t ix) const {
    return valid(ix) ? ends_[ix] : 0.0;
}
const std::string& SUBTITLES::Text(int32_t ix) const {
    return valid(ix) ? texts_[ix] : emptyText;
}

void SUBTITLES::SetStartTime(int32_t ix, double NewValue) {
    if (!valid(ix)) return;
    record(EntryKind::Change, ix);
    orderKnown_ = false;
    starts_[ix] = NewValue;
    if (watcher_) watcher_->timesChanged(ix);
}

void SUBTITLES::SetEndTime(int32_t ix, double NewValue) {
    if (!valid(ix)) return;
    record(EntryKind::Change, ix);
    ends_[ix] = NewValue;
    if (watcher_) watcher_->timesChanged(ix);
}

void SUBTITLES::SetText(int32_t ix, const std::string& sNewValue) {
    if (!valid(ix)) return;
    record(EntryKind::Change, ix);
    texts_[ix] = sNewValue;
    if (watcher_) watcher_->textChanged(ix);
}

void SUBTITLES::Delete(int32_t ix) {
    if (!valid(ix)) return;
    record(EntryKind::Deletion, ix);
    orderKnown_ = false;
    starts_.erase(starts_.begin() + ix);
    ends_.erase(ends_.begin() + ix);
    texts_.erase(texts_.begin() + ix);
    --count_;
    if (watcher_) watcher_->titlesDeleted({ix});
}

int32_t SUBTITLES::DeleteAscending(const std::vector<int32_t>& titles, int32_t keep) {
    std::vector<bool> gone(static_cast<std::size_t>(count_) + 1, false);
    int32_t removed = 0;
    int32_t previous = 0;
    std::vector<int32_t> reported;
    for (int32_t ix : titles) {
        if (count_ - removed <= keep) break;
        if (!valid(ix) || ix <= previous) continue;
        previous = ix;
        if (watcher_) reported.push_back(ix - removed);
        // Numbered as it would be after the deletions above it.
        record(EntryKind::Deletion, ix - removed, ix);
        gone[static_cast<std::size_t>(ix)] = true;
        ++removed;
    }
    if (removed == 0) return 0;
    int32_t kept = 1;
    for (int32_t ix = 1; ix <= count_; ++ix) {
        if (gone[static_cast<std::size_t>(ix)]) continue;
        if (kept != ix) {
            starts_[kept] = starts_[ix];
            ends_[kept] = ends_[ix];
            texts_[kept] = std::move(texts_[ix]);
        }
        ++kept;
    }
    count_ -= removed;
    starts_.resize(static_cast<std::size_t>(count_) + 1);
    ends_.resize(static_cast<std::size_t>(count_) + 1);
    texts_.resize(static_cast<std::size_t>(count_) + 1);
    orderKnown_ = false;
    if (watcher_) watcher_->titlesDeleted(reported);
    return removed;
}

void SUBTITLES::Insert(int32_t Position, double StartTime, double EndTime, const std::string& TX) {
    if (Position < 1 || Position > count_ + 1) return;
    // Refuse before journalling: an entry for an insertion that never
    // happened would make a later undo delete a real title.
    makeRoomForOneMore();
    record(EntryKind::Insertion, Position);
    orderKnown_ = false;
    starts_.insert(starts_.begin() + Position, StartTime);
    ends_.insert(ends_.begin() + Position, EndTime);
    texts_.insert(texts_.begin() + Position, TX);
    ++count_;
    if (watcher_) watcher_->titleInserted(Position);
}

// ---- undo journal -------------------------------------------------------

int16_t SUBTITLES::nextSlot(int16_t x) {
    return x + 1 == JournalSlots ? 0 : static_cast<int16_t>(x + 1);
}
int16_t SUBTITLES::prevSlot(int16_t x) {
    return x == 0 ? JournalSlots - 1 : static_cast<int16_t>(x - 1);
}

void SUBTITLES::raiseUndoPossible(bool status) {
    if (listener_) listener_->UndoPossible(status);
}

void SUBTITLES::raiseUndoChangedListLength() {
    if (listener_) listener_->UndoChangedListLength();
}

void SUBTITLES::record(EntryKind kind, int32_t ix, int32_t source) {
    if (!undoEnabled_ || undoing_) return;
    if (head_ == tail_) raiseUndoPossible(true);
    head_ = nextSlot(head_);
    if (head_ == tail_) tail_ = nextSlot(tail_);
    Entry& entry = journal_[head_];
    entry.kind = kind;
    entry.title = ix;
    if (kind != EntryKind::Insertion) {
        entry.start = starts_[source];
        entry.end = ends_[source];
        entry.text = texts_[source];
    }
}

int32_t SUBTITLES::Undo() {
    if (head_ == tail_) return 0;
    const Entry& entry = journal_[head_];
    const int32_t n = entry.title;
    switch (entry.kind) {
    case EntryKind::Change:
        // Written straight back, unrecorded; a number outside the store
        // (possible only if titles vanished unjournalled) is skipped.
        if (valid(n)) {
            orderKnown_ = false;
            starts_[n] = entry.start;
            ends_[n] = entry.end;
            texts_[n] = entry.text;
            if (watcher_) watcher_->titleChanged(n);
        }
        break;
    case EntryKind::Insertion:
    case EntryKind::Deletion: {
        struct Undoing {
            bool& flag;
            explicit Undoing(bool& f) : flag(f) { flag = true; }
            ~Undoing() { flag = false; }
        } undoing(undoing_);
        if (entry.kind == EntryKind::Insertion)
            Delete(n);
        else
            Insert(n, entry.start, entry.end, entry.text);
        raiseUndoChangedListLength();
        break;
    }
    }
    head_ = prevSlot(head_);
    if (head_ == tail_) raiseUndoPossible(false);
    return n;
}

int16_t SUBTITLES::UndoCount() const {
    int16_t n = static_cast<int16_t>(head_ - tail_);
    return n < 0 ? static_cast<int16_t>(n + JournalSlots) : n;
}

void SUBTITLES::ClearUndo() {
    if (head_ != tail_) raiseUndoPossible(false);
    head_ = 0;
    tail_ = 0;
}

} // namespace cuemark

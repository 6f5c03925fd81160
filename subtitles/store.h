#pragma once
// The one in-memory list of titles, with its undo journal. Titles are
// numbered 1..Count(); every member tolerates a bad number (reads give 0.0
// or "", changes are ignored), so callers never need to range-check first.

#include <array>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

namespace cuemark {

// Told synchronously, before the store member that raised the event returns.
// Listeners may call back into the store.
class StoreListener {
public:
    virtual ~StoreListener() = default;
    // True when the journal has just stopped being empty, false when it has
    // just become empty.
    virtual void UndoPossible(bool Status) = 0;
    // An undo step has just deleted or re-inserted a title.
    virtual void UndoChangedListLength() = 0;
};

// Told once after each change of the titles (never of the undo journal), so
// that a copy kept elsewhere (the session journal) can follow every change.
// Numbers are as they are after the change; what a title holds now is read
// from the store. Undo reports what it puts back as changes of these kinds.
class StoreWatcher {
public:
    virtual ~StoreWatcher() = default;
    virtual void titlesCleared() = 0;
    // Add and Insert; Add's title is the last.
    virtual void titleInserted(int32_t ix) = 0;
    // Each number as it is once the deletions listed before it are done.
    virtual void titlesDeleted(const std::vector<int32_t>& titles) = 0;
    virtual void timesChanged(int32_t ix) = 0;
    virtual void textChanged(int32_t ix) = 0;
    // Times and text at once (an undone change).
    virtual void titleChanged(int32_t ix) = 0;
};

// Thrown by Add and Insert when the store already holds MaxTitles titles;
// the store is left unchanged (and nothing is journalled).
class StoreFull : public std::overflow_error {
public:
    StoreFull() : std::overflow_error("the store holds 32,700 titles, its most") {}
};

class SUBTITLES {
public:
    static constexpr int32_t MaxTitles = 32700;

    void setListener(StoreListener* listener) { listener_ = listener; }
    void setWatcher(StoreWatcher* watcher) { watcher_ = watcher; }

    void Clear();
    void Add(double TS, double TE, std::string st);
    int32_t Locate(double TS) const;
    void SetTimes(int32_t ix, double TS, double TE);

    double StartTime(int32_t ix) const;
    void SetStartTime(int32_t ix, double NewValue);
    double EndTime(int32_t ix) const;
    void SetEndTime(int32_t ix, double NewValue);
    const std::string& Text(int32_t ix) const;
    void SetText(int32_t ix, const std::string& sNewValue);

    int32_t Count() const { return count_; }
    void Delete(int32_t ix);
    // Deletes titles by their numbers as they are now (ascending), from the
    // top, as Delete would one by one (each journalled), until `keep` titles
    // are left; returns how many went. One pass, however many there are.
    int32_t DeleteAscending(const std::vector<int32_t>& titles, int32_t keep);
    void Insert(int32_t Position, double StartTime, double EndTime, const std::string& TX);

    bool UndoEnabled() const { return undoEnabled_; }
    void SetUndoEnabled(bool bNewValue) { undoEnabled_ = bNewValue; }
    int32_t Undo();
    int16_t UndoCount() const;
    void ClearUndo();

private:
    enum class EntryKind : int16_t { Change = 0, Insertion = 1, Deletion = 2 };
    struct Entry {
        EntryKind kind = EntryKind::Change;
        int32_t title = 0;
        double start = 0.0;
        double end = 0.0;
        std::string text;
    };
    static constexpr int16_t JournalSlots = 101;
    // The journal is a ring: one slot stays free, so it holds 100 entries.
    static int16_t nextSlot(int16_t x);
    static int16_t prevSlot(int16_t x);

    bool valid(int32_t ix) const { return ix >= 1 && ix <= count_; }
    void makeRoomForOneMore();
    // The entry names title `ix`; its values come from slot `source`.
    void record(EntryKind kind, int32_t ix, int32_t source);
    void record(EntryKind kind, int32_t ix) { record(kind, ix, ix); }
    void raiseUndoPossible(bool status);
    void raiseUndoChangedListLength();
    int32_t locateByScan(double TS) const;
    int32_t bisect(double TS) const;
    bool startsAscend() const;

    // Slot 0 is never written and reads as 0.0 / "".
    std::vector<double> starts_;
    std::vector<double> ends_;
    std::vector<std::string> texts_;
    int32_t count_ = 0;
    // Whether starts ascend, worked out when Locate first needs it after a change.
    mutable bool orderKnown_ = false;
    mutable bool ascending_ = false;

    std::array<Entry, JournalSlots> journal_{};
    int16_t head_ = 0;
    int16_t tail_ = 0;
    bool undoEnabled_ = false;
    bool undoing_ = false;
    StoreListener* listener_ = nullptr;
    StoreWatcher* watcher_ = nullptr;
};

} // namespace cuemark

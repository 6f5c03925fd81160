#pragma once
// What the main window needs of the editor window while it is open: the
// list refill, the Undo button, the row that follows playback, and the
// adjust button's stretch.

#include <cstdint>

namespace cuemark {

class EditorLink {
public:
    virtual ~EditorLink() = default;
    virtual void LoadList() = 0;
    virtual void SetUndoButtonEnabled(bool enabled) = 0;
    // The selected row (title number), 0 for none.
    virtual std::int32_t SelectedRow() const = 0;
    virtual void SelectOnlyRow(std::int32_t row) = 0;
    virtual std::int32_t RowCount() const = 0;
    virtual void MakeRowVisible(std::int32_t row) = 0;
    // A title was changed elsewhere (the waveform): its row shows it anew.
    virtual void RefreshRow(std::int32_t row) = 0;
    // Closes the editor window; it clears the editor-open flag itself.
    virtual void CloseEditor() = 0;
    // The store now holds another file: every row again, the marks on the
    // first and last title.
    virtual void SubtitlesReplaced() = 0;
    // Stretches so that the titles marked first and second start at these
    // two times (the adjust button, with the reference times in order).
    virtual void StretchToReferences(double firstTime, double secondTime) = 0;
};

} // namespace cuemark

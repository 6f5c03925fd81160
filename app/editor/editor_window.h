#pragma once
// What the editor's dialogs (edit, shift, stretch, sync, find) read of the editor
// window and call on it. Rows are title numbers, 1-based: row i is title i.

#include <QPoint>
#include <cstdint>
#include <string>

class QFont;
class QWidget;

namespace cuemark {

class KeyvaneSettings;
class SUBTITLES;
class WindowServices;

class EditorWindow {
public:
    virtual ~EditorWindow() = default;

    // The program's one store: the titles the editor lists.
    virtual SUBTITLES& store() = 0;
    // Message boxes and dialogs, as the rest of the program shows them.
    virtual WindowServices& services() = 0;
    // Where the dialogs keep their sizes and positions.
    virtual KeyvaneSettings& settings() = 0;
    // The titles now differ from their file: closing or loading another
    // file asks to save them first.
    virtual void markSubtitlesChanged() = 0;
    // The editor's own top-level window: dialogs open over it.
    virtual QWidget* editorWidget() = 0;
    // The film the main window has open, for its sound; "" when none.
    virtual std::string filmPath() const = 0;

    // True when the list has several rows selected (and so no current row);
    // the shift and stretch then act on the selected titles only.
    virtual bool MultipleSelected() const = 0;
    // The titles marked first and second for stretch timing.
    virtual std::int32_t FirstIndex() const = 0;
    virtual std::int32_t LastIndex() const = 0;

    virtual std::int32_t RowCount() const = 0;
    virtual bool RowSelected(std::int32_t row) const = 0;
    // The one selected row; 0 when none or several are selected.
    virtual std::int32_t CurrentRow() const = 0;
    // The cells as the list shows them: 0 the text as stored (line breaks as
    // CR LF), 1 the start, 2 the duration.
    virtual std::string CellText(std::int32_t row, int column) const = 0;
    // Brings a row's cells up to date with its title.
    virtual void RefreshRow(std::int32_t row) = 0;
    virtual QFont ListFont() const = 0;

    // Paints the row as changed unless it is marked; a negative index stands
    // for the current row, whose number is then stored into it.
    virtual void MarkChanged(std::int32_t& index) = 0;
    virtual void LoadList() = 0;
    // Selects the row alone, scrolls to it and moves the player to its start.
    virtual void GoToTitle(const std::int32_t& index) = 0;
    virtual void UnselectCurrentRow() = 0;
};

// Where a dialog of the editor opens: 1000 twips right of and below the
// editor window's top-left corner.
QPoint DialogOrigin(EditorWindow& editor);

} // namespace cuemark

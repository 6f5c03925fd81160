#pragma once
// A main window with media and titles, and the real editor window open on it.

#include <QAction>
#include <QTableView>
#include <initializer_list>

#include "app/editor/frm_list.h"
#include "tests/app/support/main_window_fixture.h"

namespace cuemark::testing {

class EditorFixture : public MainWindowFixture {
public:
    // A fresh main window with these titles and a loaded film, then the
    // editor through the Edit button.
    frmList& openEditor(std::initializer_list<std::pair<double, double>> times);
    // The editor again on the same window (after it was closed).
    frmList& reopenEditor();

    frmList& editor() const { return *editor_; }
    QAction* action(const char* name) const;
    // Selects exactly these rows, as ctrl-clicks would.
    void selectRows(std::initializer_list<std::int32_t> rows) { selectRowsOn(*editor_, rows); }
    static void selectRowsOn(frmList& editor, std::initializer_list<std::int32_t> rows);
    // A click on one row (selects only it and runs the item click).
    void clickRow(std::int32_t row);

private:
    frmList* editor_ = nullptr;
};

// The editor's list, found as the user sees it.
QTableView* ListOf(const frmList& editor);
// The colour the list paints the row (a title number) in.
RowColour RowColourOf(const frmList& editor, std::int32_t row);
// The find window the editor shows; null while it is not open.
QWidget* FindWindowOf(const frmList& editor);

} // namespace cuemark::testing

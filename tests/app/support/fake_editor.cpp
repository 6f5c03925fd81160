#include "tests/app/support/fake_editor.h"

#include "app/editor/title_cells.h"

namespace cuemark::testing {

FakeEditorWindow::FakeEditorWindow(frmCuemark& main) : main_(main) {
    window.setGeometry(200, 150, 600, 400);
}

std::int32_t FakeEditorWindow::RowCount() const {
    return main_.Subt.Count();
}

std::int32_t FakeEditorWindow::CurrentRow() const {
    return selected.size() == 1 ? *selected.begin() : 0;
}

std::string FakeEditorWindow::CellText(std::int32_t row, int column) const {
    return cuemark::CellText(main_.Subt, row, static_cast<TitleColumn>(column));
}

void FakeEditorWindow::MarkChanged(std::int32_t& index) {
    if (index < 0) index = CurrentRow();
    markedChanged.push_back(index);
}

void FakeEditorWindow::GoToTitle(const std::int32_t& index) {
    selected = {index};
    multipleSelected = false;
    wentTo.push_back(index);
}

void FakeEditorWindow::UnselectCurrentRow() {
    ++unselects;
    if (selected.size() == 1) selected.clear();
}

void FakeEditorWindow::select(std::initializer_list<std::int32_t> rows) {
    selected = rows;
    multipleSelected = selected.size() > 1;
}

} // namespace cuemark::testing

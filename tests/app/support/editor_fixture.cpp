#include "tests/app/support/editor_fixture.h"

#include <QItemSelectionModel>

namespace cuemark::testing {

frmList& EditorFixture::openEditor(std::initializer_list<std::pair<double, double>> times) {
    open();
    window->OpenMediaFile(mediaFile());
    loadTitles(times);
    return reopenEditor();
}

frmList& EditorFixture::reopenEditor() {
    InstallEditor(*window);
    window->cmdEdit_Click();
    editor_ = dynamic_cast<frmList*>(window->editor());
    return *editor_;
}

QAction* EditorFixture::action(const char* name) const {
    return editor_->findChild<QAction*>(QString::fromLatin1(name));
}

void EditorFixture::selectRowsOn(frmList& editor, std::initializer_list<std::int32_t> rows) {
    QItemSelectionModel* selection = editor.list()->selectionModel();
    selection->clearSelection();
    for (std::int32_t row : rows) {
        selection->select(editor.list()->model()->index(row - 1, 0),
                          QItemSelectionModel::Select | QItemSelectionModel::Rows);
    }
}

void EditorFixture::clickRow(std::int32_t row) {
    selectRows({row});
    editor_->LV_ItemClick(row);
}

} // namespace cuemark::testing

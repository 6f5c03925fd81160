#include "tests/app/support/editor_fixture.h"

#include <QItemSelectionModel>

#include "app/editor/title_list_model.h"

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
    QItemSelectionModel* selection = ListOf(editor)->selectionModel();
    selection->clearSelection();
    for (std::int32_t row : rows) {
        selection->select(ListOf(editor)->model()->index(row - 1, 0),
                          QItemSelectionModel::Select | QItemSelectionModel::Rows);
    }
}

void EditorFixture::clickRow(std::int32_t row) {
    selectRows({row});
    editor_->LV_ItemClick(row);
}

QTableView* ListOf(const frmList& editor) {
    return editor.findChild<QTableView*>(QStringLiteral("LV"));
}

RowColour RowColourOf(const frmList& editor, std::int32_t row) {
    return qobject_cast<const TitleListModel*>(ListOf(editor)->model())->colour(row);
}

QWidget* FindWindowOf(const frmList& editor) {
    return editor.findChild<QWidget*>(QStringLiteral("frmFind"));
}

} // namespace cuemark::testing

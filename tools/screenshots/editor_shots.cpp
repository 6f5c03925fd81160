#include "tools/screenshots/editor_shots.h"

#include <QItemSelectionModel>
#include <QLineEdit>
#include <QTabBar>
#include <QTableView>

#include "app/main_window/frm_cuemark.h"
#include "app/dialogs/frm_edit.h"
#include "app/editor/frm_list.h"
#include "app/dialogs/frm_shift.h"
#include "app/dialogs/frm_stretch.h"
#include "app/desktop/keyvane_settings.h"
#include "tools/screenshots/save_shot.h"

namespace cuemark::shots {

namespace {

void SelectOnly(frmList& editor, std::int32_t row) {
    auto* list = editor.findChild<QTableView*>(QStringLiteral("LV"));
    list->selectionModel()->setCurrentIndex(list->model()->index(row - 1, 0),
                                            QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
}

} // namespace

bool TakeEditorShots(frmCuemark& window, const QString& folder) {
    // As a returning user has it: a wide Text column.
    window.settings().SetDword("ListCol1", 5200);
    window.cmdEdit_Click();
    auto* editor = dynamic_cast<frmList*>(window.editor());
    if (!editor) return false;
    editor->setGeometry(window.x() + 300, window.y() + 60, 800, 400);
    // A user's work in progress: two titles moved, the stretch marks on 2 and 8.
    SelectOnly(*editor, 4);
    editor->RunCommand("Later");
    SelectOnly(*editor, 6);
    editor->RunCommand("Longer");
    SelectOnly(*editor, 2);
    editor->mnuTimeFirst_Click();
    SelectOnly(*editor, 8);
    editor->mnuTimeSecond_Click();
    SelectOnly(*editor, 5);
    bool ok = Save(*editor, folder, "editor.png");

    {
        frmEdit dialog(*editor);
        dialog.show();
        ok &= Save(dialog, folder, "edit-title.png");
        dialog.reject();
    }
    {
        frmShift dialog(*editor);
        dialog.findChild<QLineEdit*>("txtSec")->setText("2.500");
        dialog.show();
        ok &= Save(dialog, folder, "shift.png");
        dialog.reject();
    }
    {
        frmStretch dialog(*editor);
        dialog.show();
        static const char* const names[] = {"stretch-by-title.png", "stretch-amount.png", "stretch-frame-rate.png"};
        for (int tab = 0; tab < 3; ++tab) {
            dialog.findChild<QTabBar*>("TS")->setCurrentIndex(tab);
            dialog.TS_Click();
            ok &= Save(dialog, folder, names[tab]);
        }
        dialog.reject();
    }
    editor->RunCommand("Find");
    if (auto* find = editor->findChild<QWidget*>(QStringLiteral("frmFind"))) {
        find->findChild<QLineEdit*>("txtFind")->setText("the clock");
        find->move(editor->x() + 60, editor->y() + 200);
        ok &= Save(*find, folder, "find.png");
    }
    editor->close();
    return ok;
}

} // namespace cuemark::shots

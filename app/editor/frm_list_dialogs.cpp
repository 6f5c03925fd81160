// The editor's dialogs, opened from its commands and menus.
#include "app/main_window/frm_cuemark.h"
#include "app/dialogs/frm_edit.h"
#include "app/editor/frm_find.h"
#include "app/editor/frm_list.h"
#include "app/dialogs/frm_shift.h"
#include "app/dialogs/frm_stretch.h"

namespace cuemark {

void frmList::OpenTitleEditor() {
    if (CurrentRow() == 0) return;
    frmEdit dialog(*this);
    main_.services().RunModal(dialog);
}

void frmList::OpenShiftDialog() {
    frmShift dialog(*this);
    main_.services().RunModal(dialog);
}

void frmList::OpenStretchDialog() {
    frmStretch dialog(*this);
    main_.services().RunModal(dialog);
}

void frmList::ShowFind() {
    if (!find_) find_ = new frmFind(*this, this);
    find_->show();
    find_->raise();
    // It hides itself when it loses activation, so it must have it first.
    find_->activateWindow();
}

void AdjustByMarkedTitles(frmCuemark& main) {
    if (auto* editor = dynamic_cast<frmList*>(main.editor())) AdjustByReferences(*editor);
}

EditorLink* OpenEditor(frmCuemark& main) {
    auto* editor = new frmList(main);
    editor->show();
    return editor;
}

void InstallEditor(frmCuemark& main) {
    main.editorFactory = OpenEditor;
    main.adjustByReferences = AdjustByMarkedTitles;
}

} // namespace cuemark

// The editor's dialogs, opened from its commands and menus, and what they
// reach of the program through the editor.
#include "app/main_window/frm_cuemark.h"
#include "app/dialogs/frm_edit.h"
#include "app/editor/frm_find.h"
#include "app/editor/frm_list.h"
#include "app/dialogs/frm_shift.h"
#include "app/dialogs/frm_stretch.h"
#include "app/dialogs/frm_sync.h"

namespace cuemark {

SUBTITLES& frmList::store() {
    return main_.Subt;
}

WindowServices& frmList::services() {
    return main_.services();
}

KeyvaneSettings& frmList::settings() {
    return main_.settings();
}

void frmList::markSubtitlesChanged() {
    main_.setSubtitlesChanged(true);
}

std::string frmList::filmPath() const {
    return main_.filmPath();
}

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

void frmList::OpenSyncDialog() {
    SyncToAudio(*this);
}

void frmList::StretchToReferences(double firstTime, double secondTime) {
    AdjustByReferences(*this, firstTime, secondTime);
}

void frmList::ShowFind() {
    if (!find_) find_ = new frmFind(*this, this);
    find_->show();
    find_->raise();
    // It hides itself when it loses activation, so it must have it first.
    find_->activateWindow();
}

// Only an open editor knows which titles are marked.
void AdjustByMarkedTitles(frmCuemark& main) {
    if (EditorLink* editor = main.editor()) editor->StretchToReferences(main.FirstRefTime, main.SecondRefTime);
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

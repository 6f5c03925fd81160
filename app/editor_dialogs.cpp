// The editor's dialogs, opened from its commands and menus.
#include "app/frm_cuemark.h"
#include "app/frm_list.h"

namespace cuemark {

void frmList::OpenTitleEditor() {}
void frmList::OpenShiftDialog() {}
void frmList::OpenStretchDialog() {}
void frmList::ShowFind() {}

} // namespace cuemark

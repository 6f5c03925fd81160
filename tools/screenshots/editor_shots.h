#pragma once
// The editor's pictures: the list with marks and changed rows, and its
// edit, shift, stretch (each tab) and find dialogs.

#include <QString>

namespace cuemark {
class frmCuemark;
}

namespace cuemark::shots {

bool TakeEditorShots(frmCuemark& window, const QString& folder);

} // namespace cuemark::shots

#pragma once
// What the main window asks of a person beyond the engine's seam: the open
// dialogs. The Qt implementation shows real dialogs; tests queue answers and
// record every text shown.

#include <optional>
#include <string>

#include "subtitles/user_seam.h"

class QDialog;
class QFont;

namespace cuemark {

struct OpenFileRequest {
    std::string fileName; // the name to start from (extension already cut off)
    std::string filter;   // "Description|*.a;*.b|Description|*.c"
    std::string title;
    bool fileMustExist = false;
    bool hideReadOnly = true;
};

class WindowServices : public UserSeam {
public:
    // The chosen file's full path, or nothing when the user cancelled.
    virtual std::optional<std::string> ShowOpen(const OpenFileRequest& request) = 0;
    // Shows a dialog modally and returns when it has closed. Tests drive the
    // dialog here instead of waiting for a person.
    virtual void RunModal(QDialog& dialog) = 0;
    // The font dialog, starting from `current`; nothing when cancelled.
    virtual std::optional<QFont> ChooseFont(const QFont& current) = 0;
};

} // namespace cuemark

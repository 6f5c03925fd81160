#pragma once
// What the main window asks of a person beyond the engine's seam: the open
// dialogs. The Qt implementation shows real dialogs; tests queue answers and
// record every text shown.

#include <optional>
#include <string>

#include "subtitles/user_seam.h"

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
};

} // namespace cuemark

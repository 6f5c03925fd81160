#pragma once
// The text of the boxes that show a time (the main window's time and
// selection boxes, the editor's Start cells, the shift and stretch fields).

#include <string>

namespace cuemark {

// Time text for a box; empty for a time too large to write.
std::string TimeBoxText(double t);

} // namespace cuemark

#pragma once
// The editor toolbar's pictures, drawn here so the program needs no files.

#include <QIcon>

namespace cuemark {

constexpr int ToolbarPictureSize = 24;

// The picture of the button with this key ("Undo", "Find"...); an empty
// icon for an unknown key.
QIcon ToolbarPicture(const char* key);

} // namespace cuemark

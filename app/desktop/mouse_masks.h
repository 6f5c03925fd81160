#pragma once
// Mouse buttons and modifier keys as the window's handlers take them:
// buttons 1 left, 2 right, 4 middle; shift 1 Shift, 2 Control, 4 Alt.

#include <Qt>

namespace cuemark {

int MouseButtonMask(Qt::MouseButtons buttons);
int ShiftMask(Qt::KeyboardModifiers modifiers);

} // namespace cuemark

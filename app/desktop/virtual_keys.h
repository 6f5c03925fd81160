#pragma once
// Key codes as the action key holds them: Windows virtual-key codes, mapped
// from Qt's keys so the key picker's names and stored habits keep meaning.

#include <cstdint>
#include <string>

class QKeyEvent;

namespace cuemark {

// The virtual-key code of a key event, or 0 for a key without one.
std::int16_t VirtualKeyOf(const QKeyEvent& event);
// The name the key box shows for a code: "Space", "Shift", "Control",
// "Lt Alt", "Rt Alt", or "[code]".
std::string KeyName(std::int16_t keyCode);

} // namespace cuemark

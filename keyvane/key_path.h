#pragma once
// Splitting a key path such as "HKCU\Software\Tavrel\Cuemark" into a
// predefined root and the sub-key below it.

#include <optional>
#include <string>
#include <string_view>

#include "platform/registry.h"

namespace keyvane {

struct KeyPath {
    HKEY root = 0;
    std::string subKey; // empty: the root key itself
};

// The root names in the order they are tried; the first one found anywhere
// in the path wins, so "HKCU" beats a later "HKEY_CURRENT_USER" or "HKLM".
struct RootName {
    std::string_view name;
    HKEY root;
};
inline constexpr RootName rootNames[] = {
    {"HKCU", HKEY_CURRENT_USER},   {"HKEY_CURRENT_USER", HKEY_CURRENT_USER},
    {"HKLM", HKEY_LOCAL_MACHINE},  {"HKEY_LOCAL_MACHINE", HKEY_LOCAL_MACHINE},
    {"HKCR", HKEY_CLASSES_ROOT},   {"HKEY_CLASSES_ROOT", HKEY_CLASSES_ROOT},
    {"HKCC", HKEY_CURRENT_CONFIG}, {"HKEY_CURRENT_CONFIG", HKEY_CURRENT_CONFIG},
    {"HKU", HKEY_USERS},           {"HKEY_USERS", HKEY_USERS},
};

// Empty when the path holds none of the root names (compared with case).
std::optional<KeyPath> splitKeyPath(std::string_view path);

} // namespace keyvane

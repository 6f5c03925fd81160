#pragma once
// Where the registry store file lives and how it comes into being.

#include <string>

namespace platform::registry {

// $KEYVANE_REGISTRY when set and not empty, else
// $XDG_CONFIG_HOME/keyvane/registry.sqlite3, with ~/.config in place of a
// missing or relative XDG_CONFIG_HOME. Empty when no home can be found.
// Writes into out so that the check done on every call reuses its buffer.
void storeLocation(std::string& out);

// Creates the missing folders above the file (mode 0700) and the file itself
// (empty, mode 0600) unless it exists. False with errno set on failure.
bool createStoreFile(const std::string& file);

} // namespace platform::registry

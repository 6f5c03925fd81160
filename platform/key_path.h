#pragma once
// Key and value names as the registry takes them.

#include "platform/registry.h"

#include <cstddef>
#include <string_view>
#include <vector>

namespace platform::registry {

// Windows refuses key trees deeper than this; so do we, which also bounds
// the work one create call can cause.
constexpr size_t kMaxKeyDepth = 512;

// Splits a sub-key path at its backslashes. Empty levels (a leading, a
// trailing or a doubled backslash) are skipped, so "\\a\\\\b\\" names a\b and
// a path of backslashes only names the key itself. A null path counts as
// empty. ERROR_INVALID_PARAMETER for a level longer than REG_MAX_KEY_NAME or
// a path deeper than kMaxKeyDepth.
LSTATUS splitSubKey(const char* subKey, std::vector<std::string_view>& levels);

// A null value name is the empty name, the key's default value.
// ERROR_INVALID_PARAMETER for a name longer than REG_MAX_VALUE_NAME.
LSTATUS valueName(const char* name, std::string_view& out);

} // namespace platform::registry

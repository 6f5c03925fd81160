#include "platform/key_path.h"

#include <cstring>

namespace platform::registry {

LSTATUS splitSubKey(const char* subKey, std::vector<std::string_view>& levels) {
    levels.clear();
    if (subKey == nullptr) return ERROR_SUCCESS;
    const std::string_view path(subKey);
    size_t start = 0;
    while (start <= path.size()) {
        size_t end = path.find('\\', start);
        if (end == std::string_view::npos) end = path.size();
        if (end > start) {
            if (end - start > REG_MAX_KEY_NAME || levels.size() == kMaxKeyDepth) return ERROR_INVALID_PARAMETER;
            levels.push_back(path.substr(start, end - start));
        }
        start = end + 1;
    }
    return ERROR_SUCCESS;
}

LSTATUS valueName(const char* name, std::string_view& out) {
    out = name == nullptr ? std::string_view() : std::string_view(name);
    return out.size() > REG_MAX_VALUE_NAME ? ERROR_INVALID_PARAMETER : ERROR_SUCCESS;
}

} // namespace platform::registry

// Any bytes as a key path: the split must not read outside them, and what
// it gives back must come from them.

#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "keyvane/key_path.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view path(reinterpret_cast<const char*>(data), size);
    const auto split = keyvane::splitKeyPath(path);
    bool anyName = false;
    bool rootNamed = false;
    for (const auto& entry : keyvane::rootNames) {
        if (path.find(entry.name) != std::string_view::npos) {
            anyName = true;
            rootNamed = rootNamed || (split && entry.root == split->root);
        }
    }
    if (split.has_value() != anyName || (split && !rootNamed)) {
        std::abort();
    }
    if (split && !split->subKey.empty() &&
        (split->subKey.size() >= size || !path.ends_with(split->subKey) ||
         path[size - split->subKey.size() - 1] != '\\')) {
        std::abort();
    }
    return 0;
}

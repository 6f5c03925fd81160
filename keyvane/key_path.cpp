#include "keyvane/key_path.h"

namespace keyvane {

std::optional<KeyPath> splitKeyPath(std::string_view path) {
    for (const RootName& entry : rootNames) {
        const std::size_t at = path.find(entry.name);
        if (at == std::string_view::npos) {
            continue;
        }
        KeyPath split;
        split.root = entry.root;
        // The backslash search starts at the name itself, so whatever
        // precedes the root name never reaches the sub-key.
        const std::size_t slash = path.find('\\', at);
        if (slash != std::string_view::npos) {
            split.subKey.assign(path.substr(slash + 1));
        }
        return split;
    }
    return std::nullopt;
}

} // namespace keyvane

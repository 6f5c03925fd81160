#include "keyvane/registry_key.h"

#include "keyvane/key_path.h"

namespace keyvane {

OpenedKey::~OpenedKey() {
    if (handle_ != 0) {
        RegCloseKey(handle_);
    }
}

OpenedKey openKey(std::string_view path, REGSAM rights) {
    const auto split = splitKeyPath(path);
    if (!split) {
        return {};
    }
    HKEY key = 0;
    if (RegOpenKeyExA(split->root, split->subKey.c_str(), 0, rights, &key) != ERROR_SUCCESS) {
        return {};
    }
    return OpenedKey(key);
}

OpenedKey createKey(std::string_view path) {
    const auto split = splitKeyPath(path);
    if (!split) {
        return {};
    }
    char emptyClass[] = "";
    HKEY key = 0;
    DWORD disposition = 0;
    if (RegCreateKeyExA(split->root, split->subKey.c_str(), 0, emptyClass, REG_OPTION_NON_VOLATILE, createRights,
                        nullptr, &key, &disposition) != ERROR_SUCCESS) {
        return {};
    }
    return OpenedKey(key);
}

} // namespace keyvane

#include "keyvane/name_list.h"

#include <algorithm>
#include <cstdint>

namespace keyvane {

bool acceptsNames(const SAFEARRAY* names) {
    return names != nullptr && names->cDims == 1 && names->cbElements == sizeof(BSTR) && names->pvData != nullptr &&
           names->cLocks == 0;
}

bool storeNames(HKEY key, SAFEARRAY* names, NameKind kind) {
    BSTR* elements = static_cast<BSTR*>(names->pvData);
    const std::uint32_t count = names->rgsabound[0].cElements;
    char buffer[longestListedName + 1];
    for (std::uint32_t index = 0; index < count; ++index) {
        DWORD length = sizeof buffer;
        const LSTATUS status = kind == NameKind::subKeys
                                   ? RegEnumKeyExA(key, index, buffer, &length, nullptr, nullptr, nullptr, nullptr)
                                   : RegEnumValueA(key, index, buffer, &length, nullptr, nullptr, nullptr, nullptr);
        if (status == ERROR_NO_MORE_ITEMS) {
            break;
        }
        if (status == ERROR_INVALID_HANDLE || status == ERROR_KEY_DELETED) {
            // Every further index would fail the same way: no key was listed.
            return false;
        }
        if (status != ERROR_SUCCESS) {
            continue;
        }
        BSTR name = SysAllocStringByteLen(buffer, std::min<DWORD>(length, longestListedName));
        if (name == nullptr) {
            return false;
        }
        BSTR old = elements[index];
        elements[index] = name;
        SysFreeString(old);
    }
    return true;
}

} // namespace keyvane

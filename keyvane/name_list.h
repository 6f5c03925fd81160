#pragma once
// Listing sub-key or value names into a caller's array of strings.

#include "platform/automation.h"
#include "platform/registry.h"

namespace keyvane {

enum class NameKind { subKeys, values };

// Names longer than this are skipped, not cut.
inline constexpr DWORD longestListedName = 255;

// Only a one-dimensional, unlocked array with data and string-pointer-sized
// elements receives names; anything else is left untouched.
bool acceptsNames(const SAFEARRAY* names);

// Holds the array locked for one listing call.
class ArrayLock {
public:
    explicit ArrayLock(SAFEARRAY* names) : names_(SafeArrayLock(names) == S_OK ? names : nullptr) {}
    ~ArrayLock() {
        if (names_) {
            SafeArrayUnlock(names_);
        }
    }
    ArrayLock(const ArrayLock&) = delete;
    ArrayLock& operator=(const ArrayLock&) = delete;
    explicit operator bool() const { return names_ != nullptr; }

private:
    SAFEARRAY* names_;
};

// Puts the key's names into the elements in storage order, from the first,
// replacing and freeing what was there. An index the key cannot name
// leaves its element as it was; elements past the last name keep theirs.
// False when the handle is no key or a string cannot be allocated.
bool storeNames(HKEY key, SAFEARRAY* names, NameKind kind);

} // namespace keyvane

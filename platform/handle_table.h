#pragma once
// The table of open keys behind the 32-bit HKEY numbers handed out.

#include "platform/registry.h"

#include <cstdint>
#include <unordered_map>

namespace platform::registry {

using KeyId = int64_t;

struct OpenKey {
    KeyId key;
    REGSAM rights;
};

class HandleTable {
public:
    // A fresh number: never 0, never one of the predefined roots, and not
    // reused until the numbering wraps, so a stale handle finds nothing.
    HKEY issue(KeyId key, REGSAM rights);
    const OpenKey* find(HKEY handle) const;
    bool close(HKEY handle);
    void clear();

private:
    std::unordered_map<HKEY, OpenKey> open_;
    HKEY next_ = kFirst;

    static constexpr HKEY kFirst = 0x100;
    static constexpr HKEY kStep = 4;
    static constexpr HKEY kLast = 0x7FFFFF00; // below the predefined roots at 0x80000000
};

} // namespace platform::registry

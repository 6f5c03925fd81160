#pragma once
// Opening keys by key path for the length of one call.

#include <string_view>
#include <utility>

#include "platform/registry.h"

namespace keyvane {

// Rights of the writers and of RegVBOpenKey: read, set values, create sub-keys.
inline constexpr REGSAM createRights = KEY_READ | KEY_SET_VALUE | KEY_CREATE_SUB_KEY;

// Owns a key handle and closes it when it goes; 0 means no key.
class OpenedKey {
public:
    OpenedKey() = default;
    explicit OpenedKey(HKEY handle) : handle_(handle) {}
    OpenedKey(OpenedKey&& other) noexcept : handle_(std::exchange(other.handle_, 0)) {}
    OpenedKey& operator=(OpenedKey&& other) noexcept {
        std::swap(handle_, other.handle_);
        return *this;
    }
    OpenedKey(const OpenedKey&) = delete;
    OpenedKey& operator=(const OpenedKey&) = delete;
    ~OpenedKey();

    HKEY get() const { return handle_; }
    explicit operator bool() const { return handle_ != 0; }
    // Hands the handle to the caller, who closes it.
    HKEY release() { return std::exchange(handle_, 0); }

private:
    HKEY handle_ = 0;
};

// An existing key; no key when the path does not split or the key cannot
// be opened with these rights.
OpenedKey openKey(std::string_view path, REGSAM rights);

// The key, created with every missing key above it when needed.
OpenedKey createKey(std::string_view path);

} // namespace keyvane

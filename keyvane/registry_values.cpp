#include "keyvane/registry_values.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <memory>

namespace keyvane {
namespace {

bool isText(DWORD type) {
    return type == REG_SZ || type == REG_EXPAND_SZ;
}

std::int32_t clampCount(DWORD count) {
    return static_cast<std::int32_t>(
        std::min<DWORD>(count, static_cast<DWORD>(std::numeric_limits<std::int32_t>::max())));
}

} // namespace

std::optional<std::string> readText(HKEY key, const char* name) {
    // Most settings texts fit the first buffer, which saves the separate
    // size query; a longer one is read again into a buffer of its size.
    BYTE first[512];
    std::unique_ptr<BYTE[]> larger;
    BYTE* data = first;
    DWORD type = REG_NONE;
    DWORD size = sizeof first;
    LSTATUS status = RegQueryValueExA(key, name, nullptr, &type, data, &size);
    if (status == ERROR_MORE_DATA && isText(type)) {
        larger = std::make_unique<BYTE[]>(size);
        data = larger.get();
        status = RegQueryValueExA(key, name, nullptr, &type, data, &size);
    }
    // A value that grew between the two queries counts as unreadable.
    if (status != ERROR_SUCCESS || size == 0 || !isText(type)) {
        return std::nullopt;
    }
    const char* bytes = reinterpret_cast<const char*>(data);
    const void* nul = std::memchr(bytes, '\0', size);
    const std::size_t length = nul ? static_cast<std::size_t>(static_cast<const char*>(nul) - bytes) : size;
    return std::string(bytes, length);
}

std::optional<std::int32_t> readNumber(HKEY key, const char* name) {
    // One query does for type, size and data: a value larger than the
    // buffer comes back as ERROR_MORE_DATA, a smaller one with its size.
    DWORD type = REG_NONE;
    BYTE data[4] = {};
    DWORD size = sizeof data;
    if (RegQueryValueExA(key, name, nullptr, &type, data, &size) != ERROR_SUCCESS || type != REG_DWORD || size != 4) {
        return std::nullopt;
    }
    const std::uint32_t bits = static_cast<std::uint32_t>(data[0]) | static_cast<std::uint32_t>(data[1]) << 8 |
                               static_cast<std::uint32_t>(data[2]) << 16 | static_cast<std::uint32_t>(data[3]) << 24;
    return static_cast<std::int32_t>(bits);
}

bool writeText(HKEY key, const char* name, const char* text) {
    const std::size_t length = std::strlen(text);
    if (length >= std::numeric_limits<DWORD>::max()) {
        return false;
    }
    return RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text), static_cast<DWORD>(length + 1)) ==
           ERROR_SUCCESS;
}

bool writeNumber(HKEY key, const char* name, std::int32_t number) {
    const auto bits = static_cast<std::uint32_t>(number);
    const BYTE data[4] = {static_cast<BYTE>(bits), static_cast<BYTE>(bits >> 8), static_cast<BYTE>(bits >> 16),
                          static_cast<BYTE>(bits >> 24)};
    return RegSetValueExA(key, name, 0, REG_DWORD, data, sizeof data) == ERROR_SUCCESS;
}

std::int32_t valueType(HKEY key, const char* name) {
    DWORD type = REG_NONE;
    if (RegQueryValueExA(key, name, nullptr, &type, nullptr, nullptr) != ERROR_SUCCESS) {
        return 0;
    }
    return static_cast<std::int32_t>(type);
}

std::int32_t countSubKeys(HKEY key) {
    DWORD subKeys = 0;
    if (RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, &subKeys, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                         nullptr) != ERROR_SUCCESS) {
        return -1;
    }
    return clampCount(subKeys);
}

std::int32_t countValues(HKEY key) {
    DWORD values = 0;
    if (RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &values, nullptr, nullptr, nullptr,
                         nullptr) != ERROR_SUCCESS) {
        return -1;
    }
    return clampCount(values);
}

} // namespace keyvane

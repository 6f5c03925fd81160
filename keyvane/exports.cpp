// The C interface of libkeyvane.so. Each export unwraps its by-address
// arguments, does its one operation through the core and turns every
// failure, thrown ones included, into its failure result.

#include "keyvane/keyvane.h"

#include <algorithm>
#include <atomic>
#include <limits>
#include <optional>
#include <string>
#include <string_view>

#include "keyvane/name_list.h"
#include "keyvane/registry_key.h"
#include "keyvane/registry_values.h"
#include "keyvane/string_match.h"
#include "platform/store_problem.h"

using namespace keyvane;

namespace {

constexpr std::string_view keyNotFound = "Key Not Found";
constexpr std::int32_t truth = -1;

std::atomic<std::int16_t> matchLevel{static_cast<std::int16_t>(defaultMatchLevel)};

// Each call works on its own copy of the caller's path.
std::optional<std::string> pathCopy(const char* const* path) {
    if (path == nullptr || *path == nullptr) {
        return std::nullopt;
    }
    return std::string(*path);
}

// A null text pointer stands for the empty text; a null address for no argument.
const char* textOf(const char* const* text) {
    if (text == nullptr) {
        return nullptr;
    }
    return *text != nullptr ? *text : "";
}

HKEY handleOf(const std::uint32_t* key) {
    return key != nullptr ? *key : 0;
}

BSTR newString(std::string_view text) {
    if (text.size() > std::numeric_limits<std::uint32_t>::max()) {
        return nullptr;
    }
    return SysAllocStringByteLen(text.data(), static_cast<std::uint32_t>(text.size()));
}

BSTR fallbackText(const char* const* fallback) {
    if (fallback != nullptr && *fallback != nullptr) {
        return newString(*fallback);
    }
    return newString(keyNotFound);
}

OpenedKey openPath(const char* const* path, REGSAM rights) {
    const auto copy = pathCopy(path);
    return copy ? openKey(*copy, rights) : OpenedKey();
}

OpenedKey createPath(const char* const* path) {
    const auto copy = pathCopy(path);
    return copy ? createKey(*copy) : OpenedKey();
}

template <class Result, class Operation>
Result guarded(Result failure, Operation operation) noexcept {
    try {
        return operation();
    } catch (...) {
        return failure;
    }
}

std::int32_t getNumber(HKEY key, const char* const* name, std::int32_t fallback) {
    const char* valueName = textOf(name);
    if (key == 0 || valueName == nullptr) {
        return fallback;
    }
    return readNumber(key, valueName).value_or(fallback);
}

// Nothing when the value cannot be read as text; the caller falls back to the default.
BSTR getText(HKEY key, const char* const* name) {
    const char* valueName = textOf(name);
    if (key == 0 || valueName == nullptr) {
        return nullptr;
    }
    const auto text = readText(key, valueName);
    return text ? newString(*text) : nullptr;
}

std::int32_t setNumber(HKEY key, const char* const* name, const std::int32_t* number) {
    const char* valueName = textOf(name);
    return key != 0 && valueName != nullptr && number != nullptr && writeNumber(key, valueName, *number) ? truth : 0;
}

std::int32_t setText(HKEY key, const char* const* name, const char* const* text) {
    const char* valueName = textOf(name);
    const char* value = textOf(text);
    return key != 0 && valueName != nullptr && value != nullptr && writeText(key, valueName, value) ? truth : 0;
}

std::int32_t typeOf(HKEY key, const char* const* name) {
    const char* valueName = textOf(name);
    return key != 0 && valueName != nullptr ? valueType(key, valueName) : 0;
}

// Check, lock, open, list, and unlock on every way out.
template <class Open>
std::int32_t listNames(SAFEARRAY* const* names, NameKind kind, Open open) {
    SAFEARRAY* array = names != nullptr ? *names : nullptr;
    if (!acceptsNames(array)) {
        return 0;
    }
    const ArrayLock lock(array);
    if (!lock) {
        return 0;
    }
    const auto key = open();
    if (key == 0) {
        return 0;
    }
    return storeNames(key, array, kind) ? truth : 0;
}

// The key at path is opened only once the array has been accepted and locked.
std::int32_t listNamesAt(const char* const* path, SAFEARRAY* const* names, NameKind kind) {
    return guarded(0, [&] {
        OpenedKey key;
        return listNames(names, kind, [&] {
            key = openPath(path, KEY_READ);
            return key.get();
        });
    });
}

std::int32_t listNamesOf(const std::uint32_t* key, SAFEARRAY* const* names, NameKind kind) {
    return guarded(0, [&] { return listNames(names, kind, [&] { return handleOf(key); }); });
}

// A count of the key at path or behind a handle; -1 when there is no such key.
std::int32_t countAt(const char* const* path, std::int32_t (*count)(HKEY)) {
    return guarded(-1, [&] {
        const OpenedKey key = openPath(path, KEY_READ);
        return key ? count(key.get()) : -1;
    });
}

std::int32_t countOf(const std::uint32_t* key, std::int32_t (*count)(HKEY)) {
    return guarded(-1, [&] { return handleOf(key) != 0 ? count(handleOf(key)) : -1; });
}

} // namespace

extern "C" {

std::int32_t RegGetDwordValue(const char* const* path, const char* const* name, const std::int32_t* defaultNumber) {
    const std::int32_t fallback = defaultNumber != nullptr ? *defaultNumber : 0;
    return guarded(fallback, [&] {
        const OpenedKey key = openPath(path, KEY_READ);
        return getNumber(key.get(), name, fallback);
    });
}

std::int32_t RegGetDwordValueH(const std::uint32_t* key, const char* const* name, const std::int32_t* defaultNumber) {
    const std::int32_t fallback = defaultNumber != nullptr ? *defaultNumber : 0;
    return guarded(fallback, [&] { return getNumber(handleOf(key), name, fallback); });
}

BSTR RegGetStringValue(const char* const* path, const char* const* name, const char* const* defaultText) {
    BSTR result = guarded<BSTR>(nullptr, [&] {
        const OpenedKey key = openPath(path, KEY_READ);
        return getText(key.get(), name);
    });
    return result != nullptr ? result : fallbackText(defaultText);
}

BSTR RegGetStringValueH(const std::uint32_t* key, const char* const* name, const char* const* defaultText) {
    BSTR result = guarded<BSTR>(nullptr, [&] { return getText(handleOf(key), name); });
    return result != nullptr ? result : fallbackText(defaultText);
}

std::int32_t RegGetSubKeyNames(const char* const* path, SAFEARRAY* const* names) {
    return listNamesAt(path, names, NameKind::subKeys);
}

std::int32_t RegGetSubKeyNamesH(const std::uint32_t* key, SAFEARRAY* const* names) {
    return listNamesOf(key, names, NameKind::subKeys);
}

std::int32_t RegGetValueNames(const char* const* path, SAFEARRAY* const* names) {
    return listNamesAt(path, names, NameKind::values);
}

std::int32_t RegGetValueNamesH(const std::uint32_t* key, SAFEARRAY* const* names) {
    return listNamesOf(key, names, NameKind::values);
}

std::int32_t RegGetnSubKeys(const char* const* path) {
    return countAt(path, countSubKeys);
}

std::int32_t RegGetnSubKeysH(const std::uint32_t* key) {
    return countOf(key, countSubKeys);
}

std::int32_t RegGetnValues(const char* const* path) {
    return countAt(path, countValues);
}

std::int32_t RegGetnValuesH(const std::uint32_t* key) {
    return countOf(key, countValues);
}

std::int32_t RegSetDwordValue(const char* const* path, const char* const* name, const std::int32_t* number) {
    return guarded(0, [&] {
        const OpenedKey key = createPath(path);
        return setNumber(key.get(), name, number);
    });
}

std::int32_t RegSetDwordValueH(const std::uint32_t* key, const char* const* name, const std::int32_t* number) {
    return guarded(0, [&] { return setNumber(handleOf(key), name, number); });
}

std::int32_t RegSetStringValue(const char* const* path, const char* const* name, const char* const* text) {
    return guarded(0, [&] {
        const OpenedKey key = createPath(path);
        return setText(key.get(), name, text);
    });
}

std::int32_t RegSetStringValueH(const std::uint32_t* key, const char* const* name, const char* const* text) {
    return guarded(0, [&] { return setText(handleOf(key), name, text); });
}

void RegVBCloseKey(const std::uint32_t* key) {
    if (handleOf(key) != 0) {
        RegCloseKey(*key);
    }
}

std::int32_t RegVBDeleteKey(const char* const* path, const char* const* childName) {
    return guarded(0, [&] {
        const char* child = textOf(childName);
        // An empty name would address the opened key itself, not a child of it.
        if (child == nullptr || *child == '\0') {
            return 0;
        }
        const OpenedKey key = openPath(path, KEY_ALL_ACCESS);
        return key && RegDeleteKeyA(key.get(), child) == ERROR_SUCCESS ? truth : 0;
    });
}

std::int32_t RegVBDeleteValue(const char* const* path, const char* const* name) {
    return guarded(0, [&] {
        const char* valueName = textOf(name);
        if (valueName == nullptr) {
            return 0;
        }
        const OpenedKey key = openPath(path, KEY_ALL_ACCESS);
        return key && RegDeleteValueA(key.get(), valueName) == ERROR_SUCCESS ? truth : 0;
    });
}

std::uint32_t RegVBOpenKey(const char* const* path) {
    return guarded<std::uint32_t>(0, [&] { return createPath(path).release(); });
}

std::int32_t RegValueType(const char* const* path, const char* const* name) {
    return guarded(0, [&] {
        const OpenedKey key = openPath(path, KEY_READ);
        return typeOf(key.get(), name);
    });
}

std::int32_t RegValueTypeH(const std::uint32_t* key, const char* const* name) {
    return guarded(0, [&] { return typeOf(handleOf(key), name); });
}

BSTR RegStoreProblem(const std::int32_t* forWriting) {
    return guarded<BSTR>(nullptr, [&] {
        const DWORD writing = forWriting != nullptr && *forWriting != 0 ? 1 : 0;
        std::string text(512, '\0');
        DWORD length = RegDescribeStoreProblemA(writing, text.data(), static_cast<DWORD>(text.size()));
        if (length >= text.size()) {
            // A long path: once more with room for all of it.
            text.assign(std::size_t{length} + 1, '\0');
            length = std::min(length, RegDescribeStoreProblemA(writing, text.data(), static_cast<DWORD>(text.size())));
        }
        text.resize(length);
        return newString(text);
    });
}

std::int32_t StringMatch(const char* text, const char* phrase) {
    if (text == nullptr || phrase == nullptr) {
        return 0;
    }
    return guarded(0, [&] { return stringMatch(text, phrase, matchLevel.load()) ? truth : 0; });
}

void StringMatchLevel(const std::int16_t* level) {
    if (level != nullptr) {
        matchLevel.store(*level);
    }
}

} // extern "C"

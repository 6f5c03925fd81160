// The registry functions: argument checks, handles and rights here, the key
// tree itself in KeyStore. One mutex serialises every call of the process.
#include "platform/registry.h"

#include "platform/api_export.h"
#include "platform/handle_table.h"
#include "platform/key_path.h"
#include "platform/key_store.h"
#include "platform/registry_test_support.h"
#include "platform/store_location.h"
#include "platform/store_problem.h"

#include <algorithm>
#include <cstring>
#include <mutex>
#include <pthread.h>
#include <string>
#include <string_view>
#include <vector>

using namespace platform::registry;

namespace {

constexpr REGSAM kDeleteRight = 0x00010000; // DELETE among the standard rights
// Deleting a sub-key is a change like any other: a handle opened only for
// reading may not do it.
constexpr REGSAM kDeleteKeyRights = KEY_SET_VALUE | KEY_CREATE_SUB_KEY | kDeleteRight;
constexpr size_t kFileTimeBytes = 8; // FILETIME; this store keeps no write times

struct Registry {
    Registry();

    std::mutex mutex;
    KeyStore store;
    HandleTable handles;
    std::string location;
};

Registry& registry() {
    static Registry instance;
    return instance;
}

Registry::Registry() {
    // A forked child must not use or close the parent's SQLite connection;
    // holding the mutex across fork() also keeps it from being copied mid-call.
    pthread_atfork([] { registry().mutex.lock(); }, [] { registry().mutex.unlock(); },
                   [] {
                       registry().store.abandon();
                       registry().mutex.unlock();
                   });
}

struct Target {
    KeyId key;
    REGSAM rights;
};

// A sub-key path below a handle, as far as it exists: key is the deepest key
// found and found the number of levels that exist.
struct Path {
    Target target{};
    std::vector<std::string_view> levels;
    KeyId key = 0;
    size_t found = 0;
};

KeyId predefinedRoot(HKEY handle) {
    switch (handle) {
    case HKEY_CLASSES_ROOT: return kClassesRootId;
    case HKEY_CURRENT_USER: return kCurrentUserId;
    case HKEY_LOCAL_MACHINE: return kLocalMachineId;
    case HKEY_USERS: return kUsersId;
    case HKEY_CURRENT_CONFIG: return kCurrentConfigId;
    default: return 0;
    }
}

// One registry call: holds the mutex and follows KEYVANE_REGISTRY, so that a
// program (or test) that points it elsewhere gets the other store at once.
class Call {
public:
    Call() : registry_(registry()), lock_(registry_.mutex) {
        storeLocation(registry_.location);
        if (registry_.store.useLocation(registry_.location)) registry_.handles.clear();
    }

    KeyStore& store() { return registry_.store; }
    HandleTable& handles() { return registry_.handles; }

    LSTATUS resolve(HKEY handle, Target& target) const {
        if (const KeyId root = predefinedRoot(handle); root != 0) {
            target = {root, KEY_ALL_ACCESS};
            return ERROR_SUCCESS;
        }
        const OpenKey* open = registry_.handles.find(handle);
        if (open == nullptr) return ERROR_INVALID_HANDLE;
        target = {open->key, open->rights};
        return ERROR_SUCCESS;
    }

    // The same, refusing a handle opened without any of the rights needed.
    LSTATUS resolve(HKEY handle, REGSAM needed, Target& target) const {
        const LSTATUS status = resolve(handle, target);
        if (status != ERROR_SUCCESS) return status;
        return (target.rights & needed) == 0 ? ERROR_ACCESS_DENIED : ERROR_SUCCESS;
    }

    // Inside a transaction: the handle's key still exists.
    LSTATUS alive(const Target& target) {
        LSTATUS status = ERROR_SUCCESS;
        if (store().keyExists(target.key, status)) return ERROR_SUCCESS;
        return status != ERROR_SUCCESS ? status : ERROR_KEY_DELETED;
    }

    // Resolves the handle and follows subKey down from it without writing;
    // ERROR_FILE_NOT_FOUND when a level is missing.
    LSTATUS follow(HKEY handle, const char* subKey, Path& path) {
        LSTATUS status = resolve(handle, path.target);
        if (status == ERROR_SUCCESS) status = splitSubKey(subKey, path.levels);
        if (status != ERROR_SUCCESS) return status;
        path.key = path.target.key;
        // A root is there even when the store file is missing or unreadable.
        if (path.levels.empty() && isRootKey(path.key)) return ERROR_SUCCESS;
        return readAlive(path.target, [&] { return walk(path.levels, path.key, path.found); });
    }

    // Runs step in one read transaction, once the handle's key is known to
    // be still there.
    template <typename Step>
    LSTATUS readAlive(const Target& target, Step&& step) {
        return store().read([&]() -> LSTATUS {
            const LSTATUS status = alive(target);
            return status != ERROR_SUCCESS ? status : step();
        });
    }

    // The same in one write transaction.
    template <typename Step>
    LSTATUS writeAlive(bool createIfAbsent, const Target& target, Step&& step) {
        return store().write(createIfAbsent, [&]() -> LSTATUS {
            const LSTATUS status = alive(target);
            return status != ERROR_SUCCESS ? status : step();
        });
    }

    // Inside a transaction: follows levels down from key. On
    // ERROR_FILE_NOT_FOUND, key is the deepest key found and found the
    // number of levels that exist.
    LSTATUS walk(const std::vector<std::string_view>& levels, KeyId& key, size_t& found) {
        for (found = 0; found < levels.size(); ++found) {
            KeyId child = 0;
            const LSTATUS status = store().findChild(key, levels[found], child);
            if (status != ERROR_SUCCESS) return status;
            key = child;
        }
        return ERROR_SUCCESS;
    }

private:
    Registry& registry_;
    std::lock_guard<std::mutex> lock_;
};

void writeEmptyClass(char* lpClass, DWORD* lpcchClass) {
    if (lpClass != nullptr && *lpcchClass > 0) lpClass[0] = '\0';
    if (lpcchClass != nullptr) *lpcchClass = 0;
}

void writeNoTime(void* lpftLastWriteTime) {
    if (lpftLastWriteTime != nullptr) std::memset(lpftLastWriteTime, 0, kFileTimeBytes);
}

// Copies a name with its NUL; ERROR_MORE_DATA when it does not fit, leaving
// the buffer and its size alone.
LSTATUS copyName(const std::string& name, char* buffer, DWORD* chars) {
    if (name.size() >= *chars) return ERROR_MORE_DATA;
    std::memcpy(buffer, name.data(), name.size());
    buffer[name.size()] = '\0';
    *chars = static_cast<DWORD>(name.size());
    return ERROR_SUCCESS;
}

// Hands out value data the way RegQueryValueEx does: the size always, the
// bytes when a buffer is given and large enough.
LSTATUS copyData(const std::string& data, BYTE* lpData, DWORD* lpcbData) {
    const auto size = static_cast<DWORD>(data.size());
    if (lpData != nullptr) {
        if (*lpcbData < size) {
            *lpcbData = size;
            return ERROR_MORE_DATA;
        }
        std::memcpy(lpData, data.data(), size);
    }
    if (lpcbData != nullptr) *lpcbData = size;
    return ERROR_SUCCESS;
}

// What the two enumerations share: the handle, the argument checks (with
// the call's own buffer-without-size check), and the entry's name copied out.
// find reads the entry at the index into name, inside one read transaction.
template <typename Find>
LSTATUS enumerateEntry(HKEY handle, REGSAM needed, char* buffer, DWORD* chars, DWORD* lpReserved,
                       bool bufferWithoutSize, Find&& find) {
    Call call;
    Target target{};
    LSTATUS status = call.resolve(handle, needed, target);
    if (status != ERROR_SUCCESS) return status;
    if (buffer == nullptr || chars == nullptr || lpReserved != nullptr || bufferWithoutSize)
        return ERROR_INVALID_PARAMETER;

    std::string name;
    status = call.readAlive(target, [&] { return find(call.store(), target.key, name); });
    return status == ERROR_SUCCESS ? copyName(name, buffer, chars) : status;
}

} // namespace

PLATFORM_API LSTATUS RegOpenKeyExA(HKEY hKey, const char* lpSubKey, DWORD /*ulOptions*/, REGSAM samDesired,
                                   HKEY* phkResult) {
    if (phkResult == nullptr) return ERROR_INVALID_PARAMETER;
    *phkResult = 0;
    Call call;
    Path path;
    const LSTATUS status = call.follow(hKey, lpSubKey, path);
    if (status != ERROR_SUCCESS) return status;
    *phkResult = call.handles().issue(path.key, samDesired);
    return ERROR_SUCCESS;
}

PLATFORM_API LSTATUS RegCreateKeyExA(HKEY hKey, const char* lpSubKey, DWORD /*Reserved*/, char* /*lpClass*/,
                                     DWORD dwOptions, REGSAM samDesired, const void* /*lpSecurityAttributes*/,
                                     HKEY* phkResult, DWORD* lpdwDisposition) {
    if (phkResult == nullptr || lpSubKey == nullptr) return ERROR_INVALID_PARAMETER;
    *phkResult = 0;
    // Volatile keys and links have no meaning in a file store.
    if (dwOptions != REG_OPTION_NON_VOLATILE) return ERROR_INVALID_PARAMETER;
    Call call;
    Path path;
    // Most calls find the key already there and need no write at all.
    LSTATUS status = call.follow(hKey, lpSubKey, path);
    DWORD disposition = REG_OPENED_EXISTING_KEY;
    if (status == ERROR_FILE_NOT_FOUND) {
        if ((path.target.rights & KEY_CREATE_SUB_KEY) == 0) return ERROR_ACCESS_DENIED;
        status = call.writeAlive(true, path.target, [&]() -> LSTATUS {
            // Again inside the write: another process may have added levels.
            path.key = path.target.key;
            LSTATUS step = call.walk(path.levels, path.key, path.found);
            if (step != ERROR_FILE_NOT_FOUND) return step;
            for (; path.found < path.levels.size(); ++path.found) {
                step = call.store().insertChild(path.key, path.levels[path.found], path.key);
                if (step != ERROR_SUCCESS) return step;
            }
            disposition = REG_CREATED_NEW_KEY;
            return ERROR_SUCCESS;
        });
    }
    if (status != ERROR_SUCCESS) return status;
    *phkResult = call.handles().issue(path.key, samDesired);
    if (lpdwDisposition != nullptr) *lpdwDisposition = disposition;
    return ERROR_SUCCESS;
}

PLATFORM_API LSTATUS RegQueryValueExA(HKEY hKey, const char* lpValueName, DWORD* lpReserved, DWORD* lpType,
                                      BYTE* lpData, DWORD* lpcbData) {
    Call call;
    Target target{};
    LSTATUS status = call.resolve(hKey, KEY_QUERY_VALUE, target);
    if (status != ERROR_SUCCESS) return status;
    if (lpReserved != nullptr || (lpData != nullptr && lpcbData == nullptr)) return ERROR_INVALID_PARAMETER;
    std::string_view name;
    if ((status = valueName(lpValueName, name)) != ERROR_SUCCESS) return status;

    DWORD type = REG_NONE;
    std::string data;
    status = call.readAlive(target, [&] { return call.store().getValue(target.key, name, type, data); });
    if (status != ERROR_SUCCESS) return status;
    if (lpType != nullptr) *lpType = type;
    return copyData(data, lpData, lpcbData);
}

PLATFORM_API LSTATUS RegSetValueExA(HKEY hKey, const char* lpValueName, DWORD /*Reserved*/, DWORD dwType,
                                    const BYTE* lpData, DWORD cbData) {
    Call call;
    Target target{};
    LSTATUS status = call.resolve(hKey, KEY_SET_VALUE, target);
    if (status != ERROR_SUCCESS) return status;
    if (lpData == nullptr && cbData != 0) return ERROR_INVALID_PARAMETER;
    std::string_view name;
    if ((status = valueName(lpValueName, name)) != ERROR_SUCCESS) return status;

    return call.writeAlive(true, target,
                           [&] { return call.store().setValue(target.key, name, dwType, lpData, cbData); });
}

PLATFORM_API LSTATUS RegQueryInfoKeyA(HKEY hKey, char* lpClass, DWORD* lpcchClass, DWORD* lpReserved, DWORD* lpcSubKeys,
                                      DWORD* lpcbMaxSubKeyLen, DWORD* lpcbMaxClassLen, DWORD* lpcValues,
                                      DWORD* lpcbMaxValueNameLen, DWORD* lpcbMaxValueLen, DWORD* lpcbSecurityDescriptor,
                                      void* lpftLastWriteTime) {
    Call call;
    Target target{};
    LSTATUS status = call.resolve(hKey, KEY_QUERY_VALUE, target);
    if (status != ERROR_SUCCESS) return status;
    if (lpReserved != nullptr || (lpClass != nullptr && lpcchClass == nullptr)) return ERROR_INVALID_PARAMETER;

    KeyInfo info;
    status = call.readAlive(target, [&] { return call.store().keyInfo(target.key, info); });
    if (status != ERROR_SUCCESS) return status;
    writeEmptyClass(lpClass, lpcchClass);
    if (lpcSubKeys != nullptr) *lpcSubKeys = info.subKeys;
    if (lpcbMaxSubKeyLen != nullptr) *lpcbMaxSubKeyLen = info.maxSubKeyLen;
    if (lpcbMaxClassLen != nullptr) *lpcbMaxClassLen = 0;
    if (lpcValues != nullptr) *lpcValues = info.values;
    if (lpcbMaxValueNameLen != nullptr) *lpcbMaxValueNameLen = info.maxValueNameLen;
    if (lpcbMaxValueLen != nullptr) *lpcbMaxValueLen = info.maxValueLen;
    if (lpcbSecurityDescriptor != nullptr) *lpcbSecurityDescriptor = 0;
    writeNoTime(lpftLastWriteTime);
    return ERROR_SUCCESS;
}

PLATFORM_API LSTATUS RegEnumKeyExA(HKEY hKey, DWORD dwIndex, char* lpName, DWORD* lpcchName, DWORD* lpReserved,
                                   char* lpClass, DWORD* lpcchClass, void* lpftLastWriteTime) {
    const LSTATUS status = enumerateEntry(
        hKey, KEY_ENUMERATE_SUB_KEYS, lpName, lpcchName, lpReserved, lpClass != nullptr && lpcchClass == nullptr,
        [&](KeyStore& store, KeyId key, std::string& name) { return store.childAt(key, dwIndex, name); });
    if (status != ERROR_SUCCESS) return status;
    writeEmptyClass(lpClass, lpcchClass);
    writeNoTime(lpftLastWriteTime);
    return ERROR_SUCCESS;
}

PLATFORM_API LSTATUS RegEnumValueA(HKEY hKey, DWORD dwIndex, char* lpValueName, DWORD* lpcchValueName,
                                   DWORD* lpReserved, DWORD* lpType, BYTE* lpData, DWORD* lpcbData) {
    DWORD type = REG_NONE;
    std::string data;
    const LSTATUS status = enumerateEntry(
        hKey, KEY_QUERY_VALUE, lpValueName, lpcchValueName, lpReserved, lpData != nullptr && lpcbData == nullptr,
        [&](KeyStore& store, KeyId key, std::string& name) { return store.valueAt(key, dwIndex, name, type, data); });
    if (status != ERROR_SUCCESS) return status;
    if (lpType != nullptr) *lpType = type;
    return copyData(data, lpData, lpcbData);
}

PLATFORM_API LSTATUS RegDeleteValueA(HKEY hKey, const char* lpValueName) {
    Call call;
    Target target{};
    LSTATUS status = call.resolve(hKey, KEY_SET_VALUE, target);
    if (status != ERROR_SUCCESS) return status;
    std::string_view name;
    if ((status = valueName(lpValueName, name)) != ERROR_SUCCESS) return status;

    return call.writeAlive(false, target, [&] { return call.store().deleteValue(target.key, name); });
}

PLATFORM_API LSTATUS RegDeleteKeyA(HKEY hKey, const char* lpSubKey) {
    if (lpSubKey == nullptr) return ERROR_INVALID_PARAMETER;
    Call call;
    Target target{};
    LSTATUS status = call.resolve(hKey, kDeleteKeyRights, target);
    if (status != ERROR_SUCCESS) return status;
    std::vector<std::string_view> levels;
    if ((status = splitSubKey(lpSubKey, levels)) != ERROR_SUCCESS) return status;
    // An empty sub-key names the handle's own key; a root is never deleted.
    if (levels.empty() && isRootKey(target.key)) return ERROR_ACCESS_DENIED;

    return call.writeAlive(false, target, [&]() -> LSTATUS {
        KeyId key = target.key;
        size_t found = 0;
        LSTATUS step = call.walk(levels, key, found);
        if (step != ERROR_SUCCESS) return step;
        bool children = false;
        if ((step = call.store().hasChildren(key, children)) != ERROR_SUCCESS) return step;
        return children ? ERROR_ACCESS_DENIED : call.store().deleteKey(key);
    });
}

PLATFORM_API LSTATUS RegCloseKey(HKEY hKey) {
    if (predefinedRoot(hKey) != 0) return ERROR_SUCCESS;
    Call call;
    return call.handles().close(hKey) ? ERROR_SUCCESS : ERROR_INVALID_HANDLE;
}

PLATFORM_API DWORD RegDescribeStoreProblemA(DWORD forWriting, char* buffer, DWORD size) {
    Call call;
    const std::string text = call.store().describeProblem(forWriting != 0);
    if (buffer != nullptr && size > 0) {
        const size_t copied = std::min<size_t>(text.size(), size - 1);
        std::memcpy(buffer, text.data(), copied);
        buffer[copied] = '\0';
    }
    return static_cast<DWORD>(text.size());
}

// Not PLATFORM_API: only programs linking platform_registry_static see it.
extern "C" void RegPlatformResetForTests(void) {
    Registry& state = registry();
    const std::lock_guard<std::mutex> lock(state.mutex);
    state.store.reset();
    state.handles.clear();
}

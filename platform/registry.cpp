// The registry functions: argument checks, handles and rights here, the key
// tree itself in KeyStore. One mutex serialises every call of the process.
#include "platform/registry.h"

#include "platform/api_export.h"
#include "platform/handle_table.h"
#include "platform/key_path.h"
#include "platform/key_store.h"
#include "platform/registry_test_support.h"
#include "platform/store_location.h"

#include <cstring>
#include <mutex>
#include <pthread.h>
#include <string>
#include <string_view>
#include <vector>

using namespace platform::registry;

namespace {

constexpr REGSAM kDeleteRight = 0x00010000;  // DELETE among the standard rights
// Deleting a sub-key is a change like any other: a handle opened only for
// reading may not do it.
constexpr REGSAM kDeleteKeyRights = KEY_SET_VALUE | KEY_CREATE_SUB_KEY | kDeleteRight;
constexpr size_t kFileTimeBytes = 8;  // FILETIME; this store keeps no write times

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

}  // namespace

PLATFORM_API LSTATUS RegOpenKeyExA(HKEY hKey, const char* lpSubKey, DWORD /*ulOptions*/,
                                   REGSAM samDesired, HKEY* phkResult) {
    if (phkResult == nullptr) return ERROR_INVALID_PARAMETER;
    *phkResult = 0;
    Call call;
    Target target{};
    LSTATUS status = call.resolve(hKey, target);
    std::vector<std::string_view> levels;
    if (status == ERROR_SUCCESS) status = splitSubKey(lpSubKey, levels);
    if (status != ERROR_SUCCESS) return status;

    KeyId key = target.key;
    // A root is there even when the store file is missing or unreadable.
    if (!levels.empty() || !isRootKey(key)) {
        status = call.store().read([&]() -> LSTATUS {
            size_t found = 0;
            const LSTATUS alive = call.alive(target);
            return alive != ERROR_SUCCESS ? alive : call.walk(levels, key, found);
        });
        if (status != ERROR_SUCCESS) return status;
    }
    *phkResult = call.handles().issue(key, samDesired);
    return ERROR_SUCCESS;
}

PLATFORM_API LSTATUS RegCreateKeyExA(HKEY hKey, const char* lpSubKey, DWORD /*Reserved*/,
                                     char* /*lpClass*/, DWORD dwOptions, REGSAM samDesired,
                                     const void* /*lpSecurityAttributes*/, HKEY* phkResult,
                                     DWORD* lpdwDisposition) {
    if (phkResult == nullptr || lpSubKey == nullptr) return ERROR_INVALID_PARAMETER;
    *phkResult = 0;
    // Volatile keys and links have no meaning in a file store.
    if (dwOptions != REG_OPTION_NON_VOLATILE) return ERROR_INVALID_PARAMETER;
    Call call;
    Target target{};
    LSTATUS status = call.resolve(hKey, target);
    std::vector<std::string_view> levels;
    if (status == ERROR_SUCCESS) status = splitSubKey(lpSubKey, levels);
    if (status != ERROR_SUCCESS) return status;

    KeyId key = target.key;
    DWORD disposition = REG_OPENED_EXISTING_KEY;
    if (!levels.empty() || !isRootKey(key)) {
        // Most calls find the key already there and need no write at all.
        status = call.store().read([&]() -> LSTATUS {
            size_t found = 0;
            const LSTATUS alive = call.alive(target);
            return alive != ERROR_SUCCESS ? alive : call.walk(levels, key, found);
        });
        if (status == ERROR_FILE_NOT_FOUND) {
            if ((target.rights & KEY_CREATE_SUB_KEY) == 0) return ERROR_ACCESS_DENIED;
            status = call.store().write(true, [&]() -> LSTATUS {
                key = target.key;
                size_t found = 0;
                LSTATUS step = call.alive(target);
                if (step == ERROR_SUCCESS) step = call.walk(levels, key, found);
                if (step != ERROR_FILE_NOT_FOUND) return step;
                for (; found < levels.size(); ++found) {
                    step = call.store().insertChild(key, levels[found], key);
                    if (step != ERROR_SUCCESS) return step;
                }
                disposition = REG_CREATED_NEW_KEY;
                return ERROR_SUCCESS;
            });
        }
        if (status != ERROR_SUCCESS) return status;
    }
    *phkResult = call.handles().issue(key, samDesired);
    if (lpdwDisposition != nullptr) *lpdwDisposition = disposition;
    return ERROR_SUCCESS;
}

PLATFORM_API LSTATUS RegQueryValueExA(HKEY hKey, const char* lpValueName, DWORD* lpReserved,
                                      DWORD* lpType, BYTE* lpData, DWORD* lpcbData) {
    Call call;
    Target target{};
    LSTATUS status = call.resolve(hKey, KEY_QUERY_VALUE, target);
    if (status != ERROR_SUCCESS) return status;
    if (lpReserved != nullptr || (lpData != nullptr && lpcbData == nullptr))
        return ERROR_INVALID_PARAMETER;
    std::string_view name;
    if ((status = valueName(lpValueName, name)) != ERROR_SUCCESS) return status;

    DWORD type = REG_NONE;
    std::string data;
    status = call.store().read([&]() -> LSTATUS {
        const LSTATUS alive = call.alive(target);
        return alive != ERROR_SUCCESS ? alive : call.store().getValue(target.key, name, type, data);
    });
    if (status != ERROR_SUCCESS) return status;
    if (lpType != nullptr) *lpType = type;
    return copyData(data, lpData, lpcbData);
}

PLATFORM_API LSTATUS RegSetValueExA(HKEY hKey, const char* lpValueName, DWORD /*Reserved*/,
                                    DWORD dwType, const BYTE* lpData, DWORD cbData) {
    Call call;
    Target target{};
    LSTATUS status = call.resolve(hKey, KEY_SET_VALUE, target);
    if (status != ERROR_SUCCESS) return status;
    if (lpData == nullptr && cbData != 0) return ERROR_INVALID_PARAMETER;
    std::string_view name;
    if ((status = valueName(lpValueName, name)) != ERROR_SUCCESS) return status;

    return call.store().write(true, [&]() -> LSTATUS {
        const LSTATUS alive = call.alive(target);
        return alive != ERROR_SUCCESS ? alive
                                      : call.store().setValue(target.key, name, dwType, lpData, cbData);
    });
}

PLATFORM_API LSTATUS RegQueryInfoKeyA(HKEY hKey, char* lpClass, DWORD* lpcchClass,
                                      DWORD* lpReserved, DWORD* lpcSubKeys,
                                      DWORD* lpcbMaxSubKeyLen, DWORD* lpcbMaxClassLen,
                                      DWORD* lpcValues, DWORD* lpcbMaxValueNameLen,
                                      DWORD* lpcbMaxValueLen, DWORD* lpcbSecurityDescriptor,
                                      void* lpftLastWriteTime) {
    Call call;
    Target target{};
    LSTATUS status = call.resolve(hKey, KEY_QUERY_VALUE, target);
    if (status != ERROR_SUCCESS) return status;
    if (lpReserved != nullptr || (lpClass != nullptr && lpcchClass == nullptr))
        return ERROR_INVALID_PARAMETER;

    KeyInfo info;
    status = call.store().read([&]() -> LSTATUS {
        const LSTATUS alive = call.alive(target);
        return alive != ERROR_SUCCESS ? alive : call.store().keyInfo(target.key, info);
    });
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

PLATFORM_API LSTATUS RegEnumKeyExA(HKEY hKey, DWORD dwIndex, char* lpName, DWORD* lpcchName,
                                   DWORD* lpReserved, char* lpClass, DWORD* lpcchClass,
                                   void* lpftLastWriteTime) {
    Call call;
    Target target{};
    LSTATUS status = call.resolve(hKey, KEY_ENUMERATE_SUB_KEYS, target);
    if (status != ERROR_SUCCESS) return status;
    if (lpName == nullptr || lpcchName == nullptr || lpReserved != nullptr ||
        (lpClass != nullptr && lpcchClass == nullptr))
        return ERROR_INVALID_PARAMETER;

    std::string name;
    status = call.store().read([&]() -> LSTATUS {
        const LSTATUS alive = call.alive(target);
        return alive != ERROR_SUCCESS ? alive : call.store().childAt(target.key, dwIndex, name);
    });
    if (status == ERROR_SUCCESS) status = copyName(name, lpName, lpcchName);
    if (status != ERROR_SUCCESS) return status;
    writeEmptyClass(lpClass, lpcchClass);
    writeNoTime(lpftLastWriteTime);
    return ERROR_SUCCESS;
}

PLATFORM_API LSTATUS RegEnumValueA(HKEY hKey, DWORD dwIndex, char* lpValueName,
                                   DWORD* lpcchValueName, DWORD* lpReserved, DWORD* lpType,
                                   BYTE* lpData, DWORD* lpcbData) {
    Call call;
    Target target{};
    LSTATUS status = call.resolve(hKey, KEY_QUERY_VALUE, target);
    if (status != ERROR_SUCCESS) return status;
    if (lpValueName == nullptr || lpcchValueName == nullptr || lpReserved != nullptr ||
        (lpData != nullptr && lpcbData == nullptr))
        return ERROR_INVALID_PARAMETER;

    std::string name;
    DWORD type = REG_NONE;
    std::string data;
    status = call.store().read([&]() -> LSTATUS {
        const LSTATUS alive = call.alive(target);
        return alive != ERROR_SUCCESS ? alive
                                      : call.store().valueAt(target.key, dwIndex, name, type, data);
    });
    if (status == ERROR_SUCCESS) status = copyName(name, lpValueName, lpcchValueName);
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

    return call.store().write(false, [&]() -> LSTATUS {
        const LSTATUS alive = call.alive(target);
        return alive != ERROR_SUCCESS ? alive : call.store().deleteValue(target.key, name);
    });
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

    return call.store().write(false, [&]() -> LSTATUS {
        KeyId key = target.key;
        size_t found = 0;
        LSTATUS step = call.alive(target);
        if (step == ERROR_SUCCESS) step = call.walk(levels, key, found);
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

// Not PLATFORM_API: only programs linking platform_registry_static see it.
extern "C" void RegPlatformResetForTests(void) {
    Registry& state = registry();
    const std::lock_guard<std::mutex> lock(state.mutex);
    state.store.reset();
    state.handles.clear();
}

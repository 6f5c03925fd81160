// Test helper for the durability tests.
//   registry_writer rounds            writes rounds of durability values, carrying on
//                                     where an earlier, killed writer stopped; prints
//                                     "R" once the store exists and it starts writing;
//                                     runs until killed
//   registry_writer fill NAME COUNT   waits for a byte on stdin, then writes COUNT
//                                     numbered values; exit status 0 if all succeeded
#include "durability_pattern.h"
#include "platform/registry.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <unistd.h>

namespace {

constexpr REGSAM kCreateRights = KEY_READ | KEY_SET_VALUE | KEY_CREATE_SUB_KEY;

// The way keyvane writes: open or create the key, set, close.
LSTATUS writeByPath(const char* path, const std::string& name, DWORD type, const void* data, DWORD size) {
    HKEY key = 0;
    LSTATUS status = RegCreateKeyExA(HKEY_CURRENT_USER, path, 0, nullptr, REG_OPTION_NON_VOLATILE, kCreateRights,
                                     nullptr, &key, nullptr);
    if (status != ERROR_SUCCESS) return status;
    status = RegSetValueExA(key, name.c_str(), 0, type, static_cast<const BYTE*>(data), size);
    RegCloseKey(key);
    return status;
}

int storedRound(HKEY key, int index) {
    DWORD size = 0;
    const std::string name = durability::valueName(index);
    if (RegQueryValueExA(key, name.c_str(), nullptr, nullptr, nullptr, &size) != ERROR_SUCCESS) return 0;
    std::string data(size, '\0');
    if (RegQueryValueExA(key, name.c_str(), nullptr, nullptr, reinterpret_cast<BYTE*>(data.data()), &size) !=
        ERROR_SUCCESS)
        return 0;
    return durability::roundOf(data, index);
}

int writeRounds() {
    int round = 1;
    int index = 0;
    HKEY key = 0;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, durability::kKey, 0, KEY_READ, &key) == ERROR_SUCCESS) {
        const int first = storedRound(key, 0);
        if (first > 0) {
            index = 1;
            while (index < durability::kValues && storedRound(key, index) == first) ++index;
            round = index == durability::kValues ? first + 1 : first;
            if (index == durability::kValues) index = 0;
        }
        RegCloseKey(key);
    } else if (RegCreateKeyExA(HKEY_CURRENT_USER, durability::kKey, 0, nullptr, 0, kCreateRights, nullptr, &key,
                               nullptr) == ERROR_SUCCESS) {
        // Made the store (slow: the first commit is synced to disk) before
        // saying so, so a kill after "R" lands among the value writes.
        RegCloseKey(key);
    }
    if (write(STDOUT_FILENO, "R", 1) != 1) return 2;
    for (;; ++round, index = 0) {
        for (; index < durability::kValues; ++index) {
            const std::string value = durability::roundValue(round, index);
            const LSTATUS status = writeByPath(durability::kKey, durability::valueName(index), REG_SZ, value.c_str(),
                                               static_cast<DWORD>(value.size() + 1));
            if (status != ERROR_SUCCESS) {
                std::fprintf(stderr, "round %d value %d: error %d\n", round, index, status);
                return 1;
            }
        }
    }
}

int fill(const std::string& prefix, int count) {
    char go = 0;
    if (read(STDIN_FILENO, &go, 1) != 1) return 2;
    HKEY key = 0;
    LSTATUS status = RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\Race", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                                     nullptr);
    if (status != ERROR_SUCCESS) std::fprintf(stderr, "%s: the key cannot be made: error %d\n", prefix.c_str(), status);
    for (int i = 0; i < count && status == ERROR_SUCCESS; ++i) {
        const std::string name = prefix + "-" + std::to_string(i);
        const DWORD number = static_cast<DWORD>(i);
        // Half through a kept handle, half the way keyvane does it.
        status = i % 2 == 0 ? RegSetValueExA(key, name.c_str(), 0, REG_DWORD, reinterpret_cast<const BYTE*>(&number),
                                             sizeof number)
                            : writeByPath("Software\\Race", name, REG_DWORD, &number, sizeof number);
        if (status != ERROR_SUCCESS) std::fprintf(stderr, "%s: error %d\n", name.c_str(), status);
    }
    RegCloseKey(key);
    return status == ERROR_SUCCESS ? 0 : 1;
}

} // namespace

int main(int argc, char** argv) {
    if (argc == 2 && std::strcmp(argv[1], "rounds") == 0) return writeRounds();
    if (argc == 4 && std::strcmp(argv[1], "fill") == 0) return fill(argv[2], std::atoi(argv[3]));
    std::fprintf(stderr, "usage: registry_writer rounds | fill NAME COUNT\n");
    return 2;
}

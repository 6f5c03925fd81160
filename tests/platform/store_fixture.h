#pragma once
// Gives each test its own store file through KEYVANE_REGISTRY, in a fresh
// temporary folder that is removed afterwards.

#include "platform/registry.h"
#include "platform/registry_test_support.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

class StoreFixture : public ::testing::Test {
protected:
    void SetUp() override {
        std::string pattern = (std::filesystem::temp_directory_path() / "kvreg-XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        folder_ = pattern;
        file_ = folder_ / "store" / "registry.sqlite3";
        setenv("KEYVANE_REGISTRY", file_.c_str(), 1);
        RegPlatformResetForTests();
    }

    void TearDown() override {
        RegPlatformResetForTests();
        unsetenv("KEYVANE_REGISTRY");
        std::error_code ignored;
        std::filesystem::remove_all(folder_, ignored);
    }

    // A key under HKCU, created with every missing level.
    HKEY create(const char* path, REGSAM rights = KEY_ALL_ACCESS) {
        HKEY key = 0;
        DWORD disposition = 0;
        EXPECT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, path, 0, nullptr, REG_OPTION_NON_VOLATILE, rights, nullptr, &key,
                                  &disposition),
                  ERROR_SUCCESS)
            << path;
        return key;
    }

    static LSTATUS setString(HKEY key, const char* name, const std::string& text) {
        return RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                              static_cast<DWORD>(text.size() + 1));
    }

    static LSTATUS setDword(HKEY key, const char* name, DWORD number) {
        return RegSetValueExA(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&number), sizeof number);
    }

    // The names an enumeration hands out from index 0 on, read into a buffer
    // of bufferChars characters, until ERROR_NO_MORE_ITEMS; any other status
    // fails the test and ends the list.
    static std::vector<std::string> namesOf(
        const std::function<LSTATUS(DWORD index, char* name, DWORD* chars)>& enumerate, DWORD bufferChars) {
        std::vector<std::string> names;
        std::vector<char> name(bufferChars);
        for (DWORD index = 0;; ++index) {
            DWORD chars = bufferChars;
            const LSTATUS status = enumerate(index, name.data(), &chars);
            if (status != ERROR_SUCCESS) {
                EXPECT_EQ(status, ERROR_NO_MORE_ITEMS);
                break;
            }
            names.emplace_back(name.data(), chars);
        }
        return names;
    }

    // The stored bytes of a value, or "<error N>".
    static std::string bytesOf(HKEY key, const char* name, DWORD* type = nullptr) {
        DWORD size = 0;
        LSTATUS status = RegQueryValueExA(key, name, nullptr, type, nullptr, &size);
        if (status != ERROR_SUCCESS) return "<error " + std::to_string(status) + ">";
        std::string data(size, '\0');
        status = RegQueryValueExA(key, name, nullptr, type, reinterpret_cast<BYTE*>(data.data()), &size);
        if (status != ERROR_SUCCESS) return "<error " + std::to_string(status) + ">";
        data.resize(size);
        return data;
    }

    std::filesystem::path folder_;
    std::filesystem::path file_;
};

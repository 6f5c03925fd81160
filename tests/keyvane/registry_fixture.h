#pragma once
// Shared by the registry test programs: a store file of the process's own,
// set before the first registry call, and short forms of the exports.

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "keyvane/keyvane.h"
#include "platform/registry.h"

namespace keyvane_test {

class TemporaryRegistry : public ::testing::Environment {
public:
    void SetUp() override {
        char pattern[] = "/tmp/keyvane-test-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        folder_ = pattern;
        setenv("KEYVANE_REGISTRY", (folder_ / "registry.sqlite3").c_str(), 1);
    }
    void TearDown() override {
        std::error_code ignored;
        std::filesystem::remove_all(folder_, ignored);
    }

private:
    std::filesystem::path folder_;
};

// One test file per program, so one registration per process.
static ::testing::Environment* const temporaryRegistry = ::testing::AddGlobalTestEnvironment(new TemporaryRegistry);

// A key of the running test's own, so cases never see each other's values
// even when one process runs them all.
inline std::string testKey(const std::string& below = {}) {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    std::string key = std::string("HKCU\\Software\\KeyvaneTest\\") + info->test_suite_name() + "." + info->name();
    return below.empty() ? key : key + "\\" + below;
}

// Takes the string over and frees it.
inline std::string taken(BSTR s) {
    std::string text = s != nullptr ? std::string(s, SysStringByteLen(s)) : std::string("<null>");
    SysFreeString(s);
    return text;
}

inline std::string getString(const std::string& path, const char* name, const char* fallback) {
    const char* p = path.c_str();
    return taken(RegGetStringValue(&p, &name, &fallback));
}
inline std::int32_t getDword(const std::string& path, const char* name, std::int32_t fallback) {
    const char* p = path.c_str();
    return RegGetDwordValue(&p, &name, &fallback);
}
inline std::int32_t setString(const std::string& path, const char* name, const char* text) {
    const char* p = path.c_str();
    return RegSetStringValue(&p, &name, &text);
}
inline std::int32_t setDword(const std::string& path, const char* name, std::int32_t number) {
    const char* p = path.c_str();
    return RegSetDwordValue(&p, &name, &number);
}
inline std::int32_t subKeyCount(const std::string& path) {
    const char* p = path.c_str();
    return RegGetnSubKeys(&p);
}
inline std::int32_t valueCount(const std::string& path) {
    const char* p = path.c_str();
    return RegGetnValues(&p);
}
inline std::int32_t typeOf(const std::string& path, const char* name) {
    const char* p = path.c_str();
    return RegValueType(&p, &name);
}

} // namespace keyvane_test

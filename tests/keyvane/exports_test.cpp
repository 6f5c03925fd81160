#include <dlfcn.h>

#include <cstdint>
#include <cstdio>
#include <memory>
#include <set>
#include <sstream>
#include <string>

#include "registry_fixture.h"

namespace {

using namespace keyvane_test;

std::string commandOutput(const std::string& command) {
    std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen(command.c_str(), "r"), pclose);
    std::string output;
    if (!pipe) {
        return output;
    }
    char buffer[4096];
    while (const std::size_t got = std::fread(buffer, 1, sizeof buffer, pipe.get())) {
        output.append(buffer, got);
    }
    return output;
}

TEST(LibraryExports, AreExactlyTheCNamesOfItsHeader) {
    const std::string output = commandOutput(std::string("nm -D --defined-only ") + CUEMARK_BIN_DIR + "/libkeyvane.so");
    std::set<std::string> names;
    std::istringstream lines(output);
    std::string address, kind, name;
    while (lines >> address >> kind >> name) {
        names.insert(name);
    }
    const std::set<std::string> expected = {
        "RegGetDwordValue",   "RegGetDwordValueH", "RegGetStringValue", "RegGetStringValueH", "RegGetSubKeyNames",
        "RegGetSubKeyNamesH", "RegGetValueNames",  "RegGetValueNamesH", "RegGetnSubKeys",     "RegGetnSubKeysH",
        "RegGetnValues",      "RegGetnValuesH",    "RegSetDwordValue",  "RegSetDwordValueH",  "RegSetStringValue",
        "RegSetStringValueH", "RegStoreProblem",   "RegVBCloseKey",     "RegVBDeleteKey",     "RegVBDeleteValue",
        "RegVBOpenKey",       "RegValueType",      "RegValueTypeH",     "StringMatch",        "StringMatchLevel"};
    EXPECT_EQ(names, expected) << output;
}

TEST(LibraryExports, LoadByNameAndHandOutTheStringFreerOfTheirDependency) {
    // The program binds the library at run time and frees results with the
    // SysFreeString it finds through the same handle.
    void* library = dlopen((std::string(CUEMARK_BIN_DIR) + "/libkeyvane.so").c_str(), RTLD_NOW);
    ASSERT_NE(library, nullptr) << dlerror();
    using Read = BSTR (*)(const char* const*, const char* const*, const char* const*);
    using Free = void (*)(BSTR);
    auto read = reinterpret_cast<Read>(dlsym(library, "RegGetStringValue"));
    auto release = reinterpret_cast<Free>(dlsym(library, "SysFreeString"));
    ASSERT_NE(read, nullptr);
    ASSERT_NE(release, nullptr);
    const char* path = "HKCU\\Software\\Tavrel\\Cuemark";
    const char* name = "MRU";
    const char* fallback = "none";
    BSTR text = read(&path, &name, &fallback);
    EXPECT_EQ(std::string(text, SysStringByteLen(text)), "none");
    release(text);
    dlclose(library);
}

TEST(LibraryExports, PathFormsFailOnANullPathAddressOrPointer) {
    const char* none = nullptr;
    const char* name = "n";
    const std::int32_t number = 5;
    const char* text = "x";
    SAFEARRAY* names = SafeArrayCreateVector(VT_BSTR, 0, 1);
    const char* const* paths[] = {nullptr, &none};
    for (const char* const* path : paths) {
        SCOPED_TRACE(path == nullptr ? "null address" : "null pointer");
        EXPECT_EQ(RegGetDwordValue(path, &name, &number), 5);
        EXPECT_EQ(taken(RegGetStringValue(path, &name, &text)), "x");
        EXPECT_EQ(taken(RegGetStringValue(path, &name, nullptr)), "Key Not Found");
        EXPECT_EQ(RegGetSubKeyNames(path, &names), 0);
        EXPECT_EQ(RegGetValueNames(path, &names), 0);
        EXPECT_EQ(RegGetnSubKeys(path), -1);
        EXPECT_EQ(RegGetnValues(path), -1);
        EXPECT_EQ(RegSetDwordValue(path, &name, &number), 0);
        EXPECT_EQ(RegSetStringValue(path, &name, &text), 0);
        EXPECT_EQ(RegVBDeleteKey(path, &name), 0);
        EXPECT_EQ(RegVBDeleteValue(path, &name), 0);
        EXPECT_EQ(RegVBOpenKey(path), 0u);
        EXPECT_EQ(RegValueType(path, &name), 0);
    }
    EXPECT_EQ(names->cLocks, 0u);
    SafeArrayDestroy(names);
}

TEST(LibraryExports, PathFormsFailOnANullNameOrNumberAddress) {
    ASSERT_EQ(setDword(testKey(), "n", 9), -1);
    const std::string path = testKey();
    const char* p = path.c_str();
    const char* name = "n";
    const std::int32_t number = 5;
    EXPECT_EQ(RegGetDwordValue(&p, nullptr, &number), 5);
    EXPECT_EQ(RegGetDwordValue(&p, &name, nullptr), 9);
    EXPECT_EQ(RegGetDwordValue(&p, &name, &number), 9);
    EXPECT_EQ(taken(RegGetStringValue(&p, nullptr, nullptr)), "Key Not Found");
    EXPECT_EQ(RegSetDwordValue(&p, nullptr, &number), 0);
    EXPECT_EQ(RegSetDwordValue(&p, &name, nullptr), 0);
    EXPECT_EQ(RegSetStringValue(&p, &name, nullptr), 0);
    EXPECT_EQ(RegVBDeleteValue(&p, nullptr), 0);
    EXPECT_EQ(RegValueType(&p, nullptr), 0);
    EXPECT_EQ(getDword(testKey(), "n", 0), 9);
}

} // namespace

#include <cstdint>
#include <cstring>
#include <limits>
#include <string>

#include "platform/registry.h"
#include "registry_fixture.h"

namespace {

using namespace keyvane_test;

// Stores raw bytes of any type, as another program might have left them.
void storeRaw(const std::string& path, const char* name, DWORD type, const void* data, DWORD size) {
    const char* p = path.c_str();
    const std::uint32_t key = RegVBOpenKey(&p);
    ASSERT_NE(key, 0u);
    EXPECT_EQ(RegSetValueExA(key, name, 0, type, static_cast<const BYTE*>(data), size), ERROR_SUCCESS);
    RegVBCloseKey(&key);
}

TEST(RegistryPaths, ReadsBackWhatItWroteUnderTheProgramsKey) {
    const std::string program = "HKCU\\Software\\Tavrel\\Cuemark";
    ASSERT_EQ(setDword(program, "Width", 9120), -1);
    ASSERT_EQ(setString(program, "MRU", "/films/a.srt"), -1);
    EXPECT_EQ(getDword(program, "Width", 0), 9120);
    EXPECT_EQ(getString(program, "MRU", ""), "/films/a.srt");
}

TEST(RegistryPaths, FindsTheRootNameAnywhereInThePath) {
    ASSERT_EQ(setDword(testKey(), "n", 7), -1);
    EXPECT_EQ(getDword("My Computer\\" + testKey(), "n", 0), 7);
    EXPECT_EQ(getDword("HKEY_CURRENT_USER" + testKey().substr(4), "n", 0), 7);
}

TEST(RegistryPaths, TakesTheRootThatComesFirstInTheTable) {
    const std::string sub = "Software\\KeyvaneTest\\TableOrder";
    ASSERT_EQ(setDword("HKLM\\Ignored\\HKCU\\" + sub, "n", 5), -1);
    EXPECT_EQ(getDword("HKCU\\" + sub, "n", 0), 5);
    EXPECT_EQ(valueCount("HKLM\\Ignored"), -1);
}

TEST(RegistryPaths, KeepsTheRootsApart) {
    const std::string sub = "Software\\KeyvaneTest\\Roots";
    ASSERT_EQ(setDword("HKLM\\" + sub, "n", 1), -1);
    ASSERT_EQ(setDword("HKEY_USERS\\" + sub, "n", 2), -1);
    EXPECT_EQ(getDword("HKEY_LOCAL_MACHINE\\" + sub, "n", 0), 1);
    EXPECT_EQ(getDword("HKU\\" + sub, "n", 0), 2);
    EXPECT_EQ(getDword("HKCU\\" + sub, "n", 0), 0);
}

TEST(RegistryPaths, RefusesARootNameInLowerCase) {
    const std::string path = "hkcu\\Software\\KeyvaneTest\\Lower";
    EXPECT_EQ(getString(path, "t", "fallback"), "fallback");
    EXPECT_EQ(getDword(path, "n", 42), 42);
    EXPECT_EQ(setString(path, "t", "x"), 0);
    EXPECT_EQ(setDword(path, "n", 1), 0);
    EXPECT_EQ(subKeyCount(path), -1);
    EXPECT_EQ(valueCount(path), -1);
    EXPECT_EQ(typeOf(path, "n"), 0);
    const char* p = path.c_str();
    EXPECT_EQ(RegVBOpenKey(&p), 0u);
    EXPECT_EQ(valueCount("HKCU\\Software\\KeyvaneTest\\Lower"), -1);
}

TEST(RegistryPaths, WorksOnTheRootItselfWithoutASubKey) {
    ASSERT_EQ(setDword(testKey(), "n", 1), -1);
    const std::int32_t roots = subKeyCount("HKCU");
    EXPECT_GE(roots, 1);
    EXPECT_EQ(subKeyCount("HKCUSoftware"), roots);
    EXPECT_EQ(subKeyCount("HKCU\\"), roots);
    ASSERT_EQ(setDword("HKCC", "AtTheRoot", 3), -1);
    EXPECT_EQ(getDword("HKEY_CURRENT_CONFIG", "AtTheRoot", 0), 3);
}

TEST(RegistryPaths, CreatesEveryMissingKeyOnWrite) {
    ASSERT_EQ(valueCount(testKey()), -1);
    ASSERT_EQ(setString(testKey("a\\b\\c"), "t", "deep"), -1);
    EXPECT_EQ(subKeyCount(testKey()), 1);
    EXPECT_EQ(subKeyCount(testKey("a")), 1);
    EXPECT_EQ(subKeyCount(testKey("a\\b")), 1);
    EXPECT_EQ(getString(testKey("a\\b\\c"), "t", ""), "deep");
    ASSERT_EQ(setDword(testKey("d\\e"), "n", 1), -1);
    EXPECT_EQ(subKeyCount(testKey()), 2);
}

TEST(RegistryPaths, CreatesNothingOnReadCountOrType) {
    EXPECT_EQ(getString(testKey("x"), "t", "d"), "d");
    EXPECT_EQ(getDword(testKey("x"), "n", 9), 9);
    EXPECT_EQ(subKeyCount(testKey("x")), -1);
    EXPECT_EQ(typeOf(testKey("x"), "n"), 0);
    EXPECT_EQ(valueCount(testKey()), -1);
}

TEST(RegistryPaths, LeavesTheCallersPathAsItWas) {
    char path[] = "HKCU\\Software\\KeyvaneTest\\Unchanged\\Key";
    const std::string before = path;
    const char* p = path;
    const char* name = "n";
    const std::int32_t number = 1;
    ASSERT_EQ(RegSetDwordValue(&p, &name, &number), -1);
    RegGetDwordValue(&p, &name, &number);
    RegGetnSubKeys(&p);
    EXPECT_EQ(std::string(path), before);
    EXPECT_EQ(p, path);
}

TEST(RegistryTextRead, GivesAnEmptyStoredTextAndNotTheDefault) {
    ASSERT_EQ(setString(testKey(), "t", ""), -1);
    EXPECT_EQ(getString(testKey(), "t", "fallback"), "");
    EXPECT_EQ(getString(testKey(), "t", nullptr), "");
}

TEST(RegistryTextRead, GivesKeyNotFoundWithoutADefault) {
    EXPECT_EQ(getString(testKey(), "missing", nullptr), "Key Not Found");
    const std::string path = testKey();
    const char* p = path.c_str();
    const char* name = "missing";
    EXPECT_EQ(taken(RegGetStringValue(&p, &name, nullptr)), "Key Not Found");
}

TEST(RegistryTextRead, GivesAnEmptyDefaultAsGiven) {
    EXPECT_EQ(getString(testKey(), "missing", ""), "");
    ASSERT_EQ(setDword(testKey(), "n", 1), -1);
    EXPECT_EQ(getString(testKey(), "missing", ""), "");
    EXPECT_EQ(getString(testKey(), "missing", "Left"), "Left");
}

TEST(RegistryTextRead, GivesTheDefaultForANumberValue) {
    ASSERT_EQ(setDword(testKey(), "n", 640), -1);
    EXPECT_EQ(getString(testKey(), "n", "fallback"), "fallback");
    EXPECT_EQ(getString(testKey(), "n", nullptr), "Key Not Found");
}

TEST(RegistryTextRead, StopsAtTheFirstNulAndTakesUnterminatedTextWhole) {
    storeRaw(testKey(), "nul", REG_SZ, "ab\0cd", 6);
    storeRaw(testKey(), "open", REG_SZ, "abc", 3);
    storeRaw(testKey(), "none", REG_SZ, "", 0);
    EXPECT_EQ(getString(testKey(), "nul", "d"), "ab");
    EXPECT_EQ(getString(testKey(), "open", "d"), "abc");
    EXPECT_EQ(getString(testKey(), "none", "d"), "d");
}

TEST(RegistryTextRead, GivesExpandableTextAsStored) {
    storeRaw(testKey(), "path", REG_EXPAND_SZ, "%HOME%\\films", 13);
    EXPECT_EQ(getString(testKey(), "path", ""), "%HOME%\\films");
    storeRaw(testKey(), "multi", REG_MULTI_SZ, "a\0b\0", 5);
    EXPECT_EQ(getString(testKey(), "multi", "d"), "d");
}

TEST(RegistryTextRead, ReadsTheDefaultValueByAnEmptyOrNullName) {
    ASSERT_EQ(setString(testKey(), "", "unnamed"), -1);
    EXPECT_EQ(getString(testKey(), "", "d"), "unnamed");
    EXPECT_EQ(getString(testKey(), nullptr, "d"), "unnamed");
}

TEST(RegistryTextRead, ReadsTextsOfAnyLength) {
    for (const std::size_t length : {511u, 512u, 513u, 70000u}) {
        const std::string text(length, 'x');
        ASSERT_EQ(setString(testKey(), "t", text.c_str()), -1);
        EXPECT_EQ(getString(testKey(), "t", ""), text) << length;
    }
}

TEST(RegistryTextRead, KeepsBytesOfTheCodePage) {
    ASSERT_EQ(setString(testKey(), "t", "Caf\xE9 \x80\xFF"), -1);
    EXPECT_EQ(getString(testKey(), "t", ""), "Caf\xE9 \x80\xFF");
}

TEST(RegistryNumberRead, GivesTheDefaultForATextOfDigits) {
    ASSERT_EQ(setString(testKey(), "n", "640"), -1);
    EXPECT_EQ(getDword(testKey(), "n", -7), -7);
}

TEST(RegistryNumberRead, GivesTheDefaultForOtherFourByteTypes) {
    const BYTE bytes[4] = {1, 0, 0, 0};
    storeRaw(testKey(), "big", REG_DWORD_BIG_ENDIAN, bytes, 4);
    storeRaw(testKey(), "bin", REG_BINARY, bytes, 4);
    storeRaw(testKey(), "short", REG_DWORD, bytes, 3);
    EXPECT_EQ(getDword(testKey(), "big", -1), -1);
    EXPECT_EQ(getDword(testKey(), "bin", -1), -1);
    EXPECT_EQ(getDword(testKey(), "short", -1), -1);
}

TEST(RegistryNumberRead, KeepsEveryThirtyTwoBitNumber) {
    for (const std::int32_t n :
         {0, 1, -1, 640, std::numeric_limits<std::int32_t>::min(), std::numeric_limits<std::int32_t>::max()}) {
        ASSERT_EQ(setDword(testKey(), "n", n), -1);
        EXPECT_EQ(getDword(testKey(), "n", 12345), n);
    }
}

TEST(RegistryNumberRead, StoresLittleEndianFourBytes) {
    ASSERT_EQ(setDword(testKey(), "n", 0x01020304), -1);
    const std::string path = testKey();
    const char* p = path.c_str();
    const std::uint32_t key = RegVBOpenKey(&p);
    DWORD type = 0;
    BYTE data[8] = {};
    DWORD size = sizeof data;
    EXPECT_EQ(RegQueryValueExA(key, "n", nullptr, &type, data, &size), ERROR_SUCCESS);
    RegVBCloseKey(&key);
    EXPECT_EQ(type, static_cast<DWORD>(REG_DWORD));
    ASSERT_EQ(size, 4u);
    EXPECT_EQ(data[0], 4);
    EXPECT_EQ(data[3], 1);
}

TEST(RegistryNumberRead, GivesTheDefaultForAMissingKeyOrValue) {
    EXPECT_EQ(getDword(testKey(), "n", 77), 77);
    ASSERT_EQ(setDword(testKey(), "other", 1), -1);
    EXPECT_EQ(getDword(testKey(), "n", 78), 78);
}

TEST(RegistryWrite, StoresTextAsRegSzWithItsTerminator) {
    ASSERT_EQ(setString(testKey(), "t", "abc"), -1);
    const std::string path = testKey();
    const char* p = path.c_str();
    const std::uint32_t key = RegVBOpenKey(&p);
    DWORD type = 0;
    DWORD size = 0;
    EXPECT_EQ(RegQueryValueExA(key, "t", nullptr, &type, nullptr, &size), ERROR_SUCCESS);
    RegVBCloseKey(&key);
    EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(size, 4u);
}

TEST(RegistryWrite, ReplacesAValueWhateverItsFormerType) {
    ASSERT_EQ(setString(testKey(), "v", "text"), -1);
    ASSERT_EQ(setDword(testKey(), "v", 3), -1);
    EXPECT_EQ(typeOf(testKey(), "v"), REG_DWORD);
    EXPECT_EQ(getDword(testKey(), "v", 0), 3);
    ASSERT_EQ(setString(testKey(), "v", "again"), -1);
    EXPECT_EQ(typeOf(testKey(), "v"), REG_SZ);
    EXPECT_EQ(valueCount(testKey()), 1);
}

TEST(RegistryWrite, WritesANullTextPointerAsTheEmptyText) {
    ASSERT_EQ(setString(testKey(), "t", nullptr), -1);
    EXPECT_EQ(getString(testKey(), "t", "d"), "");
}

TEST(RegistryCount, CountsSubKeysAndValues) {
    ASSERT_EQ(setDword(testKey(), "a", 1), -1);
    ASSERT_EQ(setString(testKey(), "b", "x"), -1);
    ASSERT_EQ(setDword(testKey("one"), "a", 1), -1);
    ASSERT_EQ(setDword(testKey("two\\deeper"), "a", 1), -1);
    EXPECT_EQ(valueCount(testKey()), 2);
    EXPECT_EQ(subKeyCount(testKey()), 2);
    EXPECT_EQ(valueCount(testKey("two")), 0);
    EXPECT_EQ(subKeyCount(testKey("one")), 0);
    EXPECT_EQ(subKeyCount(testKey("missing")), -1);
}

TEST(RegistryValueType, GivesTheStoredTypeOrZero) {
    ASSERT_EQ(setDword(testKey(), "n", 1), -1);
    ASSERT_EQ(setString(testKey(), "t", "x"), -1);
    const BYTE bytes[2] = {1, 2};
    storeRaw(testKey(), "b", REG_BINARY, bytes, 2);
    EXPECT_EQ(typeOf(testKey(), "n"), REG_DWORD);
    EXPECT_EQ(typeOf(testKey(), "t"), REG_SZ);
    EXPECT_EQ(typeOf(testKey(), "b"), REG_BINARY);
    EXPECT_EQ(typeOf(testKey(), "missing"), 0);
    EXPECT_EQ(typeOf(testKey("missing"), "n"), 0);
}

TEST(RegistryDelete, DeletesAValueOnce) {
    ASSERT_EQ(setDword(testKey(), "n", 1), -1);
    ASSERT_EQ(setDword(testKey(), "kept", 2), -1);
    const std::string path = testKey();
    const char* p = path.c_str();
    const char* name = "n";
    EXPECT_EQ(RegVBDeleteValue(&p, &name), -1);
    EXPECT_EQ(RegVBDeleteValue(&p, &name), 0);
    EXPECT_EQ(getDword(testKey(), "n", -5), -5);
    EXPECT_EQ(getDword(testKey(), "kept", 0), 2);
}

TEST(RegistryDelete, DeletesAChildKeyButNotOneWithChildren) {
    ASSERT_EQ(setDword(testKey("leaf"), "n", 1), -1);
    ASSERT_EQ(setDword(testKey("branch\\leaf"), "n", 1), -1);
    const std::string path = testKey();
    const char* p = path.c_str();
    const char* leaf = "leaf";
    const char* branch = "branch";
    EXPECT_EQ(RegVBDeleteKey(&p, &leaf), -1);
    EXPECT_EQ(valueCount(testKey("leaf")), -1);
    EXPECT_EQ(RegVBDeleteKey(&p, &leaf), 0);
    EXPECT_EQ(RegVBDeleteKey(&p, &branch), 0);
    EXPECT_EQ(getDword(testKey("branch\\leaf"), "n", 0), 1);
}

TEST(RegistryDelete, RefusesAnEmptyChildName) {
    ASSERT_EQ(setDword(testKey(), "n", 1), -1);
    const std::string path = testKey();
    const char* p = path.c_str();
    const char* empty = "";
    const char* none = nullptr;
    EXPECT_EQ(RegVBDeleteKey(&p, &empty), 0);
    EXPECT_EQ(RegVBDeleteKey(&p, &none), 0);
    EXPECT_EQ(RegVBDeleteKey(&p, nullptr), 0);
    EXPECT_EQ(getDword(testKey(), "n", 0), 1);
}

TEST(RegistryDelete, FailsOnAMissingKeyOrUnknownRoot) {
    const char* name = "n";
    const char* missing = "HKCU\\Software\\KeyvaneTest\\Nowhere";
    const char* unknown = "hkcu\\Software";
    EXPECT_EQ(RegVBDeleteValue(&missing, &name), 0);
    EXPECT_EQ(RegVBDeleteKey(&missing, &name), 0);
    EXPECT_EQ(RegVBDeleteValue(&unknown, &name), 0);
    EXPECT_EQ(RegVBDeleteKey(&unknown, &name), 0);
}

} // namespace

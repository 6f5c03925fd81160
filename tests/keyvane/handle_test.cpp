#include <cstdint>
#include <string>

#include "registry_fixture.h"

namespace {

using namespace keyvane_test;

std::uint32_t openKey(const std::string& path) {
    const char* p = path.c_str();
    return RegVBOpenKey(&p);
}

TEST(RegistryHandles, OpenCreatesTheKeyAndTheHandleFormsWorkThroughIt) {
    const std::uint32_t key = openKey(testKey("made"));
    ASSERT_NE(key, 0u);
    EXPECT_EQ(valueCount(testKey("made")), 0);

    const char* number = "n";
    const char* text = "t";
    const std::int32_t seven = 7;
    const char* hello = "hello";
    EXPECT_EQ(RegSetDwordValueH(&key, &number, &seven), -1);
    EXPECT_EQ(RegSetStringValueH(&key, &text, &hello), -1);
    const std::int32_t fallback = 0;
    EXPECT_EQ(RegGetDwordValueH(&key, &number, &fallback), 7);
    EXPECT_EQ(taken(RegGetStringValueH(&key, &text, nullptr)), "hello");
    EXPECT_EQ(RegValueTypeH(&key, &number), REG_DWORD);
    EXPECT_EQ(RegGetnValuesH(&key), 2);
    EXPECT_EQ(RegGetnSubKeysH(&key), 0);
    RegVBCloseKey(&key);

    EXPECT_EQ(getDword(testKey("made"), "n", 0), 7);
    EXPECT_EQ(getString(testKey("made"), "t", ""), "hello");
}

TEST(RegistryHandles, OpenReachesAnExistingKeyAndTheRootItself) {
    ASSERT_EQ(setDword(testKey(), "n", 3), -1);
    const std::uint32_t key = openKey(testKey());
    ASSERT_NE(key, 0u);
    const char* name = "n";
    const std::int32_t fallback = 0;
    EXPECT_EQ(RegGetDwordValueH(&key, &name, &fallback), 3);
    RegVBCloseKey(&key);

    const std::uint32_t root = openKey("HKCU");
    ASSERT_NE(root, 0u);
    EXPECT_GE(RegGetnSubKeysH(&root), 1);
    RegVBCloseKey(&root);
}

TEST(RegistryHandles, OpenRefusesAPathWithoutAKnownRoot) {
    EXPECT_EQ(openKey("hkcu\\Software"), 0u);
    EXPECT_EQ(openKey("Software\\Tavrel"), 0u);
    EXPECT_EQ(RegVBOpenKey(nullptr), 0u);
    const char* none = nullptr;
    EXPECT_EQ(RegVBOpenKey(&none), 0u);
}

TEST(RegistryHandles, CloseLeavesTheCallersVariableAndAClosedHandleFailsCleanly) {
    std::uint32_t key = openKey(testKey());
    ASSERT_NE(key, 0u);
    const std::uint32_t held = key;
    RegVBCloseKey(&key);
    EXPECT_EQ(key, held);
    EXPECT_EQ(RegGetnValuesH(&key), -1);
    const char* name = "n";
    const std::int32_t one = 1;
    EXPECT_EQ(RegSetDwordValueH(&key, &name, &one), 0);
    EXPECT_EQ(taken(RegGetStringValueH(&key, &name, nullptr)), "Key Not Found");

    SAFEARRAY* names = SafeArrayCreateVector(VT_BSTR, 0, 2);
    EXPECT_EQ(RegGetValueNamesH(&key, &names), 0);
    EXPECT_EQ(RegGetSubKeyNamesH(&key, &names), 0);
    EXPECT_EQ(names->cLocks, 0u);
    SafeArrayDestroy(names);
}

TEST(RegistryHandles, EveryHandleFormFailsOnANullAddressOrAZeroHandle) {
    const std::uint32_t zero = 0;
    const char* name = "n";
    const char* text = "x";
    const std::int32_t fallback = 31;
    const char* fallbackText = "fallback";
    SAFEARRAY* names = SafeArrayCreateVector(VT_BSTR, 0, 2);
    for (const std::uint32_t* key : {static_cast<const std::uint32_t*>(nullptr), &zero}) {
        SCOPED_TRACE(key == nullptr ? "null address" : "zero handle");
        EXPECT_EQ(RegGetDwordValueH(key, &name, &fallback), 31);
        EXPECT_EQ(taken(RegGetStringValueH(key, &name, &fallbackText)), "fallback");
        EXPECT_EQ(taken(RegGetStringValueH(key, &name, nullptr)), "Key Not Found");
        EXPECT_EQ(RegGetSubKeyNamesH(key, &names), 0);
        EXPECT_EQ(RegGetValueNamesH(key, &names), 0);
        EXPECT_EQ(RegGetnSubKeysH(key), -1);
        EXPECT_EQ(RegGetnValuesH(key), -1);
        EXPECT_EQ(RegSetDwordValueH(key, &name, &fallback), 0);
        EXPECT_EQ(RegSetStringValueH(key, &name, &text), 0);
        EXPECT_EQ(RegValueTypeH(key, &name), 0);
        RegVBCloseKey(key);
    }
    EXPECT_EQ(names->cLocks, 0u);
    SafeArrayDestroy(names);
}

TEST(RegistryHandles, HandleFormsFailOnNullNameOrNumberAddresses) {
    const std::uint32_t key = openKey(testKey());
    ASSERT_NE(key, 0u);
    const char* name = "n";
    const std::int32_t one = 1;
    EXPECT_EQ(RegSetDwordValueH(&key, nullptr, &one), 0);
    EXPECT_EQ(RegSetDwordValueH(&key, &name, nullptr), 0);
    EXPECT_EQ(RegSetStringValueH(&key, &name, nullptr), 0);
    EXPECT_EQ(RegGetDwordValueH(&key, nullptr, &one), 1);
    EXPECT_EQ(RegGetDwordValueH(&key, &name, nullptr), 0);
    EXPECT_EQ(RegValueTypeH(&key, nullptr), 0);
    EXPECT_EQ(RegGetnValuesH(&key), 0);
    RegVBCloseKey(&key);
}

} // namespace

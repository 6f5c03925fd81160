#include <gtest/gtest.h>

#include <string>

#include "keyvane/key_path.h"

namespace {

using keyvane::splitKeyPath;

void expectSplit(const std::string& path, HKEY root, const std::string& subKey) {
    SCOPED_TRACE(path);
    const auto split = splitKeyPath(path);
    ASSERT_TRUE(split.has_value());
    EXPECT_EQ(split->root, root);
    EXPECT_EQ(split->subKey, subKey);
}

TEST(KeyPathSplit, TakesTheRootAndEverythingAfterTheFirstBackslash) {
    expectSplit("HKCU\\Software\\Tavrel\\Cuemark", HKEY_CURRENT_USER, "Software\\Tavrel\\Cuemark");
    expectSplit("HKEY_LOCAL_MACHINE\\Software", HKEY_LOCAL_MACHINE, "Software");
    expectSplit("HKCU\\Software\\", HKEY_CURRENT_USER, "Software\\");
}

TEST(KeyPathSplit, KnowsEveryRootNameShortAndLong) {
    expectSplit("HKCU\\a", HKEY_CURRENT_USER, "a");
    expectSplit("HKEY_CURRENT_USER\\a", HKEY_CURRENT_USER, "a");
    expectSplit("HKLM\\a", HKEY_LOCAL_MACHINE, "a");
    expectSplit("HKEY_LOCAL_MACHINE\\a", HKEY_LOCAL_MACHINE, "a");
    expectSplit("HKCR\\a", HKEY_CLASSES_ROOT, "a");
    expectSplit("HKEY_CLASSES_ROOT\\a", HKEY_CLASSES_ROOT, "a");
    expectSplit("HKCC\\a", HKEY_CURRENT_CONFIG, "a");
    expectSplit("HKEY_CURRENT_CONFIG\\a", HKEY_CURRENT_CONFIG, "a");
    expectSplit("HKU\\a", HKEY_USERS, "a");
    expectSplit("HKEY_USERS\\a", HKEY_USERS, "a");
}

TEST(KeyPathSplit, WorksOnTheRootItselfWithoutABackslash) {
    expectSplit("HKCU", HKEY_CURRENT_USER, "");
    expectSplit("HKCUSoftware", HKEY_CURRENT_USER, "");
    expectSplit("HKCU\\", HKEY_CURRENT_USER, "");
}

TEST(KeyPathSplit, FindsTheRootNameAnywhereInThePath) {
    expectSplit("Computer\\HKLM\\Software", HKEY_LOCAL_MACHINE, "Software");
    expectSplit("x\\y HKLM\\Software\\Sub", HKEY_LOCAL_MACHINE, "Software\\Sub");
}

TEST(KeyPathSplit, PrefersTheEarlierTableEntryOverTheEarlierPosition) {
    // HKCU is tried before HKLM, so it wins although it stands later.
    expectSplit("HKLM\\Software\\HKCU\\Tavrel", HKEY_CURRENT_USER, "Tavrel");
    expectSplit("HKEY_USERS\\x\\HKCU", HKEY_CURRENT_USER, "");
    // The current user's long name comes second in the table, HKLM third.
    expectSplit("HKLM\\a\\HKEY_CURRENT_USER\\b", HKEY_CURRENT_USER, "b");
}

TEST(KeyPathSplit, MatchesShortNamesInsideLongerWords) {
    // "HKU" inside "HKUSERS" is found as a substring.
    expectSplit("HKUSERS\\a", HKEY_USERS, "a");
}

TEST(KeyPathSplit, RefusesLowerCaseAndUnknownRoots) {
    EXPECT_FALSE(splitKeyPath("hkcu\\Software"));
    EXPECT_FALSE(splitKeyPath("Hkcu\\Software"));
    EXPECT_FALSE(splitKeyPath("hkey_local_machine\\Software"));
    EXPECT_FALSE(splitKeyPath("HKDD\\Software"));
    EXPECT_FALSE(splitKeyPath(""));
}

} // namespace

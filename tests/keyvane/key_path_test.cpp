#include <gtest/gtest.h>

#include <initializer_list>
#include <string>

#include "keyvane/key_path.h"

namespace {

using keyvane::splitKeyPath;

struct Split {
    std::string path;
    HKEY root;
    std::string subKey;
};

void expectSplit(const Split& expected) {
    SCOPED_TRACE(expected.path);
    const auto split = splitKeyPath(expected.path);
    ASSERT_TRUE(split.has_value());
    EXPECT_EQ(split->root, expected.root);
    EXPECT_EQ(split->subKey, expected.subKey);
}

void expectSplits(std::initializer_list<Split> cases) {
    for (const Split& expected : cases) expectSplit(expected);
}

TEST(KeyPathSplit, TakesTheRootAndEverythingAfterTheFirstBackslash) {
    expectSplits({{"HKCU\\Software\\Tavrel\\Cuemark", HKEY_CURRENT_USER, "Software\\Tavrel\\Cuemark"},
                  {"HKEY_LOCAL_MACHINE\\Software", HKEY_LOCAL_MACHINE, "Software"},
                  {"HKCU\\Software\\", HKEY_CURRENT_USER, "Software\\"}});
}

TEST(KeyPathSplit, KnowsEveryRootNameShortAndLong) {
    expectSplits({{"HKCU\\a", HKEY_CURRENT_USER, "a"},
                  {"HKEY_CURRENT_USER\\a", HKEY_CURRENT_USER, "a"},
                  {"HKLM\\a", HKEY_LOCAL_MACHINE, "a"},
                  {"HKEY_LOCAL_MACHINE\\a", HKEY_LOCAL_MACHINE, "a"},
                  {"HKCR\\a", HKEY_CLASSES_ROOT, "a"},
                  {"HKEY_CLASSES_ROOT\\a", HKEY_CLASSES_ROOT, "a"},
                  {"HKCC\\a", HKEY_CURRENT_CONFIG, "a"},
                  {"HKEY_CURRENT_CONFIG\\a", HKEY_CURRENT_CONFIG, "a"},
                  {"HKU\\a", HKEY_USERS, "a"},
                  {"HKEY_USERS\\a", HKEY_USERS, "a"}});
}

TEST(KeyPathSplit, WorksOnTheRootItselfWithoutABackslash) {
    expectSplits(
        {{"HKCU", HKEY_CURRENT_USER, ""}, {"HKCUSoftware", HKEY_CURRENT_USER, ""}, {"HKCU\\", HKEY_CURRENT_USER, ""}});
}

TEST(KeyPathSplit, FindsTheRootNameAnywhereInThePath) {
    expectSplits({{"Computer\\HKLM\\Software", HKEY_LOCAL_MACHINE, "Software"},
                  {"x\\y HKLM\\Software\\Sub", HKEY_LOCAL_MACHINE, "Software\\Sub"}});
}

TEST(KeyPathSplit, PrefersTheEarlierTableEntryOverTheEarlierPosition) {
    // HKCU is tried before HKLM, so it wins although it stands later; the
    // current user's long name comes second in the table, HKLM third.
    expectSplits({{"HKLM\\Software\\HKCU\\Tavrel", HKEY_CURRENT_USER, "Tavrel"},
                  {"HKEY_USERS\\x\\HKCU", HKEY_CURRENT_USER, ""},
                  {"HKLM\\a\\HKEY_CURRENT_USER\\b", HKEY_CURRENT_USER, "b"}});
}

TEST(KeyPathSplit, MatchesShortNamesInsideLongerWords) {
    // "HKU" inside "HKUSERS" is found as a substring.
    expectSplits({{"HKUSERS\\a", HKEY_USERS, "a"}});
}

TEST(KeyPathSplit, RefusesLowerCaseAndUnknownRoots) {
    EXPECT_FALSE(splitKeyPath("hkcu\\Software"));
    EXPECT_FALSE(splitKeyPath("Hkcu\\Software"));
    EXPECT_FALSE(splitKeyPath("hkey_local_machine\\Software"));
    EXPECT_FALSE(splitKeyPath("HKDD\\Software"));
    EXPECT_FALSE(splitKeyPath(""));
}

} // namespace

#include "store_fixture.h"

#include <string>
#include <vector>

namespace {

class RegistryKeys : public StoreFixture {
protected:
    static std::vector<std::string> subKeys(HKEY key) {
        return namesOf(
            [&](DWORD index, char* name, DWORD* chars) {
                return RegEnumKeyExA(key, index, name, chars, nullptr, nullptr, nullptr, nullptr);
            },
            256);
    }

    static LSTATUS open(HKEY parent, const char* path, HKEY& key, REGSAM rights = KEY_READ) {
        return RegOpenKeyExA(parent, path, 0, rights, &key);
    }

    // The sub-keys of the key at path under HKCU, opened for reading just
    // for this; a key that cannot be opened fails the test.
    static std::vector<std::string> subKeysAt(const char* path) {
        HKEY key = 0;
        const LSTATUS status = open(HKEY_CURRENT_USER, path, key);
        EXPECT_EQ(status, ERROR_SUCCESS) << path;
        if (status != ERROR_SUCCESS) return {"<error " + std::to_string(status) + ">"};
        std::vector<std::string> names = subKeys(key);
        RegCloseKey(key);
        return names;
    }
};

TEST_F(RegistryKeys, CreatesEveryMissingLevelAndTellsNewFromExisting) {
    HKEY key = 0;
    DWORD disposition = 0;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\Tavrel\\Cuemark", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                              &key, &disposition),
              ERROR_SUCCESS);
    EXPECT_EQ(disposition, static_cast<DWORD>(REG_CREATED_NEW_KEY));
    EXPECT_NE(key, 0u);
    EXPECT_LT(key, HKEY_CLASSES_ROOT);
    EXPECT_EQ(RegCloseKey(key), ERROR_SUCCESS);

    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\Tavrel\\Cuemark", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                              &key, &disposition),
              ERROR_SUCCESS);
    EXPECT_EQ(disposition, static_cast<DWORD>(REG_OPENED_EXISTING_KEY));
    EXPECT_EQ(RegCloseKey(key), ERROR_SUCCESS);

    HKEY middle = 0;
    ASSERT_EQ(open(HKEY_CURRENT_USER, "Software\\Tavrel", middle), ERROR_SUCCESS);
    EXPECT_EQ(subKeys(middle), std::vector<std::string>{"Cuemark"});
    RegCloseKey(middle);
    // The roots are separate trees.
    EXPECT_EQ(open(HKEY_LOCAL_MACHINE, "Software", middle), ERROR_FILE_NOT_FOUND);
}

TEST_F(RegistryKeys, FindsKeysWhateverTheCaseAndKeepsTheCaseTheyWereMadeWith) {
    RegCloseKey(create("Software\\MixedCase"));
    HKEY key = 0;
    ASSERT_EQ(open(HKEY_CURRENT_USER, "SOFTWARE\\mixedcase", key), ERROR_SUCCESS);
    RegCloseKey(key);
    HKEY again = create("software\\MIXEDCASE\\Child");
    RegCloseKey(again);

    EXPECT_EQ(subKeysAt("software"), std::vector<std::string>{"MixedCase"});
}

TEST_F(RegistryKeys, FoldsOnlyAsciiLettersSoOtherBytesStayDistinct) {
    RegCloseKey(create("Software\\\xC4pfel")); // capital A with diaeresis in Latin-1
    HKEY key = 0;
    EXPECT_EQ(open(HKEY_CURRENT_USER, "Software\\\xE4pfel", key), ERROR_FILE_NOT_FOUND);
    ASSERT_EQ(open(HKEY_CURRENT_USER, "Software\\\xC4PFEL", key), ERROR_SUCCESS);
    RegCloseKey(key);
}

TEST_F(RegistryKeys, SkipsEmptyLevelsOfASubKeyPath) {
    RegCloseKey(create("\\Software\\\\Tavrel\\"));
    EXPECT_TRUE(subKeysAt("Software\\Tavrel").empty());
    EXPECT_EQ(subKeysAt("\\\\"), std::vector<std::string>{"Software"});
}

TEST_F(RegistryKeys, RefusesKeyNamesOver255CharactersAndTreesOver512Levels) {
    const std::string longest(255, 'k');
    RegCloseKey(create(longest.c_str()));
    HKEY key = 0;
    const std::string tooLong(256, 'k');
    EXPECT_EQ(
        RegCreateKeyExA(HKEY_CURRENT_USER, tooLong.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr),
        ERROR_INVALID_PARAMETER);
    EXPECT_EQ(open(HKEY_CURRENT_USER, ("a\\" + tooLong).c_str(), key), ERROR_INVALID_PARAMETER);
    EXPECT_EQ(RegDeleteKeyA(HKEY_CURRENT_USER, tooLong.c_str()), ERROR_INVALID_PARAMETER);

    std::string deep;
    for (int level = 0; level < 512; ++level) deep += "d\\";
    RegCloseKey(create(deep.c_str()));
    EXPECT_EQ(
        RegCreateKeyExA(HKEY_CURRENT_USER, (deep + "d").c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr),
        ERROR_INVALID_PARAMETER);
}

TEST_F(RegistryKeys, DeleteRefusesKeysWithSubKeysAndMissingKeys) {
    RegCloseKey(create("Software\\Parent\\Child"));
    EXPECT_EQ(RegDeleteKeyA(HKEY_CURRENT_USER, "Software\\Parent"), ERROR_ACCESS_DENIED);
    EXPECT_EQ(RegDeleteKeyA(HKEY_CURRENT_USER, "Software\\Nobody"), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(RegDeleteKeyA(HKEY_CURRENT_USER, "software\\parent\\CHILD"), ERROR_SUCCESS);
    EXPECT_EQ(RegDeleteKeyA(HKEY_CURRENT_USER, "Software\\Parent\\Child"), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(RegDeleteKeyA(HKEY_CURRENT_USER, "Software\\Parent"), ERROR_SUCCESS);
    EXPECT_EQ(RegDeleteKeyA(HKEY_CURRENT_USER, nullptr), ERROR_INVALID_PARAMETER);
}

TEST_F(RegistryKeys, DeletingAKeyDeletesItsValues) {
    HKEY key = create("Software\\Doomed");
    ASSERT_EQ(setString(key, "Name", "value"), ERROR_SUCCESS);
    RegCloseKey(key);
    ASSERT_EQ(RegDeleteKeyA(HKEY_CURRENT_USER, "Software\\Doomed"), ERROR_SUCCESS);
    key = create("Software\\Doomed");
    DWORD values = 99;
    ASSERT_EQ(RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &values, nullptr, nullptr,
                               nullptr, nullptr),
              ERROR_SUCCESS);
    EXPECT_EQ(values, 0u);
    EXPECT_EQ(bytesOf(key, "Name"), "<error 2>");
    RegCloseKey(key);
}

TEST_F(RegistryKeys, EmptySubKeyDeletesTheHandlesOwnKeyButNeverARoot) {
    HKEY key = create("Software\\Self");
    EXPECT_EQ(RegDeleteKeyA(key, ""), ERROR_SUCCESS);
    EXPECT_EQ(RegCloseKey(key), ERROR_SUCCESS);
    HKEY gone = 0;
    EXPECT_EQ(open(HKEY_CURRENT_USER, "Software\\Self", gone), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(RegDeleteKeyA(HKEY_CURRENT_USER, ""), ERROR_ACCESS_DENIED);
    EXPECT_EQ(RegDeleteKeyA(HKEY_CURRENT_USER, "\\"), ERROR_ACCESS_DENIED);
}

TEST_F(RegistryKeys, HandleOfADeletedKeyReportsKeyDeleted) {
    HKEY key = create("Software\\Vanishing");
    ASSERT_EQ(RegDeleteKeyA(HKEY_CURRENT_USER, "Software\\Vanishing"), ERROR_SUCCESS);
    // Made again under the same name, it is another key; the old handle stays stale.
    RegCloseKey(create("Software\\Vanishing"));

    EXPECT_EQ(setDword(key, "n", 1), ERROR_KEY_DELETED);
    EXPECT_EQ(RegQueryValueExA(key, "n", nullptr, nullptr, nullptr, nullptr), ERROR_KEY_DELETED);
    char name[16];
    DWORD chars = sizeof name;
    EXPECT_EQ(RegEnumKeyExA(key, 0, name, &chars, nullptr, nullptr, nullptr, nullptr), ERROR_KEY_DELETED);
    HKEY child = 0;
    EXPECT_EQ(open(key, "child", child), ERROR_KEY_DELETED);
    EXPECT_EQ(RegCreateKeyExA(key, "child", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &child, nullptr),
              ERROR_KEY_DELETED);
    EXPECT_EQ(RegCloseKey(key), ERROR_SUCCESS);
}

TEST_F(RegistryKeys, EnumerationFollowsCreationOrderAndReportsSmallBuffersAndTheEnd) {
    for (const char* name : {"Zeta", "alpha", "Mid"})
        RegCloseKey(create((std::string("Software\\List\\") + name).c_str()));
    HKEY list = 0;
    ASSERT_EQ(open(HKEY_CURRENT_USER, "Software\\List", list), ERROR_SUCCESS);
    const std::vector<std::string> expected{"Zeta", "alpha", "Mid"};
    EXPECT_EQ(subKeys(list), expected);
    EXPECT_EQ(subKeys(list), expected);

    char name[8] = "unused";
    DWORD chars = 4; // "Zeta" needs 5 with its NUL
    EXPECT_EQ(RegEnumKeyExA(list, 0, name, &chars, nullptr, nullptr, nullptr, nullptr), ERROR_MORE_DATA);
    EXPECT_STREQ(name, "unused");
    chars = 5;
    EXPECT_EQ(RegEnumKeyExA(list, 0, name, &chars, nullptr, nullptr, nullptr, nullptr), ERROR_SUCCESS);
    EXPECT_EQ(chars, 4u);
    EXPECT_STREQ(name, "Zeta");
    chars = sizeof name;
    EXPECT_EQ(RegEnumKeyExA(list, 3, name, &chars, nullptr, nullptr, nullptr, nullptr), ERROR_NO_MORE_ITEMS);
    EXPECT_EQ(RegEnumKeyExA(list, 0xFFFFFFFF, name, &chars, nullptr, nullptr, nullptr, nullptr), ERROR_NO_MORE_ITEMS);

    ASSERT_EQ(RegDeleteKeyA(HKEY_CURRENT_USER, "Software\\List\\alpha"), ERROR_SUCCESS);
    RegCloseKey(create("Software\\List\\New"));
    EXPECT_EQ(subKeys(list), (std::vector<std::string>{"Zeta", "Mid", "New"}));
    RegCloseKey(list);
}

TEST_F(RegistryKeys, RefusesForgedAndClosedHandlesEverywhere) {
    HKEY closed = create("Software\\Closed");
    ASSERT_EQ(RegCloseKey(closed), ERROR_SUCCESS);
    for (HKEY forged : {HKEY{0}, HKEY{1}, HKEY{0x12345}, HKEY{0x80000004}, HKEY{0xFFFFFFFF}, closed}) {
        SCOPED_TRACE(forged);
        HKEY key = 0;
        char name[16];
        DWORD chars = sizeof name;
        DWORD number = 1;
        EXPECT_EQ(RegOpenKeyExA(forged, "", 0, KEY_READ, &key), ERROR_INVALID_HANDLE);
        EXPECT_EQ(key, 0u);
        EXPECT_EQ(RegCreateKeyExA(forged, "x", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr),
                  ERROR_INVALID_HANDLE);
        EXPECT_EQ(RegQueryValueExA(forged, "", nullptr, nullptr, nullptr, nullptr), ERROR_INVALID_HANDLE);
        EXPECT_EQ(setDword(forged, "n", number), ERROR_INVALID_HANDLE);
        EXPECT_EQ(RegQueryInfoKeyA(forged, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                                   nullptr, nullptr, nullptr),
                  ERROR_INVALID_HANDLE);
        EXPECT_EQ(RegEnumKeyExA(forged, 0, name, &chars, nullptr, nullptr, nullptr, nullptr), ERROR_INVALID_HANDLE);
        EXPECT_EQ(RegEnumValueA(forged, 0, name, &chars, nullptr, nullptr, nullptr, nullptr), ERROR_INVALID_HANDLE);
        EXPECT_EQ(RegDeleteValueA(forged, "n"), ERROR_INVALID_HANDLE);
        EXPECT_EQ(RegDeleteKeyA(forged, "x"), ERROR_INVALID_HANDLE);
        EXPECT_EQ(RegCloseKey(forged), ERROR_INVALID_HANDLE);
    }
}

TEST_F(RegistryKeys, ClosingARootDoesNothingAndEveryOpenGivesANewHandle) {
    EXPECT_EQ(RegCloseKey(HKEY_CURRENT_USER), ERROR_SUCCESS);
    EXPECT_EQ(RegCloseKey(HKEY_CURRENT_USER), ERROR_SUCCESS);
    HKEY first = create("Software\\Twice");
    HKEY second = create("Software\\Twice");
    EXPECT_NE(first, second);
    EXPECT_EQ(RegCloseKey(first), ERROR_SUCCESS);
    EXPECT_EQ(setDword(second, "still", 1), ERROR_SUCCESS);
    EXPECT_EQ(RegCloseKey(second), ERROR_SUCCESS);
    HKEY root = 0;
    ASSERT_EQ(open(HKEY_CURRENT_USER, "", root), ERROR_SUCCESS);
    EXPECT_NE(root, HKEY_CURRENT_USER);
    EXPECT_EQ(RegCloseKey(root), ERROR_SUCCESS);
}

TEST_F(RegistryKeys, HandleOpenedForReadingRefusesEveryChange) {
    HKEY writable = create("Software\\Guarded");
    ASSERT_EQ(setDword(writable, "n", 7), ERROR_SUCCESS);
    RegCloseKey(create("Software\\Guarded\\Child"));
    HKEY reader = 0;
    ASSERT_EQ(open(HKEY_CURRENT_USER, "Software\\Guarded", reader, KEY_READ), ERROR_SUCCESS);

    EXPECT_EQ(setDword(reader, "n", 8), ERROR_ACCESS_DENIED);
    EXPECT_EQ(RegDeleteValueA(reader, "n"), ERROR_ACCESS_DENIED);
    EXPECT_EQ(RegDeleteKeyA(reader, "Child"), ERROR_ACCESS_DENIED);
    HKEY child = 0;
    EXPECT_EQ(RegCreateKeyExA(reader, "New", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &child, nullptr),
              ERROR_ACCESS_DENIED);
    // Opening what already exists is no change.
    ASSERT_EQ(RegCreateKeyExA(reader, "Child", 0, nullptr, 0, KEY_READ, nullptr, &child, nullptr), ERROR_SUCCESS);
    RegCloseKey(child);
    EXPECT_EQ(bytesOf(reader, "n"), std::string("\x07\0\0\0", 4));

    HKEY setOnly = 0;
    ASSERT_EQ(open(HKEY_CURRENT_USER, "Software\\Guarded", setOnly, KEY_SET_VALUE), ERROR_SUCCESS);
    EXPECT_EQ(RegQueryValueExA(setOnly, "n", nullptr, nullptr, nullptr, nullptr), ERROR_ACCESS_DENIED);
    char name[16];
    DWORD chars = sizeof name;
    EXPECT_EQ(RegEnumKeyExA(setOnly, 0, name, &chars, nullptr, nullptr, nullptr, nullptr), ERROR_ACCESS_DENIED);
    EXPECT_EQ(setDword(setOnly, "n", 9), ERROR_SUCCESS);
    RegCloseKey(setOnly);
    RegCloseKey(reader);
    RegCloseKey(writable);
}

TEST_F(RegistryKeys, RefusesVolatileKeysAndMissingResultPointers) {
    HKEY key = 0;
    EXPECT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\Volatile", 0, nullptr, 1 /* REG_OPTION_VOLATILE */,
                              KEY_ALL_ACCESS, nullptr, &key, nullptr),
              ERROR_INVALID_PARAMETER);
    EXPECT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, "Software", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, nullptr, nullptr),
              ERROR_INVALID_PARAMETER);
    EXPECT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, nullptr, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr),
              ERROR_INVALID_PARAMETER);
    EXPECT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, "Software", 0, KEY_READ, nullptr), ERROR_INVALID_PARAMETER);
    EXPECT_FALSE(std::filesystem::exists(file_));
}

} // namespace

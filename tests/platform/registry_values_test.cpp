#include "store_fixture.h"

#include <cstring>
#include <string>
#include <vector>

namespace {

class RegistryValues : public StoreFixture {
protected:
    void SetUp() override {
        StoreFixture::SetUp();
        key_ = create("Software\\Tavrel\\Cuemark");
    }
    void TearDown() override {
        RegCloseKey(key_);
        StoreFixture::TearDown();
    }

    std::vector<std::string> valueNames() const {
        return namesOf(
            [&](DWORD index, char* name, DWORD* chars) {
                return RegEnumValueA(key_, index, name, chars, nullptr, nullptr, nullptr, nullptr);
            },
            64);
    }

    HKEY key_ = 0;
};

TEST_F(RegistryValues, ReadsBackTextsAndNumbersWithTheirTypes) {
    ASSERT_EQ(setString(key_, "MRU", "C:\\films\\a.srt"), ERROR_SUCCESS);
    ASSERT_EQ(setDword(key_, "Left", 1440), ERROR_SUCCESS);
    DWORD type = 0;
    EXPECT_EQ(bytesOf(key_, "MRU", &type), std::string("C:\\films\\a.srt\0", 15));
    EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
    DWORD number = 0;
    DWORD size = sizeof number;
    ASSERT_EQ(RegQueryValueExA(key_, "Left", nullptr, &type, reinterpret_cast<BYTE*>(&number), &size), ERROR_SUCCESS);
    EXPECT_EQ(type, static_cast<DWORD>(REG_DWORD));
    EXPECT_EQ(size, 4u);
    EXPECT_EQ(number, 1440u);
}

TEST_F(RegistryValues, QueryWithoutBufferGivesTypeAndSizeAndSmallBufferGivesMoreData) {
    ASSERT_EQ(setString(key_, "ListFont", "Arial"), ERROR_SUCCESS);
    DWORD type = 0;
    DWORD size = 0;
    ASSERT_EQ(RegQueryValueExA(key_, "ListFont", nullptr, &type, nullptr, &size), ERROR_SUCCESS);
    EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(size, 6u);
    EXPECT_EQ(RegQueryValueExA(key_, "ListFont", nullptr, &type, nullptr, nullptr), ERROR_SUCCESS);

    char buffer[8] = "xxxxxxx";
    size = 5;
    EXPECT_EQ(RegQueryValueExA(key_, "ListFont", nullptr, &type, reinterpret_cast<BYTE*>(buffer), &size),
              ERROR_MORE_DATA);
    EXPECT_EQ(size, 6u);
    EXPECT_STREQ(buffer, "xxxxxxx");
    EXPECT_EQ(RegQueryValueExA(key_, "ListFont", nullptr, &type, reinterpret_cast<BYTE*>(buffer), nullptr),
              ERROR_INVALID_PARAMETER);
    DWORD reserved = 0;
    EXPECT_EQ(RegQueryValueExA(key_, "ListFont", &reserved, &type, nullptr, &size), ERROR_INVALID_PARAMETER);
}

TEST_F(RegistryValues, MissingValueIsFileNotFound) {
    DWORD type = 77;
    DWORD size = 77;
    EXPECT_EQ(RegQueryValueExA(key_, "Nothing", nullptr, &type, nullptr, &size), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(type, 77u);
    EXPECT_EQ(RegDeleteValueA(key_, "Nothing"), ERROR_FILE_NOT_FOUND);
}

TEST_F(RegistryValues, NamesIgnoreCaseAndAReplacementKeepsNamePlaceAndTakesTheNewType) {
    ASSERT_EQ(setString(key_, "ListCol1", "1000"), ERROR_SUCCESS);
    ASSERT_EQ(setString(key_, "Other", "x"), ERROR_SUCCESS);
    ASSERT_EQ(setDword(key_, "LISTCOL1", 1200), ERROR_SUCCESS);
    DWORD type = 0;
    EXPECT_EQ(bytesOf(key_, "listcol1", &type), std::string("\xB0\x04\0\0", 4));
    EXPECT_EQ(type, static_cast<DWORD>(REG_DWORD));
    EXPECT_EQ(valueNames(), (std::vector<std::string>{"ListCol1", "Other"}));
    EXPECT_EQ(RegDeleteValueA(key_, "listCOL1"), ERROR_SUCCESS);
    EXPECT_EQ(valueNames(), std::vector<std::string>{"Other"});
}

TEST_F(RegistryValues, EmptyOrNullNameIsTheDefaultValue) {
    ASSERT_EQ(setString(key_, "", "default"), ERROR_SUCCESS);
    EXPECT_EQ(bytesOf(key_, nullptr), std::string("default\0", 8));
    ASSERT_EQ(setString(key_, nullptr, "other"), ERROR_SUCCESS);
    EXPECT_EQ(bytesOf(key_, ""), std::string("other\0", 6));
    EXPECT_EQ(valueNames(), std::vector<std::string>{""});
    EXPECT_EQ(RegDeleteValueA(key_, nullptr), ERROR_SUCCESS);
    EXPECT_EQ(bytesOf(key_, ""), "<error 2>");
}

TEST_F(RegistryValues, RefusesValueNamesOver16383Characters) {
    const std::string longest(16383, 'v');
    const std::string tooLong(16384, 'v');
    EXPECT_EQ(setDword(key_, longest.c_str(), 1), ERROR_SUCCESS);
    EXPECT_EQ(bytesOf(key_, longest.c_str()).size(), 4u);
    EXPECT_EQ(setDword(key_, tooLong.c_str(), 1), ERROR_INVALID_PARAMETER);
    EXPECT_EQ(RegQueryValueExA(key_, tooLong.c_str(), nullptr, nullptr, nullptr, nullptr), ERROR_INVALID_PARAMETER);
    EXPECT_EQ(RegDeleteValueA(key_, tooLong.c_str()), ERROR_INVALID_PARAMETER);
}

TEST_F(RegistryValues, StoresTheBytesOfAnyTypeAsGiven) {
    const std::string binary("\0\x01\xFF\0tail", 8);
    ASSERT_EQ(RegSetValueExA(key_, "Bin", 0, REG_BINARY, reinterpret_cast<const BYTE*>(binary.data()), 8),
              ERROR_SUCCESS);
    const std::string unterminated = "no NUL";
    ASSERT_EQ(RegSetValueExA(key_, "Raw", 0, REG_SZ, reinterpret_cast<const BYTE*>(unterminated.data()), 6),
              ERROR_SUCCESS);
    ASSERT_EQ(RegSetValueExA(key_, "Empty", 0, REG_MULTI_SZ, nullptr, 0), ERROR_SUCCESS);
    const std::string large(200000, 'L');
    ASSERT_EQ(RegSetValueExA(key_, "Large", 0, 0x1234, reinterpret_cast<const BYTE*>(large.data()),
                             static_cast<DWORD>(large.size())),
              ERROR_SUCCESS);

    DWORD type = 0;
    EXPECT_EQ(bytesOf(key_, "Bin", &type), binary);
    EXPECT_EQ(type, static_cast<DWORD>(REG_BINARY));
    EXPECT_EQ(bytesOf(key_, "Raw"), unterminated);
    EXPECT_EQ(bytesOf(key_, "Empty", &type), "");
    EXPECT_EQ(type, static_cast<DWORD>(REG_MULTI_SZ));
    EXPECT_EQ(bytesOf(key_, "Large", &type), large);
    EXPECT_EQ(type, 0x1234u);
    EXPECT_EQ(RegSetValueExA(key_, "Bad", 0, REG_BINARY, nullptr, 4), ERROR_INVALID_PARAMETER);
}

TEST_F(RegistryValues, EnumerationGivesNamesTypesAndDataInCreationOrder) {
    ASSERT_EQ(setString(key_, "Width", "w"), ERROR_SUCCESS);
    ASSERT_EQ(setDword(key_, "height", 3), ERROR_SUCCESS);
    char name[8];
    DWORD chars = sizeof name;
    DWORD type = 0;
    char data[8] = {};
    DWORD size = sizeof data;
    ASSERT_EQ(RegEnumValueA(key_, 1, name, &chars, nullptr, &type, reinterpret_cast<BYTE*>(data), &size),
              ERROR_SUCCESS);
    EXPECT_STREQ(name, "height");
    EXPECT_EQ(chars, 6u);
    EXPECT_EQ(type, static_cast<DWORD>(REG_DWORD));
    EXPECT_EQ(size, 4u);
    EXPECT_EQ(data[0], 3);

    chars = 5; // "Width" needs 6
    EXPECT_EQ(RegEnumValueA(key_, 0, name, &chars, nullptr, nullptr, nullptr, nullptr), ERROR_MORE_DATA);
    chars = sizeof name;
    size = 1;
    EXPECT_EQ(RegEnumValueA(key_, 0, name, &chars, nullptr, &type, reinterpret_cast<BYTE*>(data), &size),
              ERROR_MORE_DATA);
    EXPECT_EQ(size, 2u);
    chars = sizeof name;
    EXPECT_EQ(RegEnumValueA(key_, 2, name, &chars, nullptr, nullptr, nullptr, nullptr), ERROR_NO_MORE_ITEMS);
}

TEST_F(RegistryValues, KeyInformationCountsAndMeasuresAndAcceptsNullPointers) {
    RegCloseKey(create("Software\\Tavrel\\Cuemark\\Sub"));
    RegCloseKey(create("Software\\Tavrel\\Cuemark\\LongerSub"));
    ASSERT_EQ(setString(key_, "ListFontItalic", "12345678"), ERROR_SUCCESS);
    ASSERT_EQ(setDword(key_, "Top", 1), ERROR_SUCCESS);

    char className[4] = "xx";
    DWORD classChars = sizeof className;
    DWORD subKeys = 0, maxSubKey = 0, maxClass = 9, values = 0, maxName = 0, maxData = 0, security = 9;
    unsigned char time[8] = {1, 1, 1, 1, 1, 1, 1, 1};
    ASSERT_EQ(RegQueryInfoKeyA(key_, className, &classChars, nullptr, &subKeys, &maxSubKey, &maxClass, &values,
                               &maxName, &maxData, &security, time),
              ERROR_SUCCESS);
    EXPECT_STREQ(className, "");
    EXPECT_EQ(classChars, 0u);
    EXPECT_EQ(subKeys, 2u);
    EXPECT_EQ(maxSubKey, 9u);
    EXPECT_EQ(maxClass, 0u);
    EXPECT_EQ(values, 2u);
    EXPECT_EQ(maxName, 14u);
    EXPECT_EQ(maxData, 9u);
    EXPECT_EQ(security, 0u);
    EXPECT_EQ(time[7], 0);

    subKeys = 0;
    EXPECT_EQ(RegQueryInfoKeyA(key_, nullptr, nullptr, nullptr, &subKeys, nullptr, nullptr, nullptr, nullptr, nullptr,
                               nullptr, nullptr),
              ERROR_SUCCESS);
    EXPECT_EQ(subKeys, 2u);
}

TEST_F(RegistryValues, NamesWithBytesAboveAsciiKeepTheirExactBytes) {
    const char name[] = "Caf\xE9 \xC0";
    ASSERT_EQ(setString(key_, name, "latin-1"), ERROR_SUCCESS);
    EXPECT_EQ(valueNames(), std::vector<std::string>{name});
    EXPECT_EQ(bytesOf(key_, "CAF\xE9 \xC0"), std::string("latin-1\0", 8));
    EXPECT_EQ(bytesOf(key_, "Caf\xC9 \xC0"), "<error 2>");
    DWORD maxName = 0;
    ASSERT_EQ(RegQueryInfoKeyA(key_, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &maxName, nullptr,
                               nullptr, nullptr),
              ERROR_SUCCESS);
    EXPECT_EQ(maxName, 6u);
}

} // namespace

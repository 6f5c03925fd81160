#include <algorithm>
#include <cstdint>
#include <set>
#include <string>
#include <vector>

#include "registry_fixture.h"

namespace {

using namespace keyvane_test;

// A vector of strings that may be bent out of shape for one call and is
// always put right before it is destroyed.
class NameArray {
public:
    explicit NameArray(std::uint32_t count, std::int32_t lowerBound = 0)
        : array_(SafeArrayCreateVector(VT_BSTR, lowerBound, count)) {}
    ~NameArray() {
        if (array_ != nullptr) {
            while (array_->cLocks > 0) {
                SafeArrayUnlock(array_);
            }
            SafeArrayDestroy(array_);
        }
    }
    NameArray(const NameArray&) = delete;
    NameArray& operator=(const NameArray&) = delete;

    SAFEARRAY* get() const { return array_; }
    SAFEARRAY* const* address() const { return &array_; }

    void fill(const char* text) {
        for (std::uint32_t i = 0; i < array_->rgsabound[0].cElements; ++i) {
            BSTR& element = elements()[i];
            SysFreeString(element);
            element = SysAllocStringByteLen(text, static_cast<std::uint32_t>(std::string(text).size()));
        }
    }
    std::vector<std::string> texts() const {
        std::vector<std::string> result;
        for (std::uint32_t i = 0; i < array_->rgsabound[0].cElements; ++i) {
            BSTR element = elements()[i];
            result.push_back(element != nullptr ? std::string(element, SysStringByteLen(element)) : "<null>");
        }
        return result;
    }

private:
    BSTR* elements() const { return static_cast<BSTR*>(array_->pvData); }
    SAFEARRAY* array_;
};

std::int32_t listSubKeys(const std::string& path, const NameArray& names) {
    const char* p = path.c_str();
    return RegGetSubKeyNames(&p, names.address());
}

std::int32_t listValues(const std::string& path, const NameArray& names) {
    const char* p = path.c_str();
    return RegGetValueNames(&p, names.address());
}

std::multiset<std::string> asSet(const std::vector<std::string>& texts) {
    return {texts.begin(), texts.end()};
}

TEST(NameListing, ListsEverySubKeyAndValueName) {
    for (const char* child : {"alpha", "beta", "gamma"}) {
        ASSERT_EQ(setDword(testKey(child), "n", 1), -1);
    }
    ASSERT_EQ(setDword(testKey(), "Width", 1), -1);
    ASSERT_EQ(setString(testKey(), "MRU", "x"), -1);
    NameArray subKeys(3);
    NameArray values(2);
    EXPECT_EQ(listSubKeys(testKey(), subKeys), -1);
    EXPECT_EQ(listValues(testKey(), values), -1);
    EXPECT_EQ(asSet(subKeys.texts()), (std::multiset<std::string>{"alpha", "beta", "gamma"}));
    EXPECT_EQ(asSet(values.texts()), (std::multiset<std::string>{"MRU", "Width"}));
    EXPECT_EQ(subKeys.get()->cLocks, 0u);
}

TEST(NameListing, FillsFromTheFirstElementInStorageWhateverTheLowerBound) {
    ASSERT_EQ(setDword(testKey(), "only", 1), -1);
    NameArray values(2, 5);
    EXPECT_EQ(listValues(testKey(), values), -1);
    EXPECT_EQ(values.texts(), (std::vector<std::string>{"only", "<null>"}));
}

TEST(NameListing, ReplacesOldElementsAndKeepsThoseAfterTheLastName) {
    ASSERT_EQ(setDword(testKey(), "a", 1), -1);
    ASSERT_EQ(setDword(testKey(), "b", 1), -1);
    NameArray values(4);
    values.fill("old");
    EXPECT_EQ(listValues(testKey(), values), -1);
    const auto texts = values.texts();
    EXPECT_EQ(asSet({texts[0], texts[1]}), (std::multiset<std::string>{"a", "b"}));
    EXPECT_EQ(texts[2], "old");
    EXPECT_EQ(texts[3], "old");
}

TEST(NameListing, SucceedsOnAKeyWithoutNamesAndLeavesTheArray) {
    ASSERT_EQ(setDword(testKey(), "n", 1), -1);
    NameArray subKeys(2);
    subKeys.fill("kept");
    EXPECT_EQ(listSubKeys(testKey(), subKeys), -1);
    EXPECT_EQ(subKeys.texts(), (std::vector<std::string>{"kept", "kept"}));
}

TEST(NameListing, FillsEveryElementAndStopsWhenTheKeyHasMoreNames) {
    const std::set<std::string> all = {"v1", "v2", "v3", "v4", "v5"};
    for (const auto& name : all) {
        ASSERT_EQ(setDword(testKey(), name.c_str(), 1), -1);
    }
    NameArray values(3);
    EXPECT_EQ(listValues(testKey(), values), -1);
    const auto texts = values.texts();
    const std::set<std::string> listed(texts.begin(), texts.end());
    EXPECT_EQ(listed.size(), 3u);
    EXPECT_TRUE(std::includes(all.begin(), all.end(), listed.begin(), listed.end()));
}

TEST(NameListing, SkipsANameLongerThan255Characters) {
    const std::string longest(255, 'k');
    const std::string tooLong(256, 'l');
    ASSERT_EQ(setDword(testKey(), longest.c_str(), 1), -1);
    ASSERT_EQ(setDword(testKey(), tooLong.c_str(), 1), -1);
    ASSERT_EQ(valueCount(testKey()), 2);
    NameArray values(3);
    values.fill("old");
    EXPECT_EQ(listValues(testKey(), values), -1);
    EXPECT_EQ(asSet(values.texts()), (std::multiset<std::string>{longest, "old", "old"}));
}

TEST(NameListing, FailsOnAMissingKeyAndUnlocksTheArray) {
    NameArray names(2);
    names.fill("kept");
    EXPECT_EQ(listSubKeys(testKey("missing"), names), 0);
    EXPECT_EQ(listValues("hkcu\\Software", names), 0);
    EXPECT_EQ(names.get()->cLocks, 0u);
    EXPECT_EQ(names.texts(), (std::vector<std::string>{"kept", "kept"}));
    const char* none = nullptr;
    EXPECT_EQ(RegGetValueNames(&none, names.address()), 0);
    EXPECT_EQ(RegGetValueNames(nullptr, names.address()), 0);
    EXPECT_EQ(names.get()->cLocks, 0u);
}

TEST(NameListing, RefusesAnArrayThatFailsTheCheckAndLeavesItUntouched) {
    ASSERT_EQ(setDword(testKey(), "n", 1), -1);
    const std::string path = testKey();
    const char* p = path.c_str();

    SAFEARRAYBOUND bounds[2] = {{2, 0}, {2, 0}};
    SAFEARRAY* square = SafeArrayCreate(VT_BSTR, 2, bounds);
    ASSERT_NE(square, nullptr);
    EXPECT_EQ(RegGetValueNames(&p, &square), 0);
    EXPECT_EQ(static_cast<BSTR*>(square->pvData)[0], nullptr);
    SafeArrayDestroy(square);

    NameArray narrow(2);
    narrow.get()->cbElements = 4;
    EXPECT_EQ(listValues(path, narrow), 0);
    narrow.get()->cbElements = sizeof(BSTR);
    EXPECT_EQ(narrow.texts(), (std::vector<std::string>{"<null>", "<null>"}));

    NameArray empty(2);
    void* data = empty.get()->pvData;
    empty.get()->pvData = nullptr;
    EXPECT_EQ(listValues(path, empty), 0);
    empty.get()->pvData = data;
    EXPECT_EQ(empty.texts(), (std::vector<std::string>{"<null>", "<null>"}));

    NameArray locked(2);
    ASSERT_EQ(SafeArrayLock(locked.get()), S_OK);
    EXPECT_EQ(listValues(path, locked), 0);
    EXPECT_EQ(locked.get()->cLocks, 1u);
    SafeArrayUnlock(locked.get());
    EXPECT_EQ(locked.texts(), (std::vector<std::string>{"<null>", "<null>"}));

    EXPECT_EQ(RegGetValueNames(&p, nullptr), 0);
    SAFEARRAY* none = nullptr;
    EXPECT_EQ(RegGetSubKeyNames(&p, &none), 0);
}

TEST(NameListing, DoesNothingWithAnArrayOfNoElements) {
    ASSERT_EQ(setDword(testKey(), "n", 1), -1);
    NameArray values(0);
    ASSERT_NE(values.get(), nullptr);
    EXPECT_EQ(listValues(testKey(), values), -1);
    EXPECT_EQ(values.get()->cLocks, 0u);
}

} // namespace

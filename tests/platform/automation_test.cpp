#include "platform/automation.h"

#include <gtest/gtest.h>

#include <cstddef>
#include <cstring>
#include <string>

namespace {

uint32_t prefixOf(BSTR text) {
    uint32_t length = 0;
    std::memcpy(&length, text - sizeof length, sizeof length);
    return length;
}

TEST(AutomationString, KeepsByteLengthJustBeforeAndNulJustAfterTheBytes) {
    BSTR text = SysAllocStringByteLen("Cuemark", 7);
    ASSERT_NE(text, nullptr);
    EXPECT_EQ(prefixOf(text), 7u);
    EXPECT_EQ(SysStringByteLen(text), 7u);
    EXPECT_EQ(std::string(text, 7), "Cuemark");
    EXPECT_EQ(text[7], '\0');
    SysFreeString(text);
}

TEST(AutomationString, CopiesOnlyTheGivenBytesEmbeddedNulsIncluded) {
    const char source[] = "a\0b\0cTAIL";
    BSTR text = SysAllocStringByteLen(source, 5);
    ASSERT_NE(text, nullptr);
    EXPECT_EQ(SysStringByteLen(text), 5u);
    EXPECT_EQ(std::string(text, 5), std::string("a\0b\0c", 5));
    EXPECT_EQ(text[5], '\0');
    SysFreeString(text);
}

TEST(AutomationString, NullSourceGivesZeroedBytesOfTheLength) {
    BSTR text = SysAllocStringByteLen(nullptr, 16);
    ASSERT_NE(text, nullptr);
    EXPECT_EQ(SysStringByteLen(text), 16u);
    for (int i = 0; i <= 16; ++i) EXPECT_EQ(text[i], '\0') << i;
    SysFreeString(text);
}

TEST(AutomationString, EmptyStringIsRealAndNullStringHasNoLength) {
    BSTR empty = SysAllocStringByteLen("", 0);
    ASSERT_NE(empty, nullptr);
    EXPECT_EQ(SysStringByteLen(empty), 0u);
    EXPECT_EQ(empty[0], '\0');
    SysFreeString(empty);
    EXPECT_EQ(SysStringByteLen(nullptr), 0u);
    SysFreeString(nullptr);
}

TEST(SafeArrayDescriptor, FieldsSitWhereWindowsPutsThem) {
    EXPECT_EQ(offsetof(SAFEARRAY, cDims), 0u);
    EXPECT_EQ(offsetof(SAFEARRAY, fFeatures), 2u);
    EXPECT_EQ(offsetof(SAFEARRAY, cbElements), 4u);
    EXPECT_EQ(offsetof(SAFEARRAY, cLocks), 8u);
    EXPECT_EQ(offsetof(SAFEARRAY, pvData), 16u);
    EXPECT_EQ(offsetof(SAFEARRAY, rgsabound), 24u);
    EXPECT_EQ(sizeof(SAFEARRAYBOUND), 8u);
    EXPECT_EQ(offsetof(SAFEARRAYBOUND, cElements), 0u);
    EXPECT_EQ(offsetof(SAFEARRAYBOUND, lLbound), 4u);
}

TEST(SafeArrayCreation, VectorHasOneBoundBstrElementsAndNullStrings) {
    SAFEARRAY* array = SafeArrayCreateVector(VT_BSTR, 1, 3);
    ASSERT_NE(array, nullptr);
    EXPECT_EQ(array->cDims, 1);
    EXPECT_EQ(array->cbElements, sizeof(BSTR));
    EXPECT_EQ(array->cLocks, 0u);
    EXPECT_EQ(array->fFeatures, FADF_HAVEVARTYPE | FADF_BSTR);
    EXPECT_EQ(array->rgsabound[0].cElements, 3u);
    EXPECT_EQ(array->rgsabound[0].lLbound, 1);
    ASSERT_NE(array->pvData, nullptr);
    for (int i = 0; i < 3; ++i) EXPECT_EQ(static_cast<BSTR*>(array->pvData)[i], nullptr);
    EXPECT_EQ(SafeArrayDestroy(array), S_OK);
}

TEST(SafeArrayCreation, EmptyVectorStillHasData) {
    SAFEARRAY* array = SafeArrayCreateVector(VT_BSTR, 0, 0);
    ASSERT_NE(array, nullptr);
    EXPECT_NE(array->pvData, nullptr);
    EXPECT_EQ(SafeArrayDestroy(array), S_OK);
}

TEST(SafeArrayCreation, KeepsBoundsLastDimensionFirstAsWindowsDoes) {
    const SAFEARRAYBOUND bounds[2] = {{2, 0}, {5, 10}};
    SAFEARRAY* array = SafeArrayCreate(VT_BSTR, 2, bounds);
    ASSERT_NE(array, nullptr);
    EXPECT_EQ(array->cDims, 2);
    EXPECT_EQ(array->rgsabound[0].cElements, 5u);
    EXPECT_EQ(array->rgsabound[0].lLbound, 10);
    EXPECT_EQ(array->rgsabound[1].cElements, 2u);
    EXPECT_EQ(SafeArrayDestroy(array), S_OK);
}

TEST(SafeArrayCreation, RefusesOtherElementTypesNoDimensionsAndOversizedArrays) {
    const SAFEARRAYBOUND bound{4, 0};
    EXPECT_EQ(SafeArrayCreate(3 /* VT_I4 */, 1, &bound), nullptr);
    EXPECT_EQ(SafeArrayCreate(VT_BSTR, 0, &bound), nullptr);
    EXPECT_EQ(SafeArrayCreate(VT_BSTR, 1, nullptr), nullptr);
    const SAFEARRAYBOUND huge[3] = {{0xFFFFFFFF, 0}, {0xFFFFFFFF, 0}, {0xFFFFFFFF, 0}};
    EXPECT_EQ(SafeArrayCreate(VT_BSTR, 3, huge), nullptr);
}

TEST(SafeArrayLocking, CountsLocksAndRefusesAnUnlockTooMany) {
    SAFEARRAY* array = SafeArrayCreateVector(VT_BSTR, 0, 1);
    ASSERT_NE(array, nullptr);
    EXPECT_EQ(SafeArrayUnlock(array), E_UNEXPECTED);
    EXPECT_EQ(SafeArrayLock(array), S_OK);
    EXPECT_EQ(SafeArrayLock(array), S_OK);
    EXPECT_EQ(array->cLocks, 2u);
    EXPECT_EQ(SafeArrayUnlock(array), S_OK);
    EXPECT_EQ(SafeArrayUnlock(array), S_OK);
    EXPECT_EQ(SafeArrayUnlock(array), E_UNEXPECTED);
    EXPECT_EQ(array->cLocks, 0u);
    EXPECT_EQ(SafeArrayLock(nullptr), E_INVALIDARG);
    EXPECT_EQ(SafeArrayUnlock(nullptr), E_INVALIDARG);
    EXPECT_EQ(SafeArrayDestroy(array), S_OK);
}

TEST(SafeArrayLocking, LockedArrayIsNotDestroyedAndKeepsItsStrings) {
    SAFEARRAY* array = SafeArrayCreateVector(VT_BSTR, 0, 2);
    ASSERT_NE(array, nullptr);
    auto* elements = static_cast<BSTR*>(array->pvData);
    elements[0] = SysAllocStringByteLen("one", 3);
    elements[1] = SysAllocStringByteLen("two", 3);
    ASSERT_EQ(SafeArrayLock(array), S_OK);
    EXPECT_EQ(SafeArrayDestroy(array), DISP_E_ARRAYISLOCKED);
    EXPECT_EQ(std::string(elements[1], 3), "two");
    ASSERT_EQ(SafeArrayUnlock(array), S_OK);
    // The element strings go with the array; the leak checker of the
    // sanitizer build would report them otherwise.
    EXPECT_EQ(SafeArrayDestroy(array), S_OK);
    EXPECT_EQ(SafeArrayDestroy(nullptr), S_OK);
}

} // namespace

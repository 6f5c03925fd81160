// Automation strings and safe arrays of them, with the Windows memory layout
// so that code written against the real thing reads and behaves the same.
#include "platform/automation.h"

#include "platform/api_export.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

namespace {

constexpr size_t kPrefixBytes = sizeof(uint32_t);
// Two NUL bytes, as for a wide string, so a BSTR is safely terminated
// whichever way a reader looks at it.
constexpr size_t kTerminatorBytes = 2;

// Like Windows, a VARTYPE sits in the four bytes before the descriptor; the
// block starts 16 bytes earlier to keep the descriptor well aligned.
constexpr size_t kDescriptorPrefix = 16;
constexpr uint16_t kLockLimit = 0xFFFF;

char* blockOf(SAFEARRAY* psa) {
    return reinterpret_cast<char*>(psa) - kDescriptorPrefix;
}

// Number of elements over all dimensions, or false when it does not fit.
bool elementCount(uint32_t cDims, const SAFEARRAYBOUND* bounds, size_t& count) {
    count = 1;
    for (uint32_t i = 0; i < cDims; ++i) {
        const size_t n = bounds[i].cElements;
        if (n != 0 && count > SIZE_MAX / sizeof(BSTR) / n) return false;
        count *= n;
    }
    return true;
}

} // namespace

PLATFORM_API BSTR SysAllocStringByteLen(const char* psz, uint32_t len) {
    const size_t total = kPrefixBytes + size_t{len} + kTerminatorBytes;
    auto* block = static_cast<char*>(std::malloc(total));
    if (block == nullptr) return nullptr;
    std::memcpy(block, &len, sizeof len);
    char* data = block + kPrefixBytes;
    if (psz != nullptr)
        std::memcpy(data, psz, len);
    else
        std::memset(data, 0, len);
    std::memset(data + len, 0, kTerminatorBytes);
    return data;
}

PLATFORM_API uint32_t SysStringByteLen(BSTR bstr) {
    if (bstr == nullptr) return 0;
    uint32_t len;
    std::memcpy(&len, bstr - kPrefixBytes, sizeof len);
    return len;
}

PLATFORM_API void SysFreeString(BSTR bstr) {
    if (bstr != nullptr) std::free(bstr - kPrefixBytes);
}

PLATFORM_API SAFEARRAY* SafeArrayCreate(VARTYPE vt, uint32_t cDims, const SAFEARRAYBOUND* rgsabound) {
    if (vt != VT_BSTR || cDims == 0 || cDims > 0xFFFF || rgsabound == nullptr) return nullptr;
    size_t count = 0;
    if (!elementCount(cDims, rgsabound, count)) return nullptr;

    const size_t descriptorBytes = offsetof(SAFEARRAY, rgsabound) + size_t{cDims} * sizeof(SAFEARRAYBOUND);
    auto* block = static_cast<char*>(std::calloc(1, kDescriptorPrefix + descriptorBytes));
    if (block == nullptr) return nullptr;
    // Never a null data pointer, even for no elements: callers take null as
    // "no array".
    void* data = std::calloc(count == 0 ? 1 : count, sizeof(BSTR));
    if (data == nullptr) {
        std::free(block);
        return nullptr;
    }

    const uint32_t storedVt = vt;
    std::memcpy(block + kDescriptorPrefix - sizeof storedVt, &storedVt, sizeof storedVt);
    auto* psa = reinterpret_cast<SAFEARRAY*>(block + kDescriptorPrefix);
    psa->cDims = static_cast<uint16_t>(cDims);
    psa->fFeatures = FADF_HAVEVARTYPE | FADF_BSTR;
    psa->cbElements = sizeof(BSTR);
    psa->cLocks = 0;
    psa->pvData = data;
    // The descriptor keeps the bounds with the last dimension first, as Windows does.
    for (uint32_t i = 0; i < cDims; ++i) psa->rgsabound[cDims - 1 - i] = rgsabound[i];
    return psa;
}

PLATFORM_API SAFEARRAY* SafeArrayCreateVector(VARTYPE vt, int32_t lLbound, uint32_t cElements) {
    const SAFEARRAYBOUND bound{cElements, lLbound};
    return SafeArrayCreate(vt, 1, &bound);
}

PLATFORM_API HRESULT SafeArrayLock(SAFEARRAY* psa) {
    if (psa == nullptr) return E_INVALIDARG;
    if (psa->cLocks >= kLockLimit) return E_UNEXPECTED;
    ++psa->cLocks;
    return S_OK;
}

PLATFORM_API HRESULT SafeArrayUnlock(SAFEARRAY* psa) {
    if (psa == nullptr) return E_INVALIDARG;
    if (psa->cLocks == 0) return E_UNEXPECTED;
    --psa->cLocks;
    return S_OK;
}

PLATFORM_API HRESULT SafeArrayDestroy(SAFEARRAY* psa) {
    if (psa == nullptr) return S_OK;
    if (psa->cLocks != 0) return DISP_E_ARRAYISLOCKED;
    if (psa->pvData != nullptr) {
        size_t count = 0;
        if (elementCount(psa->cDims, psa->rgsabound, count)) {
            auto* elements = static_cast<BSTR*>(psa->pvData);
            for (size_t i = 0; i < count; ++i) SysFreeString(elements[i]);
        }
        std::free(psa->pvData);
    }
    std::free(blockOf(psa));
    return S_OK;
}

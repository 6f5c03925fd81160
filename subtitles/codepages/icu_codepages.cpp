// libcuemark_codepages.so: the ICU side of the code-page interface.
#include "subtitles/codepages/codepages_api.h"

#include <unicode/ucnv.h>
#include <unicode/ucsdet.h>

#include <cstdlib>
#include <cstring>

namespace {

// Grows a malloc'd buffer; false (buffer kept) when memory runs out.
template <typename T>
bool grow(T*& buffer, size_t& capacity) {
    void* bigger = std::realloc(buffer, capacity * 2 * sizeof(T));
    if (bigger == nullptr) return false;
    buffer = static_cast<T*>(bigger);
    capacity *= 2;
    return true;
}

UConverter* converterOf(CmConverter* converter) {
    return reinterpret_cast<UConverter*>(converter);
}

void copyName(const char* name, char* out, size_t capacity) {
    if (capacity == 0) return;
    std::strncpy(out, name, capacity - 1);
    out[capacity - 1] = '\0';
}

} // namespace

extern "C" {

CmConverter* cm_open(const char* name, char* canonical, size_t capacity) {
    UErrorCode status = U_ZERO_ERROR;
    UConverter* converter = ucnv_open(name, &status);
    if (converter == nullptr || U_FAILURE(status)) {
        if (converter != nullptr) ucnv_close(converter);
        return nullptr;
    }
    const char* icuName = ucnv_getName(converter, &status);
    if (U_FAILURE(status)) {
        ucnv_close(converter);
        return nullptr;
    }
    copyName(icuName, canonical, capacity);
    for (const char* standard : {"MIME", "IANA"}) {
        UErrorCode lookup = U_ZERO_ERROR;
        const char* standardName = ucnv_getStandardName(icuName, standard, &lookup);
        if (U_SUCCESS(lookup) && standardName != nullptr) {
            copyName(standardName, canonical, capacity);
            break;
        }
    }
    UErrorCode callbacks = U_ZERO_ERROR;
    ucnv_setToUCallBack(converter, UCNV_TO_U_CALLBACK_STOP, nullptr, nullptr, nullptr, &callbacks);
    ucnv_setFromUCallBack(converter, UCNV_FROM_U_CALLBACK_STOP, nullptr, nullptr, nullptr, &callbacks);
    return reinterpret_cast<CmConverter*>(converter);
}

void cm_close(CmConverter* converter) {
    if (converter != nullptr) ucnv_close(converterOf(converter));
}

int cm_to_utf16(CmConverter* handle, const char* bytes, size_t size, uint16_t** units, size_t* length,
                size_t* failedAt) {
    UConverter* converter = converterOf(handle);
    ucnv_resetToUnicode(converter);
    size_t capacity = size + 16;
    auto* out = static_cast<UChar*>(std::malloc(capacity * sizeof(UChar)));
    if (out == nullptr) return -1;
    size_t used = 0;
    const char* source = bytes;
    const char* const sourceEnd = bytes + size;
    for (;;) {
        UChar* target = out + used;
        UErrorCode status = U_ZERO_ERROR;
        ucnv_toUnicode(converter, &target, out + capacity, &source, sourceEnd, nullptr, true, &status);
        used = static_cast<size_t>(target - out);
        if (status == U_BUFFER_OVERFLOW_ERROR) {
            if (!grow(out, capacity)) break;
            continue;
        }
        if (U_FAILURE(status)) {
            char invalid[32];
            int8_t invalidLength = sizeof invalid;
            UErrorCode ignored = U_ZERO_ERROR;
            ucnv_getInvalidChars(converter, invalid, &invalidLength, &ignored);
            const auto consumed = static_cast<size_t>(source - bytes);
            if (U_FAILURE(ignored) || invalidLength < 0 || static_cast<size_t>(invalidLength) > consumed)
                invalidLength = 0;
            *failedAt = consumed - static_cast<size_t>(invalidLength);
            std::free(out);
            return 1;
        }
        *units = reinterpret_cast<uint16_t*>(out);
        *length = used;
        return 0;
    }
    std::free(out);
    return -1;
}

int cm_from_utf16(CmConverter* handle, const uint16_t* units, size_t count, char** bytes, size_t* length,
                  size_t* failedAt) {
    UConverter* converter = converterOf(handle);
    ucnv_resetFromUnicode(converter);
    size_t capacity = count + 16;
    auto* out = static_cast<char*>(std::malloc(capacity));
    if (out == nullptr) return -1;
    size_t used = 0;
    const auto* const sourceStart = reinterpret_cast<const UChar*>(units);
    const UChar* source = sourceStart;
    const UChar* const sourceEnd = source + count;
    for (;;) {
        char* target = out + used;
        UErrorCode status = U_ZERO_ERROR;
        ucnv_fromUnicode(converter, &target, out + capacity, &source, sourceEnd, nullptr, true, &status);
        used = static_cast<size_t>(target - out);
        if (status == U_BUFFER_OVERFLOW_ERROR) {
            if (!grow(out, capacity)) break;
            continue;
        }
        if (U_FAILURE(status)) {
            UChar invalid[8];
            int8_t invalidLength = 8;
            UErrorCode ignored = U_ZERO_ERROR;
            ucnv_getInvalidUChars(converter, invalid, &invalidLength, &ignored);
            if (U_FAILURE(ignored) || invalidLength < 0) invalidLength = 0;
            *failedAt = static_cast<size_t>(source - sourceStart) - static_cast<size_t>(invalidLength);
            std::free(out);
            return 1;
        }
        *bytes = out;
        *length = used;
        return 0;
    }
    std::free(out);
    return -1;
}

void cm_detect(const char* sample, size_t size, int32_t minimumConfidence, char* out, size_t capacity) {
    if (capacity < 2) return;
    out[0] = out[1] = '\0';
    UErrorCode status = U_ZERO_ERROR;
    UCharsetDetector* detector = ucsdet_open(&status);
    if (U_FAILURE(status)) return;
    ucsdet_enableInputFilter(detector, true); // skip SAMI's markup
    ucsdet_setText(detector, sample, static_cast<int32_t>(size), &status);
    int32_t count = 0;
    const UCharsetMatch** matches = ucsdet_detectAll(detector, &count, &status);
    size_t used = 0;
    for (int32_t i = 0; U_SUCCESS(status) && i < count; ++i) {
        UErrorCode matchStatus = U_ZERO_ERROR;
        const char* name = ucsdet_getName(matches[i], &matchStatus);
        const int32_t confidence = ucsdet_getConfidence(matches[i], &matchStatus);
        if (U_FAILURE(matchStatus) || name == nullptr || confidence < minimumConfidence) continue;
        const size_t length = std::strlen(name);
        if (used + length + 2 > capacity) break;
        std::memcpy(out + used, name, length + 1);
        used += length + 1;
        out[used] = '\0';
    }
    ucsdet_close(detector);
}

void cm_free(void* buffer) {
    std::free(buffer);
}

} // extern "C"

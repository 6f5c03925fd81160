/* The code-page library's C interface: conversions between legacy encodings
   and UTF-16, and encoding detection, through ICU. It lives in a library of
   its own (libcuemark_codepages.so), opened on first use, so that a program
   reading and writing UTF-8 never loads ICU. Nothing crosses but C types;
   buffers it returns are freed with cm_free. */
#ifndef CUEMARK_CODEPAGES_API_H
#define CUEMARK_CODEPAGES_API_H

#include <stddef.h>
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

/* The library exports these and nothing else. */
#define CM_EXPORT __attribute__((visibility("default")))

typedef struct CmConverter CmConverter;

/* Opens the converter for `name` (any ICU alias; it stops at the first byte
   or character the encoding cannot take) and writes its canonical name (the
   MIME name, else the IANA one, else ICU's own) into `canonical`. NULL for
   an unknown name. */
CM_EXPORT CmConverter* cm_open(const char* name, char* canonical, size_t capacity);
CM_EXPORT void cm_close(CmConverter* converter);

/* To UTF-16. 0: *units (count *length) holds the text. 1: the byte at
   *failedAt is undefined in the encoding. -1: out of memory. */
CM_EXPORT int cm_to_utf16(CmConverter* converter, const char* bytes, size_t size, uint16_t** units, size_t* length,
                size_t* failedAt);

/* From UTF-16. 0: *bytes (count *length) holds the text. 1: the unit at
   *failedAt cannot be written in the encoding. -1: out of memory. */
CM_EXPORT int cm_from_utf16(CmConverter* converter, const uint16_t* units, size_t count, char** bytes, size_t* length,
                  size_t* failedAt);

/* The encodings ICU's detector names for `sample` with at least
   `minimumConfidence`, best first, each followed by a NUL, the list ended by
   a second NUL; as many as fit in `out`. */
CM_EXPORT void cm_detect(const char* sample, size_t size, int32_t minimumConfidence, char* out, size_t capacity);

CM_EXPORT void cm_free(void* buffer);

#ifdef __cplusplus
}
#endif

#endif

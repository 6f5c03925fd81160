#pragma once
/* Automation strings and one-dimensional safe arrays of them, laid out as
   on Windows. A BSTR here holds 8-bit bytes: a 4-byte byte length sits just
   before the pointer and a NUL just after the data. */

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

typedef char* BSTR;
typedef uint16_t VARTYPE;
typedef int32_t HRESULT;

#define VT_BSTR 8

#define S_OK ((HRESULT)0)
#define E_INVALIDARG ((HRESULT)0x80070057)
#define E_OUTOFMEMORY ((HRESULT)0x8007000E)
#define E_UNEXPECTED ((HRESULT)0x8000FFFF)
#define DISP_E_ARRAYISLOCKED ((HRESULT)0x8002000D)

#define FADF_HAVEVARTYPE 0x0080
#define FADF_BSTR 0x0100

typedef struct tagSAFEARRAYBOUND {
    uint32_t cElements;
    int32_t lLbound;
} SAFEARRAYBOUND;

typedef struct tagSAFEARRAY {
    uint16_t cDims;
    uint16_t fFeatures;
    uint32_t cbElements;
    uint32_t cLocks;
    void* pvData;
    SAFEARRAYBOUND rgsabound[1]; /* cDims bounds follow in storage */
} SAFEARRAY;

/* psz may be NULL: the string then holds len zero bytes. NULL when memory
   cannot be had. */
BSTR SysAllocStringByteLen(const char* psz, uint32_t len);
uint32_t SysStringByteLen(BSTR bstr); /* 0 for NULL */
void SysFreeString(BSTR bstr);        /* NULL is allowed */

/* Arrays of VT_BSTR only; elements start as NULL strings. */
SAFEARRAY* SafeArrayCreate(VARTYPE vt, uint32_t cDims, const SAFEARRAYBOUND* rgsabound);
SAFEARRAY* SafeArrayCreateVector(VARTYPE vt, int32_t lLbound, uint32_t cElements);
HRESULT SafeArrayLock(SAFEARRAY* psa);
HRESULT SafeArrayUnlock(SAFEARRAY* psa);
/* Frees every element string and the array; DISP_E_ARRAYISLOCKED while locked. */
HRESULT SafeArrayDestroy(SAFEARRAY* psa);

#ifdef __cplusplus
}
#endif

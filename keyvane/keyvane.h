#pragma once
/* keyvane: registry values by key path ("HKCU\Software\Tavrel\Cuemark")
   and a tolerant phrase search, behind a C interface.

   Registry functions take every argument by address: a text is the address
   of a pointer to NUL-terminated 8-bit text, a number the address of an
   int32_t, a key handle the address of a uint32_t. Truth results are -1
   (success) and 0 (failure); counts are -1 on failure. Text results are
   new strings from SysAllocStringByteLen that the caller frees with
   SysFreeString. A null address makes the call fail; a null text pointer
   counts as the empty text, except for a read's default, where it means
   "no default". Name arrays are one-dimensional, unlocked arrays of BSTR
   with data (element size sizeof(BSTR)); names go into the elements in
   storage order, whatever the lower bound. */

#include <stdint.h>

#include "platform/automation.h"

#ifdef __cplusplus
extern "C" {
#endif

int32_t RegGetDwordValue(const char* const* path, const char* const* name, const int32_t* defaultNumber);
int32_t RegGetDwordValueH(const uint32_t* key, const char* const* name, const int32_t* defaultNumber);
BSTR RegGetStringValue(const char* const* path, const char* const* name, const char* const* defaultText);
BSTR RegGetStringValueH(const uint32_t* key, const char* const* name, const char* const* defaultText);
int32_t RegGetSubKeyNames(const char* const* path, SAFEARRAY* const* names);
int32_t RegGetSubKeyNamesH(const uint32_t* key, SAFEARRAY* const* names);
int32_t RegGetValueNames(const char* const* path, SAFEARRAY* const* names);
int32_t RegGetValueNamesH(const uint32_t* key, SAFEARRAY* const* names);
int32_t RegGetnSubKeys(const char* const* path);
int32_t RegGetnSubKeysH(const uint32_t* key);
int32_t RegGetnValues(const char* const* path);
int32_t RegGetnValuesH(const uint32_t* key);
int32_t RegSetDwordValue(const char* const* path, const char* const* name, const int32_t* number);
int32_t RegSetDwordValueH(const uint32_t* key, const char* const* name, const int32_t* number);
int32_t RegSetStringValue(const char* const* path, const char* const* name, const char* const* text);
int32_t RegSetStringValueH(const uint32_t* key, const char* const* name, const char* const* text);
void RegVBCloseKey(const uint32_t* key);
/* Deletes the named child of the key at path; an empty child name fails. */
int32_t RegVBDeleteKey(const char* const* path, const char* const* childName);
int32_t RegVBDeleteValue(const char* const* path, const char* const* name);
/* Creates the key when missing; 0 on failure. Close it with RegVBCloseKey. */
uint32_t RegVBOpenKey(const char* const* path);
int32_t RegValueType(const char* const* path, const char* const* name);
int32_t RegValueTypeH(const uint32_t* key, const char* const* name);

/* Not one of the registry family, whose results only say that a call
   failed: what keeps the settings store from being used, for telling the
   user. Looks at the store file without changing it. With *forWriting 0
   (or a null address) only what stops reading counts; otherwise also what
   stops writing, such as a read-only folder. The result is a new string
   "FILE: CAUSE", for example "/home/ana/.config/keyvane/registry.sqlite3:
   not a settings store (foreign tables)", or the empty text when nothing is
   wrong; null only when memory ran out. */
BSTR RegStoreProblem(const int32_t* forWriting);

/* -1 when phrase occurs in text, ignoring ASCII letter case and white space
   and tolerating floor(length * level / 10) errors; 0 otherwise, and for a
   null or empty argument. Keeps nothing between calls. */
int32_t StringMatch(const char* text, const char* phrase);
/* Sets the level, in tenths, for all later StringMatch calls of the whole
   process (2 at load; below 0 acts as 0). A null address changes nothing. */
void StringMatchLevel(const int16_t* level);

#ifdef __cplusplus
}
#endif

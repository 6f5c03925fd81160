#pragma once
/* The registry functions keyvane needs, shaped like their Windows
   namesakes so that keyvane reads as it would there. Behind them is one
   SQLite database holding the five roots (see README.md for its place).
   Key handles are 32-bit: predefined roots, or numbers issued from a table
   of open keys; any other handle is refused with ERROR_INVALID_HANDLE.

   Where this store has to choose:
   - Key and value names compare with ASCII case folding only (bytes above
     127 compare as they are) and keep the case they were first made with.
   - Empty levels of a sub-key path (leading, trailing or doubled
     backslashes) are skipped; an empty sub-key names the key itself, so
     RegDeleteKeyA(h, "") deletes h's own key (never a root).
   - Changing anything (values, sub-keys, deleting) needs a handle opened with
     the matching right; deleting a sub-key needs KEY_SET_VALUE,
     KEY_CREATE_SUB_KEY or DELETE. Predefined roots have every right.
   - Only non-volatile keys; classes, security and write times are not kept
     (reported empty, 0 and zero).
   - A store file that is damaged or not ours: every call that needs it
     fails with ERROR_BADDB and the file is never written. A store that
     cannot be opened at all: ERROR_CANTREAD or ERROR_CANTWRITE. A store
     that may be read but not written (a read-only folder or file) is read;
     writes fail with ERROR_CANTWRITE. RegDescribeStoreProblemA
     (store_problem.h) says in words what is wrong with the file.
   - The store location is read from the environment on every call; a
     change of location retires all open handles. */

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

typedef uint32_t HKEY;
typedef uint32_t DWORD;
typedef int32_t LONG;
typedef LONG LSTATUS;
typedef uint32_t REGSAM;
typedef uint8_t BYTE;

#define HKEY_CLASSES_ROOT ((HKEY)0x80000000u)
#define HKEY_CURRENT_USER ((HKEY)0x80000001u)
#define HKEY_LOCAL_MACHINE ((HKEY)0x80000002u)
#define HKEY_USERS ((HKEY)0x80000003u)
#define HKEY_CURRENT_CONFIG ((HKEY)0x80000005u)

#define ERROR_SUCCESS 0L
#define ERROR_FILE_NOT_FOUND 2L
#define ERROR_ACCESS_DENIED 5L
#define ERROR_INVALID_HANDLE 6L
#define ERROR_NOT_ENOUGH_MEMORY 8L
#define ERROR_INVALID_PARAMETER 87L
#define ERROR_MORE_DATA 234L
#define ERROR_NO_MORE_ITEMS 259L
#define ERROR_BADDB 1009L /* the store file is corrupt or not a database */
#define ERROR_CANTREAD 1012L
#define ERROR_CANTWRITE 1013L
#define ERROR_KEY_DELETED 1018L /* the key behind an open handle was deleted */
#define ERROR_KEY_HAS_CHILDREN 1020L

#define REG_NONE 0
#define REG_SZ 1
#define REG_EXPAND_SZ 2
#define REG_BINARY 3
#define REG_DWORD 4
#define REG_DWORD_BIG_ENDIAN 5
#define REG_LINK 6
#define REG_MULTI_SZ 7
#define REG_QWORD 11

#define KEY_QUERY_VALUE 0x0001
#define KEY_SET_VALUE 0x0002
#define KEY_CREATE_SUB_KEY 0x0004
#define KEY_ENUMERATE_SUB_KEYS 0x0008
#define KEY_NOTIFY 0x0010
#define KEY_CREATE_LINK 0x0020
#define KEY_READ 0x20019
#define KEY_WRITE 0x20006
#define KEY_ALL_ACCESS 0xF003F

#define REG_OPTION_NON_VOLATILE 0x0
#define REG_CREATED_NEW_KEY 1
#define REG_OPENED_EXISTING_KEY 2

/* Longest key name (one level) and value name, in characters. */
#define REG_MAX_KEY_NAME 255
#define REG_MAX_VALUE_NAME 16383

LSTATUS RegOpenKeyExA(HKEY hKey, const char* lpSubKey, DWORD ulOptions, REGSAM samDesired, HKEY* phkResult);
LSTATUS RegCreateKeyExA(HKEY hKey, const char* lpSubKey, DWORD Reserved, char* lpClass, DWORD dwOptions,
                        REGSAM samDesired, const void* lpSecurityAttributes, HKEY* phkResult, DWORD* lpdwDisposition);
LSTATUS RegQueryValueExA(HKEY hKey, const char* lpValueName, DWORD* lpReserved, DWORD* lpType, BYTE* lpData,
                         DWORD* lpcbData);
LSTATUS RegSetValueExA(HKEY hKey, const char* lpValueName, DWORD Reserved, DWORD dwType, const BYTE* lpData,
                       DWORD cbData);
LSTATUS RegQueryInfoKeyA(HKEY hKey, char* lpClass, DWORD* lpcchClass, DWORD* lpReserved, DWORD* lpcSubKeys,
                         DWORD* lpcbMaxSubKeyLen, DWORD* lpcbMaxClassLen, DWORD* lpcValues, DWORD* lpcbMaxValueNameLen,
                         DWORD* lpcbMaxValueLen, DWORD* lpcbSecurityDescriptor, void* lpftLastWriteTime);
LSTATUS RegEnumKeyExA(HKEY hKey, DWORD dwIndex, char* lpName, DWORD* lpcchName, DWORD* lpReserved, char* lpClass,
                      DWORD* lpcchClass, void* lpftLastWriteTime);
LSTATUS RegEnumValueA(HKEY hKey, DWORD dwIndex, char* lpValueName, DWORD* lpcchValueName, DWORD* lpReserved,
                      DWORD* lpType, BYTE* lpData, DWORD* lpcbData);
LSTATUS RegDeleteValueA(HKEY hKey, const char* lpValueName);
LSTATUS RegDeleteKeyA(HKEY hKey, const char* lpSubKey);
LSTATUS RegCloseKey(HKEY hKey);

#ifdef __cplusplus
}
#endif

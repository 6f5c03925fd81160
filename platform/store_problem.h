#pragma once
/* Beyond the Windows interface: what keeps the store file from being used,
   in words for the user, so that a program can say more than that a call
   failed. Exported by libplatform_registry.so. */

#include "platform/registry.h"

#ifdef __cplusplus
extern "C" {
#endif

/* Looks at the store file where the registry now lives without changing it
   and describes what stops it from being read (with forWriting not 0, also
   from being written) as one line "FILE: CAUSE", for example
   "/home/ana/.config/keyvane/registry.sqlite3: file is damaged (not a SQLite
   database)"; the empty text when nothing is wrong, or when the file does
   not exist yet and the first write can make it. With no place for a store
   at all (no home folder), only a writer is told, with "(no home folder)"
   in place of the file. Copies at most size - 1 bytes and a NUL into buffer
   (none when size is 0) and returns the length of the whole text, like
   snprintf. */
DWORD RegDescribeStoreProblemA(DWORD forWriting, char* buffer, DWORD size);

#ifdef __cplusplus
}
#endif

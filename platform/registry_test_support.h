#pragma once
/* Not part of the Windows interface: for tests that point KEYVANE_REGISTRY
   at a new file. Closes the store connection and every open handle, and
   forgets that a store file was found corrupt. The location is read again
   on the next call anyway; this makes the switch explicit and complete.
   libplatform_registry.so does not export it: link platform_registry_static. */

#ifdef __cplusplus
extern "C" {
#endif

void RegPlatformResetForTests(void);

#ifdef __cplusplus
}
#endif

#pragma once
// Marks the definitions of the C functions the platform libraries export;
// the libraries are built with hidden visibility, so nothing else leaves them.
#define PLATFORM_API extern "C" __attribute__((visibility("default")))

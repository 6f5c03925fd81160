#pragma once
// The one operation of each registry export, on a key already open.
// Names are never null here: the exports turn a null name into "".

#include <cstdint>
#include <optional>
#include <string>

#include "platform/registry.h"

namespace keyvane {

// A REG_SZ or REG_EXPAND_SZ value (not expanded) up to its first NUL;
// nothing for a missing, empty-sized or other-typed value.
std::optional<std::string> readText(HKEY key, const char* name);

// A REG_DWORD value of exactly 4 bytes; nothing for anything else.
std::optional<std::int32_t> readNumber(HKEY key, const char* name);

// REG_SZ with its terminating NUL counted in the stored size.
bool writeText(HKEY key, const char* name, const char* text);
bool writeNumber(HKEY key, const char* name, std::int32_t number);

// The value's type code; 0 when the value cannot be queried.
std::int32_t valueType(HKEY key, const char* name);

// Numbers of sub-keys and of values; -1 on failure.
std::int32_t countSubKeys(HKEY key);
std::int32_t countValues(HKEY key);

} // namespace keyvane

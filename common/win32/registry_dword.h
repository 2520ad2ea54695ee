// DWORD values under the current user's registry: the plug-ins' own setting
// and the host's values they follow.
#pragma once
#include <windows.h>

#include <cstdint>

// The stored REG_DWORD, or `fallback` when the key or a DWORD value is missing.
int32_t ReadRegistryDword(const char* keyPath, const char* valueName, int32_t fallback);
// The same, and `fallback` also when the value lies outside [minimum, maximum].
int32_t ReadRegistryDwordInRange(const char* keyPath, const char* valueName, int32_t minimum, int32_t maximum,
                                 int32_t fallback);
LONG WriteRegistryDword(const char* keyPath, const char* valueName, int32_t value);

// The IPQ display mode: read from the user's registry when the library is
// attached, edited by the configuration dialog.
#pragma once
#include <windows.h>

#include <cstdint>

extern int32_t CurrentIpqFormat;

extern const char IpqSettingKey[];

int32_t ReadRegistryDword(const char* keyPath, const char* valueName, int32_t fallback);
int32_t ReadRegistryDwordInRange(const char* keyPath, const char* valueName, int32_t minimum, int32_t maximum,
                                 int32_t fallback);
LONG WriteRegistryDword(const char* keyPath, const char* valueName, int32_t value);

void LoadIpqFormat();
LONG SaveIpqFormat();

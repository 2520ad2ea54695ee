// The IPQ display mode: read from the user's registry when the library is
// attached, edited by the configuration dialog.
#pragma once
#include <windows.h>

#include <cstdint>

#include "common/win32/registry_dword.h"

extern int32_t CurrentIpqFormat;

extern const char IpqSettingKey[];

void LoadIpqFormat();
LONG SaveIpqFormat();

// The host's own language setting, which picks the texts the plug-ins show.
#pragma once
#include <cstdint>

// "Japanese" under the host's key: 0 English, 1 Japanese; 1 when the value
// is missing or no DWORD. Other values are returned as they are.
int32_t HostLanguage();

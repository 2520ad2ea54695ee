#include "common/win32/host_language.h"

#include "common/win32/registry_dword.h"

namespace {
const char HostResourceKey[] = "Software\\Harkimo\\Susie\\Resource";
} // namespace

int32_t HostLanguage() { return ReadRegistryDword(HostResourceKey, "Japanese", 1); }

// Whether the DLL may be unloaded: live objects and server locks.
#pragma once
#include <windows.h>

void CountObjectIn();
void CountObjectOut();
void LockModule(bool lock);
bool ModuleInUse();
// The DLL's own module handle, for its path in the registry.
HMODULE CodecModule();

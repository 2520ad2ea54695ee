// What a process holds, for the checks that calls release everything:
// handles, private bytes and heap bytes in use (LocalAlloc takes from the heap).
#pragma once
#include <windows.h>

DWORD HandleCount();
SIZE_T PrivateBytes();
SIZE_T HeapBytesInUse();

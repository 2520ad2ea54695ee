// Dosek's process attach: it loads only where its code can run.
#include <windows.h>

#include "common/win32/processor_check.h"

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH && !ProcessorRunsPlugins()) return FALSE;
  if (reason == DLL_PROCESS_ATTACH) DisableThreadLibraryCalls(instance);
  return TRUE;
}

#include "picture_filter/win32/ipq_setting.h"

#include "common/win32/processor_check.h"
#include "common/win32/registry_dword.h"
#include "container/ipq_display_mode.h"

int32_t CurrentIpqFormat = TreatAsArchive;

const char IpqSettingKey[] = "Software\\Harkimo\\Susie\\Plug-in\\Palvo";

void LoadIpqFormat() {
  CurrentIpqFormat = ReadRegistryDwordInRange(IpqSettingKey, "IpqFormat", TreatAsArchive, ShowLast, TreatAsArchive);
}

LONG SaveIpqFormat() { return WriteRegistryDword(IpqSettingKey, "IpqFormat", CurrentIpqFormat); }

HINSTANCE PalvoModule = nullptr;

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH && !ProcessorRunsPlugins()) return FALSE;
  if (reason == DLL_PROCESS_ATTACH) {
    PalvoModule = instance;
    DisableThreadLibraryCalls(instance);
    LoadIpqFormat();
  }
  return TRUE;
}

extern "C" int32_t __stdcall GetIpqFormat() { return CurrentIpqFormat; }

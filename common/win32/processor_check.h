// What the plug-ins ask of the processor before they agree to load.
#pragma once
#include <windows.h>

// True when the processor runs the plug-ins' code: the 32-bit build assumes
// SSE2 throughout. A DllMain returns this at process attach, so that a host on
// an older processor sees a plug-in it cannot load rather than a crash.
inline bool ProcessorRunsPlugins() {
#ifndef PF_XMMI64_INSTRUCTIONS_AVAILABLE
#define PF_XMMI64_INSTRUCTIONS_AVAILABLE 10
#endif
  return IsProcessorFeaturePresent(PF_XMMI64_INSTRUCTIONS_AVAILABLE) != FALSE;
}

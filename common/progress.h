// The host's progress callback and the record that carries it down to the decoders.
#pragma once
#include <cstdint>

#if defined(_WIN32)
#define FC_STDCALL __stdcall
#else
#define FC_STDCALL
#endif

// Called with (done, total, userData); a non-zero answer asks the plug-in to stop.
typedef int32_t(FC_STDCALL* ProgressCallback)(int32_t done, int32_t total, intptr_t userData);

struct Progress {
  ProgressCallback Callback; // may be null: then nobody is told anything
  intptr_t UserData;         // handed back to Callback unchanged
};

// Reports (done, total); true when the host asked to stop.
inline bool ReportProgress(const Progress& progress, int32_t done, int32_t total) {
  return progress.Callback != nullptr && progress.Callback(done, total, progress.UserData) != 0;
}

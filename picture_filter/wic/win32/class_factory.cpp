// The DLL's COM entry points: the class factory and whether it may unload.
#include <windows.h>

#include <new>

#include "picture_filter/wic/win32/codec_ids.h"
#include "picture_filter/wic/win32/module_count.h"
#include "picture_filter/wic/win32/wic_decoder.h"

namespace {

LONG LiveObjects = 0;
LONG ServerLocks = 0;
HMODULE Module = nullptr;

// One static factory: its references do not keep the DLL, LockServer does.
struct DecoderFactory final : IClassFactory {
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
    if (out == nullptr) return E_POINTER;
    if (iid == IID_IUnknown || iid == IID_IClassFactory) {
      *out = static_cast<IClassFactory*>(this);
      return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
  ULONG STDMETHODCALLTYPE Release() override { return 1; }
  HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID iid, void** out) override {
    if (out == nullptr) return E_POINTER;
    *out = nullptr;
    if (outer != nullptr) return CLASS_E_NOAGGREGATION;
    return CreatePictureDecoder(iid, out);
  }
  HRESULT STDMETHODCALLTYPE LockServer(BOOL lock) override {
    LockModule(lock != FALSE);
    return S_OK;
  }
};

DecoderFactory Factory;

} // namespace

void CountObjectIn() { InterlockedIncrement(&LiveObjects); }
void CountObjectOut() { InterlockedDecrement(&LiveObjects); }
void LockModule(bool lock) {
  if (lock) {
    InterlockedIncrement(&ServerLocks);
  } else {
    InterlockedDecrement(&ServerLocks);
  }
}
bool ModuleInUse() { return LiveObjects != 0 || ServerLocks != 0; }
HMODULE CodecModule() { return Module; }

extern "C" {

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) {
    Module = instance;
    DisableThreadLibraryCalls(instance);
  }
  return TRUE;
}

HRESULT STDAPICALLTYPE DllGetClassObject(REFCLSID clsid, REFIID iid, void** out) {
  if (out == nullptr) return E_POINTER;
  *out = nullptr;
  if (clsid != CLSID_PalvoWicDecoder) return CLASS_E_CLASSNOTAVAILABLE;
  return Factory.QueryInterface(iid, out);
}

HRESULT STDAPICALLTYPE DllCanUnloadNow() { return ModuleInUse() ? S_FALSE : S_OK; }

} // extern "C"

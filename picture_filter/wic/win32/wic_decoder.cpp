#include "picture_filter/wic/win32/wic_decoder.h"

#include <cstdlib>
#include <new>

#include "container/picture_kind.h"
#include "picture_filter/wic/codec_frames.h"
#include "picture_filter/wic/win32/codec_ids.h"
#include "picture_filter/wic/win32/codec_results.h"
#include "picture_filter/wic/win32/module_count.h"
#include "picture_filter/wic/win32/stream_bytes.h"
#include "picture_filter/wic/win32/wic_frame.h"

namespace {

// Objects live in malloc'd memory: the DLL carries no C++ allocation runtime.
template <typename Object>
void Destroy(Object* object) {
  object->~Object();
  std::free(object);
}

// Initialize fills the input once, under the lock; after that it is only
// read, so frames are decoded from it on any thread.
struct PictureDecoder final : IWICBitmapDecoder {
  LONG References = 1;
  CRITICAL_SECTION Lock;
  StreamBytes Input{nullptr, 0};
  int32_t Frames = 0;

  PictureDecoder() {
    InitializeCriticalSection(&Lock);
    CountObjectIn();
  }
  ~PictureDecoder() {
    ReleaseStreamBytes(&Input);
    DeleteCriticalSection(&Lock);
    CountObjectOut();
  }

  // The input and frame count once Initialize has succeeded.
  bool Initialized(InputRange* input, int32_t* frames) {
    EnterCriticalSection(&Lock);
    *input = InputRange{Input.Data, Input.Size};
    *frames = Frames;
    LeaveCriticalSection(&Lock);
    return *frames > 0;
  }

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
    if (out == nullptr) return E_POINTER;
    if (iid == IID_IUnknown || iid == IID_IWICBitmapDecoder) {
      *out = static_cast<IWICBitmapDecoder*>(this);
      AddRef();
      return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(InterlockedIncrement(&References)); }
  ULONG STDMETHODCALLTYPE Release() override {
    const LONG left = InterlockedDecrement(&References);
    if (left == 0) Destroy(this);
    return static_cast<ULONG>(left);
  }

  HRESULT STDMETHODCALLTYPE QueryCapability(IStream* stream, DWORD* capability) override {
    if (stream == nullptr || capability == nullptr) return E_INVALIDARG;
    uint8_t head[12];
    const bool ours = PeekStreamHead(stream, head, sizeof head) == sizeof head && DetectPictureKind(head) != NotAPicture;
    // The head names the format; whether its data are whole shows only in decoding.
    *capability = ours ? WICBitmapDecoderCapabilityCanDecodeAllImages | WICBitmapDecoderCapabilityCanDecodeSomeImages : 0;
    return S_OK;
  }

  HRESULT STDMETHODCALLTYPE Initialize(IStream* stream, WICDecodeOptions) override {
    if (stream == nullptr) return E_INVALIDARG;
    EnterCriticalSection(&Lock);
    HRESULT result = Frames > 0 ? WINCODEC_ERR_WRONGSTATE : S_OK;
    StreamBytes bytes{nullptr, 0};
    if (SUCCEEDED(result)) result = ReadStreamBytes(stream, CodecInputLimit, &bytes);
    int32_t count = 0;
    if (SUCCEEDED(result)) result = ContainerResult(CountCodecFrames(InputRange{bytes.Data, bytes.Size}, &count));
    if (SUCCEEDED(result)) {
      Input = bytes;
      Frames = count;
    } else {
      ReleaseStreamBytes(&bytes);
    }
    LeaveCriticalSection(&Lock);
    return result;
  }

  HRESULT STDMETHODCALLTYPE GetContainerFormat(GUID* format) override {
    if (format == nullptr) return E_INVALIDARG;
    *format = GUID_ContainerFormatFcPicture;
    return S_OK;
  }

  HRESULT STDMETHODCALLTYPE GetDecoderInfo(IWICBitmapDecoderInfo** info) override {
    if (info == nullptr) return E_INVALIDARG;
    *info = nullptr;
    IWICImagingFactory* factory = nullptr;
    HRESULT result = CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER, IID_IWICImagingFactory,
                                      reinterpret_cast<void**>(&factory));
    if (FAILED(result)) return result;
    IWICComponentInfo* component = nullptr;
    result = factory->CreateComponentInfo(CLSID_PalvoWicDecoder, &component);
    if (SUCCEEDED(result)) {
      result = component->QueryInterface(IID_IWICBitmapDecoderInfo, reinterpret_cast<void**>(info));
      component->Release();
    }
    factory->Release();
    return result;
  }

  HRESULT STDMETHODCALLTYPE CopyPalette(IWICPalette*) override { return WINCODEC_ERR_PALETTEUNAVAILABLE; }
  HRESULT STDMETHODCALLTYPE GetMetadataQueryReader(IWICMetadataQueryReader** reader) override {
    if (reader != nullptr) *reader = nullptr;
    return WINCODEC_ERR_UNSUPPORTEDOPERATION;
  }
  HRESULT STDMETHODCALLTYPE GetPreview(IWICBitmapSource** preview) override {
    if (preview != nullptr) *preview = nullptr;
    return WINCODEC_ERR_UNSUPPORTEDOPERATION;
  }
  HRESULT STDMETHODCALLTYPE GetColorContexts(UINT, IWICColorContext**, UINT* actualCount) override {
    if (actualCount == nullptr) return E_INVALIDARG;
    *actualCount = 0;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetThumbnail(IWICBitmapSource** thumbnail) override {
    if (thumbnail != nullptr) *thumbnail = nullptr;
    return WINCODEC_ERR_CODECNOTHUMBNAIL;
  }

  HRESULT STDMETHODCALLTYPE GetFrameCount(UINT* count) override {
    if (count == nullptr) return E_INVALIDARG;
    InputRange input;
    int32_t frames = 0;
    if (!Initialized(&input, &frames)) return WINCODEC_ERR_NOTINITIALIZED;
    *count = static_cast<UINT>(frames);
    return S_OK;
  }

  HRESULT STDMETHODCALLTYPE GetFrame(UINT index, IWICBitmapFrameDecode** frameOut) override {
    if (frameOut == nullptr) return E_INVALIDARG;
    *frameOut = nullptr;
    InputRange input;
    int32_t frames = 0;
    if (!Initialized(&input, &frames)) return WINCODEC_ERR_NOTINITIALIZED;
    if (index >= static_cast<UINT>(frames)) return E_INVALIDARG;
    CodecFrame frame;
    const HRESULT decoded = FrameResult(DecodeCodecFrame(input, static_cast<int32_t>(index), &frame));
    if (FAILED(decoded)) return decoded;
    return CreateFrameDecode(&frame, frameOut);
  }
};

} // namespace

HRESULT CreatePictureDecoder(REFIID iid, void** out) {
  void* memory = std::malloc(sizeof(PictureDecoder));
  if (memory == nullptr) return E_OUTOFMEMORY;
  PictureDecoder* decoder = new (memory) PictureDecoder();
  const HRESULT result = decoder->QueryInterface(iid, out);
  decoder->Release();
  return result;
}

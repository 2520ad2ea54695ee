#include "picture_filter/wic/win32/wic_frame.h"

#include <cstdlib>
#include <new>

#include "picture_filter/wic/win32/codec_results.h"
#include "picture_filter/wic/win32/module_count.h"

namespace {

// Objects live in malloc'd memory: the DLL carries no C++ allocation runtime.
template <typename Object>
void Destroy(Object* object) {
  object->~Object();
  std::free(object);
}

// The formats store no density: the system's default of 96 dots per inch.
constexpr double DotsPerInch = 96.0;

// The frame never changes once made: any thread may read it at any time.
struct FrameDecode final : IWICBitmapFrameDecode {
  LONG References = 1;
  CodecFrame Frame;

  explicit FrameDecode(const CodecFrame& decoded) : Frame(decoded) { CountObjectIn(); }
  ~FrameDecode() {
    ReleaseCodecFrame(&Frame);
    CountObjectOut();
  }

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
    if (out == nullptr) return E_POINTER;
    if (iid == IID_IUnknown || iid == IID_IWICBitmapSource || iid == IID_IWICBitmapFrameDecode) {
      *out = static_cast<IWICBitmapFrameDecode*>(this);
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

  HRESULT STDMETHODCALLTYPE GetSize(UINT* width, UINT* height) override {
    if (width == nullptr || height == nullptr) return E_INVALIDARG;
    *width = static_cast<UINT>(Frame.Shape.Width);
    *height = static_cast<UINT>(Frame.Shape.Height);
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetPixelFormat(WICPixelFormatGUID* format) override {
    if (format == nullptr) return E_INVALIDARG;
    *format = *PixelFormatOfDepth(Frame.Shape.Depth);
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetResolution(double* dpiX, double* dpiY) override {
    if (dpiX == nullptr || dpiY == nullptr) return E_INVALIDARG;
    *dpiX = DotsPerInch;
    *dpiY = DotsPerInch;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE CopyPalette(IWICPalette* palette) override {
    if (palette == nullptr) return E_INVALIDARG;
    if (Frame.Shape.ColourEntries == 0) return WINCODEC_ERR_PALETTEUNAVAILABLE;
    return palette->InitializeCustom(Frame.Colours, static_cast<UINT>(Frame.Shape.ColourEntries));
  }
  HRESULT STDMETHODCALLTYPE CopyPixels(const WICRect* rectangle, UINT stride, UINT bufferSize, BYTE* buffer) override {
    const CodecRectangle whole{0, 0, Frame.Shape.Width, Frame.Shape.Height};
    const CodecRectangle asked =
        rectangle == nullptr ? whole
                             : CodecRectangle{rectangle->X, rectangle->Y, rectangle->Width, rectangle->Height};
    return CopyResult(CopyCodecPixels(Frame, asked, stride, bufferSize, buffer));
  }

  HRESULT STDMETHODCALLTYPE GetMetadataQueryReader(IWICMetadataQueryReader** reader) override {
    if (reader != nullptr) *reader = nullptr;
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
};

} // namespace

const GUID* PixelFormatOfDepth(int32_t depth) {
  switch (depth) {
    case 1: return &GUID_WICPixelFormat1bppIndexed;
    case 4: return &GUID_WICPixelFormat4bppIndexed;
    case 8: return &GUID_WICPixelFormat8bppIndexed;
    case 24: return &GUID_WICPixelFormat24bppBGR;
    default: return nullptr;
  }
}

HRESULT CreateFrameDecode(CodecFrame* frame, IWICBitmapFrameDecode** out) {
  void* memory = std::malloc(sizeof(FrameDecode));
  FrameDecode* object = memory == nullptr ? nullptr : new (memory) FrameDecode(*frame);
  if (object == nullptr) {
    ReleaseCodecFrame(frame);
    return E_OUTOFMEMORY;
  }
  *frame = CodecFrame{};
  *out = object;
  return S_OK;
}

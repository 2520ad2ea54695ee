// PNG files through the Windows Imaging Component: the system's own PNG
// encoder and decoder, so the Windows build carries no PNG code of its own.
// Each call brings up COM on its thread for its own duration (convert calls
// from several worker threads at once).
#include <windows.h>
#include <wincodec.h>

#include <cstring>

#include "common/win32/com_ref.h"
#include "fcview/png_encoder.h"
#include "fcview/png_reader.h"

namespace fcview {

namespace {

// COM on this thread for one call, with the imaging factory.
struct Imaging {
  HRESULT Started;
  ComRef<IWICImagingFactory> Factory;
  Imaging() : Started(CoInitializeEx(nullptr, COINIT_MULTITHREADED)) {
    if (SUCCEEDED(Started) || Started == RPC_E_CHANGED_MODE) {
      CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER, IID_IWICImagingFactory,
                       reinterpret_cast<void**>(Factory.Out()));
    }
  }
  ~Imaging() {
    if (Factory.P != nullptr) {
      Factory->Release();
      Factory.P = nullptr;
    }
    if (SUCCEEDED(Started)) CoUninitialize();
  }
  bool Ready() const { return Factory.P != nullptr; }
};

// The pixels as the frame takes them: true colour as 24-bit BGR rows; a
// palette picture as its indexes packed at its depth, with its palette.
struct FramePixels {
  WICPixelFormatGUID Format;
  UINT Stride;
  std::vector<uint8_t> Bytes;
};

FramePixels PixelsOf(const RgbImage& image, bool indexed) {
  FramePixels pixels;
  const size_t width = static_cast<size_t>(image.Width);
  if (!indexed) {
    pixels.Format = GUID_WICPixelFormat24bppBGR;
    pixels.Stride = static_cast<UINT>(width * 3);
    pixels.Bytes.resize(image.Rgb.size());
    for (size_t i = 0; i < image.Rgb.size(); i += 3) {
      pixels.Bytes[i] = image.Rgb[i + 2];
      pixels.Bytes[i + 1] = image.Rgb[i + 1];
      pixels.Bytes[i + 2] = image.Rgb[i];
    }
    return pixels;
  }
  const int depth = image.IndexDepth;
  pixels.Format = depth == 1 ? GUID_WICPixelFormat1bppIndexed
                  : depth == 4 ? GUID_WICPixelFormat4bppIndexed
                               : GUID_WICPixelFormat8bppIndexed;
  pixels.Stride = static_cast<UINT>((width * depth + 7) / 8);
  pixels.Bytes.assign(static_cast<size_t>(pixels.Stride) * image.Height, 0);
  for (size_t y = 0; y < static_cast<size_t>(image.Height); ++y) {
    for (size_t x = 0; x < width; ++x) {
      const size_t bit = x * depth;
      pixels.Bytes[y * pixels.Stride + bit / 8] |=
          static_cast<uint8_t>(image.Indexes[y * width + x] << (8 - depth - bit % 8));
    }
  }
  return pixels;
}

bool WriteFrame(IWICImagingFactory* factory, const RgbImage& image, bool indexed, IStream* stream) {
  FramePixels pixels = PixelsOf(image, indexed);
  ComRef<IWICBitmapEncoder> encoder;
  ComRef<IWICBitmapFrameEncode> frame;
  ComRef<IPropertyBag2> options;
  ComRef<IWICPalette> palette;
  WICPixelFormatGUID format = pixels.Format;
  if (FAILED(factory->CreateEncoder(GUID_ContainerFormatPng, nullptr, encoder.Out())) ||
      FAILED(encoder->Initialize(stream, WICBitmapEncoderNoCache)) ||
      FAILED(encoder->CreateNewFrame(frame.Out(), options.Out())) || FAILED(frame->Initialize(options.P)) ||
      FAILED(frame->SetSize(static_cast<UINT>(image.Width), static_cast<UINT>(image.Height))) ||
      FAILED(frame->SetPixelFormat(&format)) || !IsEqualGUID(format, pixels.Format)) {
    return false; // the encoder would convert: a palette picture is then written as true colour
  }
  if (indexed) {
    std::vector<WICColor> colours;
    for (uint32_t rgb : image.Palette) colours.push_back(0xFF000000u | rgb);
    if (FAILED(factory->CreatePalette(palette.Out())) ||
        FAILED(palette->InitializeCustom(colours.data(), static_cast<UINT>(colours.size()))) ||
        FAILED(frame->SetPalette(palette.P))) {
      return false;
    }
  }
  return SUCCEEDED(frame->WritePixels(static_cast<UINT>(image.Height), pixels.Stride,
                                      static_cast<UINT>(pixels.Bytes.size()), pixels.Bytes.data())) &&
         SUCCEEDED(frame->Commit()) && SUCCEEDED(encoder->Commit());
}

// Bytes of a stream from its start to its end.
bool StreamBytes(IStream* stream, std::vector<uint8_t>* bytes) {
  STATSTG status{};
  if (FAILED(stream->Stat(&status, STATFLAG_NONAME))) return false;
  bytes->assign(static_cast<size_t>(status.cbSize.QuadPart), 0);
  LARGE_INTEGER start{};
  ULONG read = 0;
  return SUCCEEDED(stream->Seek(start, STREAM_SEEK_SET, nullptr)) &&
         (bytes->empty() || SUCCEEDED(stream->Read(bytes->data(), static_cast<ULONG>(bytes->size()), &read))) &&
         read == bytes->size();
}

struct IndexedFormat {
  const GUID* Format;
  int32_t Depth;
  bool Grey;
};

const IndexedFormat IndexedFormats[] = {
    {&GUID_WICPixelFormat1bppIndexed, 1, false}, {&GUID_WICPixelFormat2bppIndexed, 2, false},
    {&GUID_WICPixelFormat4bppIndexed, 4, false}, {&GUID_WICPixelFormat8bppIndexed, 8, false},
    {&GUID_WICPixelFormatBlackWhite, 1, true},   {&GUID_WICPixelFormat2bppGray, 2, true},
    {&GUID_WICPixelFormat4bppGray, 4, true},     {&GUID_WICPixelFormat8bppGray, 8, true},
};

const GUID* const WideFormats[] = {&GUID_WICPixelFormat16bppGray, &GUID_WICPixelFormat48bppRGB,
                                   &GUID_WICPixelFormat64bppRGBA, &GUID_WICPixelFormat64bppPRGBA,
                                   &GUID_WICPixelFormat48bppBGR, &GUID_WICPixelFormat64bppBGRA};

const char* const Opaque = "has pixels that are not fully opaque; these formats hold no transparency";

bool ReadIndexed(IWICImagingFactory* factory, IWICBitmapFrameDecode* frame, const IndexedFormat& format,
                 PngPicture* picture, std::string* reason) {
  const UINT width = static_cast<UINT>(picture->Image.Width), height = static_cast<UINT>(picture->Image.Height);
  std::vector<uint32_t> alpha;
  if (format.Grey) {
    const uint32_t top = (1u << format.Depth) - 1;
    for (uint32_t v = 0; v <= top; ++v) picture->Palette.push_back((v * 255 / top) * 0x010101u);
    alpha.assign(picture->Palette.size(), 0xFF);
  } else {
    ComRef<IWICPalette> palette;
    UINT count = 0;
    if (FAILED(factory->CreatePalette(palette.Out())) || FAILED(frame->CopyPalette(palette.P)) ||
        FAILED(palette->GetColorCount(&count)) || count > 256) {
      *reason = "has a palette that cannot be read";
      return false;
    }
    std::vector<WICColor> colours(count);
    UINT got = 0;
    if (count > 0 && FAILED(palette->GetColors(count, colours.data(), &got))) got = 0;
    for (UINT i = 0; i < got; ++i) {
      picture->Palette.push_back(colours[i] & 0xFFFFFF);
      alpha.push_back(colours[i] >> 24);
    }
  }
  const UINT stride = (width * static_cast<UINT>(format.Depth) + 7) / 8;
  std::vector<uint8_t> packed(static_cast<size_t>(stride) * height);
  if (FAILED(frame->CopyPixels(nullptr, stride, static_cast<UINT>(packed.size()), packed.data()))) {
    *reason = "is a damaged PNG file";
    return false;
  }
  picture->IndexDepth = format.Depth;
  picture->Indexes.resize(static_cast<size_t>(width) * height);
  picture->Image.Rgb.resize(picture->Indexes.size() * 3);
  for (UINT y = 0; y < height; ++y) {
    for (UINT x = 0; x < width; ++x) {
      const size_t bit = static_cast<size_t>(x) * format.Depth;
      const uint8_t index = static_cast<uint8_t>((packed[static_cast<size_t>(y) * stride + bit / 8] >>
                                                  (8 - format.Depth - bit % 8)) & ((1u << format.Depth) - 1));
      if (index >= picture->Palette.size()) {
        *reason = "has a pixel whose index lies beyond its palette";
        return false;
      }
      if (alpha[index] != 0xFF) {
        *reason = Opaque;
        return false;
      }
      const size_t pixel = static_cast<size_t>(y) * width + x;
      const uint32_t rgb = picture->Palette[index];
      picture->Indexes[pixel] = index;
      picture->Image.Rgb[3 * pixel] = static_cast<uint8_t>(rgb >> 16);
      picture->Image.Rgb[3 * pixel + 1] = static_cast<uint8_t>(rgb >> 8);
      picture->Image.Rgb[3 * pixel + 2] = static_cast<uint8_t>(rgb);
    }
  }
  return true;
}

bool ReadTrueColour(IWICBitmapFrameDecode* frame, PngPicture* picture, std::string* reason) {
  const UINT width = static_cast<UINT>(picture->Image.Width), height = static_cast<UINT>(picture->Image.Height);
  ComRef<IWICBitmapSource> converted;
  std::vector<uint8_t> bgra(static_cast<size_t>(width) * height * 4);
  if (FAILED(WICConvertBitmapSource(GUID_WICPixelFormat32bppBGRA, frame, converted.Out())) ||
      FAILED(converted->CopyPixels(nullptr, width * 4, static_cast<UINT>(bgra.size()), bgra.data()))) {
    *reason = "has a pixel format the system cannot convert";
    return false;
  }
  picture->Image.Rgb.resize(static_cast<size_t>(width) * height * 3);
  for (size_t i = 0; i < static_cast<size_t>(width) * height; ++i) {
    if (bgra[4 * i + 3] != 0xFF) {
      *reason = Opaque;
      return false;
    }
    picture->Image.Rgb[3 * i] = bgra[4 * i + 2];
    picture->Image.Rgb[3 * i + 1] = bgra[4 * i + 1];
    picture->Image.Rgb[3 * i + 2] = bgra[4 * i];
  }
  return true;
}

} // namespace

bool EncodePng(const RgbImage& image, std::vector<uint8_t>* png) {
  Imaging imaging;
  if (!imaging.Ready()) return false;
  const bool indexed = image.IndexDepth > 0 && !image.Palette.empty() && image.Palette.size() <= 256;
  for (bool asIndexes : {indexed, false}) {
    ComRef<IStream> stream;
    if (SUCCEEDED(CreateStreamOnHGlobal(nullptr, TRUE, stream.Out())) &&
        WriteFrame(imaging.Factory.P, image, asIndexes, stream.P) && StreamBytes(stream.P, png)) {
      return true;
    }
    if (!asIndexes) break;
  }
  return false;
}

bool ReadPng(const uint8_t* data, size_t size, PngPicture* picture, std::string* reason) {
  *picture = PngPicture{};
  static const uint8_t Signature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  if (size < 8 || std::memcmp(data, Signature, 8) != 0) {
    *reason = "is not a PNG file";
    return false;
  }
  Imaging imaging;
  if (!imaging.Ready()) {
    *reason = "cannot be read: the Windows Imaging Component is not available";
    return false;
  }
  ComRef<IWICStream> stream;
  ComRef<IWICBitmapDecoder> decoder;
  ComRef<IWICBitmapFrameDecode> frame;
  UINT width = 0, height = 0;
  WICPixelFormatGUID format{};
  if (FAILED(imaging.Factory->CreateStream(stream.Out())) ||
      FAILED(stream->InitializeFromMemory(const_cast<BYTE*>(data), static_cast<DWORD>(size))) ||
      FAILED(imaging.Factory->CreateDecoder(GUID_ContainerFormatPng, nullptr, decoder.Out())) ||
      FAILED(decoder->Initialize(stream.P, WICDecodeMetadataCacheOnDemand)) ||
      FAILED(decoder->GetFrame(0, frame.Out())) || FAILED(frame->GetSize(&width, &height)) ||
      FAILED(frame->GetPixelFormat(&format))) {
    *reason = "is a damaged PNG file";
    return false;
  }
  if (static_cast<uint64_t>(width) * height > (uint64_t{1} << 28)) {
    *reason = "is too large";
    return false;
  }
  picture->Image.Width = static_cast<int32_t>(width);
  picture->Image.Height = static_cast<int32_t>(height);
  for (const GUID* wide : WideFormats) {
    if (IsEqualGUID(format, *wide)) {
      *reason = "has 16-bit samples; these formats hold 8 bits a sample at most";
      return false;
    }
  }
  for (const IndexedFormat& indexed : IndexedFormats) {
    if (IsEqualGUID(format, *indexed.Format)) {
      return ReadIndexed(imaging.Factory.P, frame.P, indexed, picture, reason);
    }
  }
  return ReadTrueColour(frame.P, picture, reason);
}

} // namespace fcview

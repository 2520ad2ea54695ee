#include "tests/wic/wic_client.h"

#include <gtest/gtest.h>

#include <cstring>

#include "tests/dll/plugin_library.h"
#include "writers/ipf_encoder.h"
#include "writers/mcg_encoder.h"

namespace {

uint32_t Scramble(uint32_t value) {
  value ^= value >> 15;
  value *= 0x2C1B3C6Du;
  value ^= value >> 12;
  return value;
}

Bytes Noise(size_t count, uint32_t seed, uint32_t modulus) {
  Bytes bytes(count);
  for (size_t i = 0; i < count; ++i) bytes[i] = static_cast<uint8_t>(Scramble(seed * 7919u + i) % modulus);
  return bytes;
}

// Flat stretches and noise: the IPF codes then use runs, copies and literals.
Bytes Patches(size_t width, size_t height, uint32_t seed) {
  Bytes pixels = Noise(width * height, seed, 256);
  for (size_t i = 0; i < pixels.size(); ++i) {
    if ((i / 7) % 3 == 0) pixels[i] = static_cast<uint8_t>(seed + i / 21);
  }
  return pixels;
}

Bytes ReadWholeFile(const std::string& path) {
  Bytes bytes;
  FILE* file = std::fopen(path.c_str(), "rb");
  if (file == nullptr) return bytes;
  uint8_t block[65536];
  size_t got;
  while ((got = std::fread(block, 1, sizeof block, file)) > 0) bytes.insert(bytes.end(), block, block + got);
  std::fclose(file);
  return bytes;
}

// Every third index has no colour: those stay black.
ChunkPalette SparsePalette() {
  ChunkPalette palette;
  for (int entry = 0; entry < 256; ++entry) {
    if (entry % 3 == 2) continue;
    palette.Presence[entry / 8] |= static_cast<uint8_t>(0x80 >> (entry % 8));
    palette.Triples.push_back(static_cast<uint8_t>(entry * 5));
    palette.Triples.push_back(static_cast<uint8_t>(255 - entry));
    palette.Triples.push_back(static_cast<uint8_t>(entry * 11));
  }
  return palette;
}

BitmapFrame CompressedFrame(int width, int height, uint32_t seed) {
  BitmapFrame frame;
  frame.Width = static_cast<uint16_t>(width);
  frame.Height = static_cast<uint16_t>(height);
  frame.Packing = 1;
  frame.PixelData = EncodeIpfCodes(Patches(width, height, seed));
  return frame;
}

TestPicture Mcg(const std::string& name, int width, int height, uint16_t depth, const GUID& format) {
  McgFile mcg;
  mcg.Width = width;
  mcg.Height = height;
  mcg.Depth = depth;
  const int stride = ((width * depth + 31) / 32) * 4;
  mcg.UnpackedSize = stride * height;
  const int colours = depth == 24 ? 0 : 1 << depth;
  for (int i = 0; i < colours; ++i) mcg.Colours.push_back(Scramble(depth * 1000u + i) & 0x00FFFFFFu);
  mcg.Packed = EncodeMcgLzss(Noise(static_cast<size_t>(mcg.UnpackedSize), depth, 256));
  return TestPicture{name, ".mcg", MakeMcg(mcg), {{width, height}}, format};
}

std::wstring Wide(const std::string& text) {
  std::wstring wide(text.size() + 1, L'\0');
  const int length = MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, &wide[0], static_cast<int>(wide.size()));
  wide.resize(length > 0 ? length - 1 : 0);
  return wide;
}

// The DIB Palvo hands out, read back pixel by pixel.
struct Dib {
  int Width, Height, Depth, Stride;
  const uint8_t* Colours;
  const uint8_t* Rows;

  // Blue, green, red of the pixel at column x of top-down row y.
  void Colour(int x, int y, uint8_t* bgr) const {
    const uint8_t* row = Rows + static_cast<size_t>(Height - 1 - y) * Stride;
    if (Depth == 24) {
      std::memcpy(bgr, row + 3 * x, 3);
      return;
    }
    const int bit = x * Depth;
    const int index = (row[bit / 8] >> (8 - Depth - bit % 8)) & ((1 << Depth) - 1);
    std::memcpy(bgr, Colours + 4 * index, 3);
  }
};

} // namespace

std::vector<TestPicture> TestPictures() {
  std::vector<TestPicture> pictures;
  const std::string samples = FC_SAMPLES_DIR "/";
  pictures.push_back({"sample sunset.ipf", ".ipf", ReadWholeFile(samples + "sunset.ipf"), {{320, 240}},
                      GUID_WICPixelFormat8bppIndexed});
  pictures.push_back({"sample waves.ipq", ".ipq", ReadWholeFile(samples + "waves.ipq"),
                      {{160, 120}, {200, 100}, {120, 80}}, GUID_WICPixelFormat8bppIndexed});
  pictures.push_back({"sample dusk.mcg", ".mcg", ReadWholeFile(samples + "dusk.mcg"), {{256, 192}},
                      GUID_WICPixelFormat8bppIndexed});

  BitmapFrame stored;
  stored.Width = 37;
  stored.Height = 23;
  stored.PixelData = Noise(37 * 23, 5, 256);
  pictures.push_back({"stored IPF, sparse palette", ".ipf", MakeIpf(SparsePalette(), stored), {{37, 23}},
                      GUID_WICPixelFormat8bppIndexed});
  pictures.push_back({"IPQ of four sizes", ".ipq",
                      MakeIpq(SparsePalette(), {CompressedFrame(17, 9, 1), CompressedFrame(40, 31, 2),
                                                CompressedFrame(3, 50, 3), CompressedFrame(64, 1, 4)}),
                      {{17, 9}, {40, 31}, {3, 50}, {64, 1}}, GUID_WICPixelFormat8bppIndexed});
  pictures.push_back(Mcg("1-bit MCG", 37, 11, 1, GUID_WICPixelFormat1bppIndexed));
  pictures.push_back(Mcg("4-bit MCG", 13, 7, 4, GUID_WICPixelFormat4bppIndexed));
  pictures.push_back(Mcg("8-bit MCG", 21, 5, 8, GUID_WICPixelFormat8bppIndexed));
  pictures.push_back(Mcg("24-bit MCG", 11, 6, 24, GUID_WICPixelFormat24bppBGR));
  pictures.back().Extension = ".clm";
  for (const TestPicture& picture : pictures) EXPECT_FALSE(picture.File.empty()) << picture.Name;
  return pictures;
}

bool PalvoColours(const TestPicture& picture, PalvoView* view) {
  *view = PalvoView{};
  StoreIpqFormat(1); // all frames stacked, frame 0 on top
  PalvoApi api;
  if (!LoadPalvo(&api)) return false;
  HLOCAL infoHandle = nullptr;
  HLOCAL pixelHandle = nullptr;
  const int32_t result = api.GetPicture(reinterpret_cast<const char*>(picture.File.data()), picture.File.size(), 1,
                                        &infoHandle, &pixelHandle, nullptr, 0);
  RemoveIpqFormat();
  bool read = false;
  if (result == 0) {
    const uint8_t* header = static_cast<const uint8_t*>(LocalLock(infoHandle));
    const uint8_t* pixels = static_cast<const uint8_t*>(LocalLock(pixelHandle));
    Dib dib{};
    std::memcpy(&dib.Width, header + 4, 4);
    std::memcpy(&dib.Height, header + 8, 4);
    dib.Depth = header[14];
    dib.Stride = ((dib.Width * dib.Depth + 31) / 32) * 4;
    dib.Colours = header + 40;
    dib.Rows = pixels;
    const size_t tableBytes = dib.Depth == 24 ? 0 : size_t{4} << dib.Depth;
    int top = 0;
    for (const FrameSize& size : picture.Frames) {
      BgrPicture frame;
      frame.Width = size.Width;
      frame.Height = size.Height;
      frame.Pixels.resize(static_cast<size_t>(3) * size.Width * size.Height);
      for (int y = 0; y < size.Height && top + y < dib.Height; ++y) {
        for (int x = 0; x < size.Width && x < dib.Width; ++x) {
          dib.Colour(x, top + y, &frame.Pixels[3 * (static_cast<size_t>(y) * size.Width + x)]);
        }
      }
      top += size.Height;
      view->Frames.push_back(frame);
      view->ColourTables.push_back(Bytes(dib.Colours, dib.Colours + tableBytes));
    }
    read = top == dib.Height;
    LocalUnlock(pixelHandle);
    LocalUnlock(infoHandle);
    LocalFree(pixelHandle);
    LocalFree(infoHandle);
  }
  UnloadPalvo(&api);
  return read;
}

IWICImagingFactory* ImagingFactory() {
  static IWICImagingFactory* factory = [] {
    CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    IWICImagingFactory* made = nullptr;
    CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER, IID_IWICImagingFactory,
                     reinterpret_cast<void**>(&made));
    return made;
  }();
  return factory;
}

std::wstring CodecPath() { return Wide(ProgramDirectory()) + L"PalvoWic.dll"; }

HRESULT DirectDecoder(IWICBitmapDecoder** decoder) {
  static HMODULE codec = LoadLibraryW(CodecPath().c_str());
  if (codec == nullptr) return HRESULT_FROM_WIN32(GetLastError());
  typedef HRESULT(STDAPICALLTYPE * GetClassObject)(REFCLSID, REFIID, void**);
  const GetClassObject getClassObject =
      reinterpret_cast<GetClassObject>(reinterpret_cast<void*>(GetProcAddress(codec, "DllGetClassObject")));
  if (getClassObject == nullptr) return E_NOINTERFACE;
  static const CLSID decoderClass = {0x97cf0e55, 0x9ec8, 0x4c70, {0xb0, 0xf0, 0xf2, 0x54, 0xae, 0xb9, 0xa1, 0x64}};
  ComRef<IClassFactory> factory;
  HRESULT result = getClassObject(decoderClass, IID_IClassFactory, reinterpret_cast<void**>(factory.Out()));
  if (FAILED(result)) return result;
  return factory->CreateInstance(nullptr, IID_IWICBitmapDecoder, reinterpret_cast<void**>(decoder));
}

HRESULT MemoryStream(const Bytes& bytes, IStream** stream) {
  HRESULT result = CreateStreamOnHGlobal(nullptr, TRUE, stream);
  if (FAILED(result)) return result;
  ULONG written = 0;
  result = (*stream)->Write(bytes.data(), static_cast<ULONG>(bytes.size()), &written);
  LARGE_INTEGER start{};
  if (SUCCEEDED(result)) result = (*stream)->Seek(start, STREAM_SEEK_SET, nullptr);
  return result;
}

HRESULT OpenBytes(const Bytes& bytes, OpenRoute route, IWICBitmapDecoder** decoder) {
  *decoder = nullptr;
  ComRef<IStream> stream;
  HRESULT result = MemoryStream(bytes, stream.Out());
  if (FAILED(result)) return result;
  if (route == OpenRoute::ClassFactory) {
    result = DirectDecoder(decoder);
    if (SUCCEEDED(result)) result = (*decoder)->Initialize(stream.P, WICDecodeMetadataCacheOnDemand);
    if (FAILED(result) && *decoder != nullptr) {
      (*decoder)->Release();
      *decoder = nullptr;
    }
    return result;
  }
  return ImagingFactory()->CreateDecoderFromStream(stream.P, nullptr, WICDecodeMetadataCacheOnDemand, decoder);
}

HRESULT OpenPicture(const TestPicture& picture, OpenRoute route, IWICBitmapDecoder** decoder) {
  if (route != OpenRoute::FileName) return OpenBytes(picture.File, route, decoder);
  *decoder = nullptr;
  const std::string path = WriteScratchFile("picture" + picture.Extension, picture.File);
  return ImagingFactory()->CreateDecoderFromFilename(Wide(path).c_str(), nullptr, GENERIC_READ,
                                                     WICDecodeMetadataCacheOnDemand, decoder);
}

int WineConversionDetours = 0;

HRESULT ConvertToBgr(IWICBitmapSource* frame, BgrPicture* picture) {
  ComRef<IWICBitmapSource> converted;
  HRESULT result = WICConvertBitmapSource(GUID_WICPixelFormat24bppBGR, frame, converted.Out());
  if (FAILED(result)) return result;
  UINT width = 0, height = 0;
  result = converted->GetSize(&width, &height);
  if (FAILED(result)) return result;
  picture->Width = static_cast<int>(width);
  picture->Height = static_cast<int>(height);
  picture->Pixels.assign(static_cast<size_t>(3) * width * height, 0);
  const UINT stride = 3 * width;
  const UINT size = static_cast<UINT>(picture->Pixels.size());
  result = converted->CopyPixels(nullptr, stride, size, picture->Pixels.data());
  if (result != WINCODEC_ERR_UNSUPPORTEDOPERATION) return result;
  // Wine 8's converter has no path from the indexed formats to 24bppBGR
  // (Windows has): there the colours go through 32bppBGRA, still by WIC.
  ++WineConversionDetours;
  ComRef<IWICBitmapSource> wide;
  ComRef<IWICBitmapSource> narrowed;
  result = WICConvertBitmapSource(GUID_WICPixelFormat32bppBGRA, frame, wide.Out());
  if (SUCCEEDED(result)) result = WICConvertBitmapSource(GUID_WICPixelFormat24bppBGR, wide.P, narrowed.Out());
  if (SUCCEEDED(result)) result = narrowed->CopyPixels(nullptr, stride, size, picture->Pixels.data());
  return result;
}

std::string FormatName(const GUID& format) {
  if (format == GUID_WICPixelFormat1bppIndexed) return "1bppIndexed";
  if (format == GUID_WICPixelFormat4bppIndexed) return "4bppIndexed";
  if (format == GUID_WICPixelFormat8bppIndexed) return "8bppIndexed";
  if (format == GUID_WICPixelFormat24bppBGR) return "24bppBGR";
  return "another format";
}

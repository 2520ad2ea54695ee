// WIC as a program uses it, the pictures the codec tests open, and the
// colours the picture filter gives for them.
#pragma once
#include <windows.h>
#include <wincodec.h>

#include <string>
#include <vector>

#include "common/win32/com_ref.h"
#include "writers/picture_writer.h"

struct FrameSize {
  int Width;
  int Height;
};

// A file under test: its bytes, an extension for its scratch file, the
// frames' sizes and the pixel format all its frames have.
struct TestPicture {
  std::string Name;
  std::string Extension;
  Bytes File;
  std::vector<FrameSize> Frames;
  GUID Format;
};

// The bundled samples and the writers' pictures: IPF, IPQ of frames of
// several sizes, MCG at 1, 4, 8 and 24 bits with widths that leave partial bytes.
std::vector<TestPicture> TestPictures();

// Top-down rows of blue, green, red, 3 * Width bytes each.
struct BgrPicture {
  int Width = 0;
  int Height = 0;
  Bytes Pixels;
};

// What the picture filter Palvo gives for the file, frame by frame (an IPQ
// through its stacked display mode, cut into frames at the given sizes), and
// each frame's colour table (blue, green, red, reserved; empty for 24 bits).
struct PalvoView {
  std::vector<BgrPicture> Frames;
  std::vector<Bytes> ColourTables;
};
bool PalvoColours(const TestPicture& picture, PalvoView* view);

IWICImagingFactory* ImagingFactory();
// The codec beside the test program, and its decoder made through its own
// class factory, without the registry.
std::wstring CodecPath();
HRESULT DirectDecoder(IWICBitmapDecoder** decoder);
HRESULT MemoryStream(const Bytes& bytes, IStream** stream);

// The ways a program opens a picture with WIC.
enum class OpenRoute { FileName, Stream, ClassFactory };
HRESULT OpenPicture(const TestPicture& picture, OpenRoute route, IWICBitmapDecoder** decoder);
HRESULT OpenBytes(const Bytes& bytes, OpenRoute route, IWICBitmapDecoder** decoder);

// The frame converted by WICConvertBitmapSource to 24bppBGR and copied whole;
// where WIC has no direct conversion, through 32bppBGRA (counted).
HRESULT ConvertToBgr(IWICBitmapSource* frame, BgrPicture* picture);
extern int WineConversionDetours;

std::string FormatName(const GUID& format);

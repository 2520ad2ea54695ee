// Loading a picture that arrives in pieces, as image libraries hand it over:
// the bytes are collected in a buffer of bounded size, the picture's size is
// known as soon as its headers are in, and at the end the picture is decoded
// as the picture filter decodes it (an IPQ with all frames connected, the
// first on top) and delivered as RGB rows.
#pragma once
#include <cstddef>
#include <cstdint>

#include "container/picture_kind.h"

// Results of the loader besides the plug-ins' own codes.
constexpr int32_t LoadNeedsMoreData = 20;   // the size is not known yet
constexpr int32_t LoadInputTooLarge = 21;   // more bytes than LoaderLimits::MaxInputBytes
constexpr int32_t LoadPictureTooLarge = 22; // more pixels than LoaderLimits::MaxPixels

struct LoaderLimits {
  size_t MaxInputBytes;
  int64_t MaxPixels;
};

// What a desktop loader accepts: 512 MiB of file, 2^28 pixels (768 MiB of RGB).
constexpr LoaderLimits DesktopLoaderLimits{size_t{512} << 20, int64_t{1} << 28};

struct PictureSize {
  PictureKind Kind;
  int32_t Width;
  int32_t Height;
  int32_t Depth; // bits per pixel of the picture itself: 1, 4, 8 or 24
};

struct PictureLoader {
  LoaderLimits Limits;
  uint8_t* Data; // Size bytes collected, room for Capacity
  size_t Size;
  size_t Capacity;
  size_t ProbedAt; // Size when the description was last tried
  bool SizeKnown;
  PictureSize Known;
};

void BeginPictureLoad(PictureLoader* loader, const LoaderLimits& limits);

// Adds the next bytes. 0; ResultNotOurFormat once 12 bytes show another
// format; LoadInputTooLarge; ResultNoMemory. After a failure the loader
// takes no more bytes.
int32_t AppendPictureBytes(PictureLoader* loader, const uint8_t* bytes, size_t count);

// Tries to describe the picture from the bytes so far: 0 with loader->Known
// filled (and from then on), LoadNeedsMoreData, or a failure that no further
// byte can mend (LoadPictureTooLarge, ResultNotImplemented for an unsupported
// depth, ResultBrokenData for a size of 0 or too large for a DIB). A
// description found on the first bytes is final: the routines behind it
// read only bytes they have proven present. Past the first 64 bytes the
// description is tried again only once the bytes have doubled since the last
// try, so that a picture fed in small pieces costs no more than a few walks
// over its headers.
int32_t ProbePictureSize(PictureLoader* loader);

// After the last byte: the picture's final description, or why there is none.
int32_t DescribeLoadedPicture(PictureLoader* loader, PictureSize* size);

// Decodes the described picture into `rgb`: size.Height rows of size.Width
// red, green, blue triples, `rgbStride` bytes apart, top row first. 0 or the
// decoder's result (ResultBrokenData, DataEnded, ResultNoMemory, ...).
int32_t DecodeLoadedPicture(const PictureLoader& loader, const PictureSize& size, uint8_t* rgb, size_t rgbStride);

// Frees the collected bytes; the loader can begin again.
void EndPictureLoad(PictureLoader* loader);

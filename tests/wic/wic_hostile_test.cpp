// Broken and hostile inputs through the decoder: every one ends in a failing
// HRESULT or a picture, never a fault; IPF and MCG files decode exactly when
// Palvo decodes them; streams beyond the stated limit are refused unread.
#include <gtest/gtest.h>

#include <cstring>

#include "common/result_codes.h"
#include "container/picture_kind.h"
#include "picture_filter/wic/codec_frames.h"
#include "tests/hostile/hostile_cases.h"
#include "tests/wic/wic_client.h"

namespace {

bool IsCleanFailure(HRESULT result) {
  switch (result) {
    case WINCODEC_ERR_BADHEADER:
    case WINCODEC_ERR_BADIMAGE:
    case WINCODEC_ERR_UNKNOWNIMAGEFORMAT:
    case WINCODEC_ERR_UNSUPPORTEDPIXELFORMAT:
    case WINCODEC_ERR_COMPONENTNOTFOUND: // no decoder of the system took the file
    case E_OUTOFMEMORY:
      return true;
    default:
      return false;
  }
}

// Opens the file and decodes every frame (the first 16 of a long IPQ) and
// copies its pixels; the first frame's result, or the open's.
HRESULT DecodeAll(const PictureCase& hostile, OpenRoute route) {
  ComRef<IWICBitmapDecoder> decoder;
  HRESULT result = OpenBytes(hostile.File, route, decoder.Out());
  if (FAILED(result)) {
    EXPECT_TRUE(IsCleanFailure(result)) << hostile.Name << ": open gave " << std::hex << result;
    return result;
  }
  UINT count = 0;
  EXPECT_EQ(decoder->GetFrameCount(&count), S_OK) << hostile.Name;
  EXPECT_GE(count, 1u) << hostile.Name;
  HRESULT first = E_FAIL;
  for (UINT index = 0; index < count && index < 16; ++index) {
    ComRef<IWICBitmapFrameDecode> frame;
    result = decoder->GetFrame(index, frame.Out());
    if (index == 0) first = result;
    if (FAILED(result)) {
      EXPECT_TRUE(IsCleanFailure(result)) << hostile.Name << ": frame " << index << " gave " << std::hex << result;
      continue;
    }
    // The frame's top rows in its own format: whole frames of up to
    // 65535 x 65535 would cost more time than they tell.
    UINT width = 0, height = 0;
    EXPECT_EQ(frame->GetSize(&width, &height), S_OK);
    const WICRect top{0, 0, static_cast<INT>(width), static_cast<INT>(height < 4 ? height : 4)};
    const UINT stride = 8 * width; // room for any format, should another decoder of the system take a file
    Bytes rows(static_cast<size_t>(stride) * 4);
    EXPECT_EQ(frame->CopyPixels(&top, stride, static_cast<UINT>(rows.size()), rows.data()), S_OK) << hostile.Name;
  }
  return first;
}

void ReplayCorpus(const std::vector<PictureCase>& cases, OpenRoute route) {
  for (const PictureCase& hostile : cases) {
    const HRESULT result = DecodeAll(hostile, route);
    // A single picture decodes exactly when the picture filter decodes it,
    // unless memory decided: a 32-bit process may or may not find a block of
    // a gigabyte or two for either of them.
    const bool single = hostile.File.size() >= 12 && DetectPictureKind(hostile.File.data()) != IpqPicture;
    const bool memoryBound = result == E_OUTOFMEMORY || hostile.DllPictureResult == ResultNoMemory;
    if (single && !memoryBound) {
      EXPECT_EQ(result == S_OK, hostile.DllPictureResult == 0) << hostile.Name << std::hex << " " << result;
    }
  }
}

// A stream of a picture's head and then zeros without end; it may state a size.
struct EndlessStream final : IStream {
  LONG References = 1;
  ULONGLONG Position = 0;
  ULONGLONG Served = 0;
  bool StatesSize = false;
  ULONGLONG StatedSize = 0;

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
    if (iid == IID_IUnknown || iid == IID_IStream || iid == IID_ISequentialStream) {
      *out = this;
      AddRef();
      return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(InterlockedIncrement(&References)); }
  ULONG STDMETHODCALLTYPE Release() override { return static_cast<ULONG>(InterlockedDecrement(&References)); }
  HRESULT STDMETHODCALLTYPE Read(void* buffer, ULONG count, ULONG* read) override {
    static const char head[12] = {'R', 'I', 'F', 'F', 0, 0, 0, 0, 'I', 'P', 'F', ' '};
    uint8_t* out = static_cast<uint8_t*>(buffer);
    std::memset(out, 0, count);
    for (ULONG i = 0; i < count && Position + i < sizeof head; ++i) out[i] = static_cast<uint8_t>(head[Position + i]);
    Position += count;
    Served += count;
    if (read != nullptr) *read = count;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE Write(const void*, ULONG, ULONG*) override { return STG_E_ACCESSDENIED; }
  HRESULT STDMETHODCALLTYPE Seek(LARGE_INTEGER move, DWORD origin, ULARGE_INTEGER* position) override {
    if (origin == STREAM_SEEK_SET) Position = static_cast<ULONGLONG>(move.QuadPart);
    else if (origin == STREAM_SEEK_CUR) Position += static_cast<ULONGLONG>(move.QuadPart);
    else return STG_E_INVALIDFUNCTION;
    if (position != nullptr) position->QuadPart = Position;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE SetSize(ULARGE_INTEGER) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE CopyTo(IStream*, ULARGE_INTEGER, ULARGE_INTEGER*, ULARGE_INTEGER*) override {
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE Commit(DWORD) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE Revert() override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE LockRegion(ULARGE_INTEGER, ULARGE_INTEGER, DWORD) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE UnlockRegion(ULARGE_INTEGER, ULARGE_INTEGER, DWORD) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE Stat(STATSTG* stat, DWORD) override {
    if (!StatesSize) return E_NOTIMPL;
    std::memset(stat, 0, sizeof *stat);
    stat->type = STGTY_STREAM;
    stat->cbSize.QuadPart = StatedSize;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE Clone(IStream**) override { return E_NOTIMPL; }
};

} // namespace

TEST(WicDirect, HostileCorpusEndsInFailures) {
  ReplayCorpus(HostilePictureCases(), OpenRoute::ClassFactory);
  ReplayCorpus(FoundPictureCases(FC_HOSTILE_FINDINGS), OpenRoute::ClassFactory);
}

// Through WIC's own decoder choice: every fourth case (the class factory
// above takes them all), since WIC tries every decoder of the system on each.
TEST(WicRegistered, HostileCorpusThroughTheFactoryEndsInFailures) {
  std::vector<PictureCase> sampled;
  const std::vector<PictureCase> cases = HostilePictureCases();
  for (size_t index = 0; index < cases.size(); index += 4) sampled.push_back(cases[index]);
  ReplayCorpus(sampled, OpenRoute::Stream);
  ReplayCorpus(FoundPictureCases(FC_HOSTILE_FINDINGS), OpenRoute::Stream);
}

TEST(WicDirect, StreamsBeyondTheLimitAreRefused) {
  // A stream that understates its size is read to the limit all the same,
  // and no further.
  EndlessStream understated;
  understated.StatesSize = true;
  understated.StatedSize = 100;
  ComRef<IWICBitmapDecoder> decoder;
  ASSERT_EQ(DirectDecoder(decoder.Out()), S_OK);
  EXPECT_EQ(decoder->Initialize(&understated, WICDecodeMetadataCacheOnDemand), WINCODEC_ERR_IMAGESIZEOUTOFRANGE);
  EXPECT_EQ(understated.Served, CodecInputLimit + 1);

  // One that states a size beyond the limit is not read at all.
  EndlessStream stated;
  stated.StatesSize = true;
  stated.StatedSize = CodecInputLimit + 1;
  ComRef<IWICBitmapDecoder> second;
  ASSERT_EQ(DirectDecoder(second.Out()), S_OK);
  EXPECT_EQ(second->Initialize(&stated, WICDecodeMetadataCacheOnDemand), WINCODEC_ERR_IMAGESIZEOUTOFRANGE);
  EXPECT_EQ(stated.Served, 0u);
}

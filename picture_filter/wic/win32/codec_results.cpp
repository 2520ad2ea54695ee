#include "picture_filter/wic/win32/codec_results.h"

#include <wincodec.h>

#include "common/result_codes.h"
#include "picture_filter/wic/codec_frames.h"

HRESULT ContainerResult(int32_t result) {
  switch (result) {
    case ResultSuccess: return S_OK;
    case ResultNotOurFormat: return WINCODEC_ERR_UNKNOWNIMAGEFORMAT;
    case ResultNoMemory: return E_OUTOFMEMORY;
    default: return WINCODEC_ERR_BADHEADER;
  }
}

HRESULT FrameResult(int32_t result) {
  switch (result) {
    case ResultSuccess: return S_OK;
    case ResultNoMemory: return E_OUTOFMEMORY;
    case ResultNotImplemented: return WINCODEC_ERR_UNSUPPORTEDPIXELFORMAT;
    default: return WINCODEC_ERR_BADIMAGE;
  }
}

HRESULT CopyResult(int32_t result) {
  switch (result) {
    case ResultSuccess: return S_OK;
    case CodecBufferTooSmall: return WINCODEC_ERR_INSUFFICIENTBUFFER;
    default: return E_INVALIDARG;
  }
}

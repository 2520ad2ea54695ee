// The codec core's result codes as the HRESULTs WIC's callers expect.
#pragma once
#include <windows.h>

#include <cstdint>

// For Initialize: the container is not ours, or its header is broken.
HRESULT ContainerResult(int32_t result);
// For GetFrame: the frame's pixels could not be decoded.
HRESULT FrameResult(int32_t result);
// For CopyPixels.
HRESULT CopyResult(int32_t result);

// The decoder object WIC creates through the class factory.
#pragma once
#include <wincodec.h>

// A new decoder, not yet initialized; *out holds its one reference.
HRESULT CreatePictureDecoder(REFIID iid, void** out);

// The identities the codec is known by: fixed once, never to change.
#pragma once
#include <windows.h>

// The decoder's class: {97CF0E55-9EC8-4C70-B0F0-F254AEB9A164}.
extern const CLSID CLSID_PalvoWicDecoder;
// The container format of IPF, IPQ and MCG files: {967F9B3D-DD6D-4FD8-8ED3-81535CC09806}.
extern const GUID GUID_ContainerFormatFcPicture;
// The vendor WIC lists for the decoder: {835C2361-378A-4502-B34B-21BC7E842879}.
extern const GUID GUID_VendorFcSusiePlugins;

// The same three as registry text, braces included.
extern const wchar_t DecoderClassText[];
extern const wchar_t ContainerFormatText[];
extern const wchar_t VendorText[];

// The registry keys through which WIC and Explorer find the decoder.
#pragma once
#include <windows.h>

// The WIC category every bitmap decoder is listed under.
extern const wchar_t DecoderCategoryText[];

// Writes every key and value of the decoder under `classes` (an open
// Software\Classes key of the machine or the user), naming `modulePath` as
// the in-process server. ERROR_SUCCESS or the first failing registry result.
LONG WriteCodecKeys(HKEY classes, const wchar_t* modulePath);

// Remove what WriteCodecKeys wrote and nothing else. The class keys: the
// class and its category entry, whole. The extension keys: from each
// extension's key only the perceived type "image" and the thumbnail handler
// of ours, then the keys left empty; they serve both widths of the decoder,
// so they go only once neither is registered.
void RemoveClassKeys(HKEY classes);
void RemoveExtensionKeys(HKEY classes);

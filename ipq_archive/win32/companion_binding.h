// Merun's run-time binding to the picture filter Palvo, whose display mode
// it follows and whose dialog it offers.
#pragma once
#include <windows.h>

#include <cstddef>
#include <cstdint>

typedef int32_t(__stdcall* ConfigurationDlgRoutine)(HWND parent, int32_t function);

extern HMODULE PictureFilterModule;
extern ConfigurationDlgRoutine BoundConfigurationDlg;

extern const char PictureFilterFileName[]; // "Palvo.spi"

// At attach: loads the picture filter and binds its two exports.
void BindPictureFilter(HMODULE self);

// Beside this library, then in the host's plug-in directory, then through
// the system's search (never the current directory where the system allows).
HMODULE LoadCompanionLibrary(HMODULE self, const char* name);

// The host's "Path" value with a backslash appended; the length including
// the NUL, or 0 (buffer empty) when there is no usable value.
size_t ReadHostPluginPath(char* buffer, size_t size);

// At unload by FreeLibrary.
void ReleasePictureFilter();

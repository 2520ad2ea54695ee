#pragma once
#include <windows.h>

// Control ids of the dialog templates; the radio button of mode m is 102 + m.
#define IpqFormatGroup 101
#define FirstModeButton 102
#define LastModeButton 106

#ifndef RC_INVOKED
void PlaceDialogAtCursor(HWND dialog);
INT_PTR CALLBACK ConfigDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
#endif

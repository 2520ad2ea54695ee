// The configuration dialog: five radio buttons, one per IPQ display mode.
#include <windows.h>

#include <cstdint>

#include "common/result_codes.h"
#include "picture_filter/win32/configuration_dialog.h"
#include "picture_filter/win32/ipq_setting.h"

extern HINSTANCE PalvoModule;

namespace {

const char HostResourceKey[] = "Software\\Harkimo\\Susie\\Resource";

// The mode chosen in the open dialog; OK commits it.
int32_t PendingIpqFormat = 0;

} // namespace

void PlaceDialogAtCursor(HWND dialog) {
  RECT work;
  RECT window;
  POINT cursor;
  SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
  GetWindowRect(dialog, &window);
  GetCursorPos(&cursor);
  const LONG w = window.right - window.left;
  const LONG h = window.bottom - window.top;
  LONG x = cursor.x - w / 2;
  LONG y = cursor.y - h / 2;
  if (x < work.left) {
    x = work.left;
  } else if (x > work.right - w) {
    x = work.right - w;
  }
  if (y < work.top) {
    y = work.top;
  } else if (y > work.bottom - h) {
    y = work.bottom - h;
  }
  MoveWindow(dialog, x, y, w, h, TRUE);
}

INT_PTR CALLBACK ConfigDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
  if (message == WM_INITDIALOG) {
    PendingIpqFormat = CurrentIpqFormat;
    CheckRadioButton(dialog, FirstModeButton, LastModeButton, FirstModeButton + PendingIpqFormat);
    PlaceDialogAtCursor(dialog);
    return TRUE;
  }
  if (message != WM_COMMAND) return FALSE;
  const int id = LOWORD(wParam);
  if (id == IDOK) {
    CurrentIpqFormat = PendingIpqFormat;
    SaveIpqFormat();
    EndDialog(dialog, IDOK);
    return TRUE;
  }
  if (id == IDCANCEL) {
    EndDialog(dialog, IDCANCEL);
    return TRUE;
  }
  if (id >= FirstModeButton && id <= LastModeButton) {
    PendingIpqFormat = id - FirstModeButton;
    return TRUE;
  }
  return FALSE;
}

extern "C" int32_t __stdcall ConfigurationDlg(HWND parent, int32_t function) {
  if (function != 1) return ResultNotImplemented;
  const int32_t language = ReadRegistryDword(HostResourceKey, "Japanese", 1);
  DialogBoxParamA(PalvoModule, MAKEINTRESOURCEA(language + 1), parent, ConfigDialogProc, 0);
  return ResultSuccess;
}

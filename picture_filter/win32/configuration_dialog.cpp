// The configuration dialog: five radio buttons, one per IPQ display mode.
#include <windows.h>

#include <cstdint>

#include "common/result_codes.h"
#include "common/win32/about_box.h"
#include "common/win32/host_language.h"
#include "picture_filter/win32/configuration_dialog.h"
#include "picture_filter/win32/ipq_setting.h"
#include "plugin_identity.h"

extern HINSTANCE PalvoModule;

namespace {

const AboutText EnglishAbout = {
    L"About " FC_PLUGIN_NAME,
    L"" FC_PLUGIN_NAME " " FC_VERSION_TEXT "\nSusie plug-in for F&C pictures\n\n"
    L"Opens IPF, IPQ and MCG pictures (*.ipf, *.ipq, *.mcg, *.clm).",
    nullptr};
const AboutText JapaneseAbout = {
    L"" FC_PLUGIN_NAME " のバージョン情報",
    L"" FC_PLUGIN_NAME " " FC_VERSION_TEXT "\nF&C 画像用 Susie プラグイン\n\n"
    L"IPF・IPQ・MCG 画像 (*.ipf, *.ipq, *.mcg, *.clm) を開きます。",
    nullptr};

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

// Function code 0 is the host's About button, 1 its settings button.
extern "C" int32_t __stdcall ConfigurationDlg(HWND parent, int32_t function) {
  if (function == 0) {
    ShowAboutBox(parent, EnglishAbout, JapaneseAbout);
    return ResultSuccess;
  }
  if (function != 1) return ResultNotImplemented;
  // Template 1 is English, 2 Japanese; a value naming neither shows nothing.
  DialogBoxParamA(PalvoModule, MAKEINTRESOURCEA(HostLanguage() + 1), parent, ConfigDialogProc, 0);
  return ResultSuccess;
}

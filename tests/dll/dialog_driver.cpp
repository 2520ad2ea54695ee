#include "tests/dll/dialog_driver.h"

#include <cstdio>
#include <cstdlib>

namespace {

struct DialogSearch {
  DWORD Process;
  HWND Dialog;
};

BOOL CALLBACK MatchDialog(HWND window, LPARAM param) {
  auto* search = reinterpret_cast<DialogSearch*>(param);
  DWORD process = 0;
  GetWindowThreadProcessId(window, &process);
  char name[32] = {};
  GetClassNameA(window, name, sizeof name);
  if (process == search->Process && std::string(name) == "#32770" && IsWindowVisible(window)) {
    search->Dialog = window;
    return FALSE;
  }
  return TRUE;
}

HWND FindOurDialog() {
  DialogSearch search{GetCurrentProcessId(), nullptr};
  EnumWindows(MatchDialog, reinterpret_cast<LPARAM>(&search));
  return search.Dialog;
}

std::wstring TextOf(HWND window) {
  wchar_t text[1024] = {};
  GetWindowTextW(window, text, 1024);
  return text;
}

void SaveScreenshot(HWND dialog, const std::string& name) {
  const char* directory = std::getenv("FC_ARTIFACTS");
  if (directory == nullptr) return;
  RECT r;
  GetWindowRect(dialog, &r);
  const int w = r.right - r.left, h = r.bottom - r.top;
  HDC screen = GetDC(nullptr);
  HDC memory = CreateCompatibleDC(screen);
  BITMAPINFO info{};
  info.bmiHeader = {sizeof(BITMAPINFOHEADER), w, h, 1, 24, BI_RGB, 0, 0, 0, 0, 0};
  void* bits = nullptr;
  HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  HGDIOBJ old = SelectObject(memory, bitmap);
  BitBlt(memory, 0, 0, w, h, screen, r.left, r.top, SRCCOPY);
  GdiFlush();
  const DWORD imageSize = static_cast<DWORD>(((w * 3 + 3) & ~3) * h);
  BITMAPFILEHEADER file{0x4D42, static_cast<DWORD>(sizeof(BITMAPFILEHEADER) + sizeof(BITMAPINFOHEADER) + imageSize), 0,
                        0, static_cast<DWORD>(sizeof(BITMAPFILEHEADER) + sizeof(BITMAPINFOHEADER))};
  info.bmiHeader.biSizeImage = imageSize;
  if (FILE* out = std::fopen((std::string(directory) + "/" + name).c_str(), "wb")) {
    std::fwrite(&file, sizeof file, 1, out);
    std::fwrite(&info.bmiHeader, sizeof info.bmiHeader, 1, out);
    std::fwrite(bits, 1, imageSize, out);
    std::fclose(out);
  }
  SelectObject(memory, old);
  DeleteObject(bitmap);
  DeleteDC(memory);
  ReleaseDC(nullptr, screen);
}

DWORD WINAPI VisitDialog(void* parameter) {
  auto* visit = static_cast<DialogVisit*>(parameter);
  HWND dialog = nullptr;
  for (int tries = 0; tries < 4000 && dialog == nullptr; ++tries) {
    const bool returned = InterlockedCompareExchange(&visit->CallReturned, 0, 0) != 0;
    Sleep(30);
    dialog = FindOurDialog();
    if (returned) break; // one look after the call returned, then no more
  }
  if (dialog == nullptr) return 0;
  visit->Found = true;
  visit->Caption = TextOf(dialog);
  visit->GroupText = TextOf(GetDlgItem(dialog, 101));
  visit->MessageText = TextOf(GetDlgItem(dialog, 0xFFFF));
  visit->Owner = GetWindow(dialog, GW_OWNER);
  GetWindowRect(dialog, &visit->Window);
  for (int id = 102; id <= 106; ++id) {
    if (IsDlgButtonChecked(dialog, id) == BST_CHECKED) visit->CheckedButton = id;
  }
  if (!visit->ScreenshotName.empty()) {
    RedrawWindow(dialog, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
    Sleep(300);
    SaveScreenshot(dialog, visit->ScreenshotName);
  }
  if (visit->Act) visit->Act(dialog);
  Sleep(100);
  if (IsWindow(dialog)) PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0); // never leave the test hanging
  return 0;
}

} // namespace

int32_t WhileVisiting(DialogVisit* visit, const std::function<int32_t()>& call) {
  HANDLE thread = CreateThread(nullptr, 0, VisitDialog, visit, 0, nullptr);
  const int32_t result = call();
  InterlockedExchange(&visit->CallReturned, 1);
  WaitForSingleObject(thread, 10000);
  CloseHandle(thread);
  return result;
}

// Puts the pointer at (x, y). Under Xvfb Wine moves it only while one of its
// own windows is shown, so a window is shown for the move.
void PlaceCursor(int x, int y) {
  HWND helper = CreateWindowExA(WS_EX_TOPMOST, "STATIC", "", WS_POPUP | WS_VISIBLE, 0, 0, 4000, 4000, nullptr,
                                nullptr, nullptr, nullptr);
  MSG message;
  while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&message);
  SetCursorPos(x, y);
  while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&message);
  DestroyWindow(helper);
}

void Click(HWND dialog, int id) { SendMessageA(GetDlgItem(dialog, id), BM_CLICK, 0, 0); }

void SetHostLanguage(const int32_t* value) {
  const char key[] = "Software\\Harkimo\\Susie\\Resource";
  if (value == nullptr) {
    RegDeleteKeyA(HKEY_CURRENT_USER, key);
    return;
  }
  HKEY opened;
  RegCreateKeyExA(HKEY_CURRENT_USER, key, 0, nullptr, 0, KEY_WRITE, nullptr, &opened, nullptr);
  RegSetValueExA(opened, "Japanese", 0, REG_DWORD, reinterpret_cast<const BYTE*>(value), sizeof *value);
  RegCloseKey(opened);
}

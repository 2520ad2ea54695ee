// The configuration dialog as a real window (run under Xvfb, code page 932).
// A second thread finds the dialog, looks at it, and works it as a user would.
#include <gtest/gtest.h>

#include <cstdio>
#include <functional>
#include <string>

#include "tests/dll/plugin_library.h"

namespace {

const char HostResourceKey[] = "Software\\Harkimo\\Susie\\Resource";

struct DialogVisit {
  std::function<void(HWND)> Act; // what the user does; must close the dialog
  std::string ScreenshotName;    // when set, the shown dialog is saved as a BMP file
  bool Found = false;
  std::wstring Caption;
  std::wstring GroupText;
  RECT Window{};
  int CheckedButton = 0;
};

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
  wchar_t text[128] = {};
  GetWindowTextW(window, text, 128);
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
  for (int tries = 0; tries < 100 && dialog == nullptr; ++tries) {
    Sleep(30);
    dialog = FindOurDialog();
  }
  if (dialog == nullptr) return 0;
  visit->Found = true;
  visit->Caption = TextOf(dialog);
  visit->GroupText = TextOf(GetDlgItem(dialog, 101));
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

void SetLanguage(int32_t* value) {
  if (value == nullptr) {
    RegDeleteKeyA(HKEY_CURRENT_USER, HostResourceKey);
    return;
  }
  HKEY key;
  RegCreateKeyExA(HKEY_CURRENT_USER, HostResourceKey, 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr);
  RegSetValueExA(key, "Japanese", 0, REG_DWORD, reinterpret_cast<const BYTE*>(value), sizeof *value);
  RegCloseKey(key);
}

int32_t StoredIpqFormat() {
  DWORD value = 0xFFFFFFFF, size = sizeof value, type = 0;
  HKEY key;
  if (RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\Harkimo\\Susie\\Plug-in\\Palvo", 0, KEY_READ, &key) != 0) return -100;
  RegQueryValueExA(key, "IpqFormat", nullptr, &type, reinterpret_cast<BYTE*>(&value), &size);
  RegCloseKey(key);
  return static_cast<int32_t>(value);
}

class PalvoDialog : public ::testing::Test {
 protected:
  void SetUp() override {
    RemoveIpqFormat();
    int32_t english = 0;
    SetLanguage(&english);
    ASSERT_TRUE(LoadPalvo(&api));
  }
  void TearDown() override {
    UnloadPalvo(&api);
    RemoveIpqFormat();
    SetLanguage(nullptr);
  }
  int32_t Open(DialogVisit* visit) {
    HANDLE thread = CreateThread(nullptr, 0, VisitDialog, visit, 0, nullptr);
    const int32_t result = api.ConfigurationDlg(nullptr, 1);
    WaitForSingleObject(thread, 10000);
    CloseHandle(thread);
    return result;
  }
  PalvoApi api;
};

void Click(HWND dialog, int id) { SendMessageA(GetDlgItem(dialog, id), BM_CLICK, 0, 0); }

} // namespace

TEST_F(PalvoDialog, TemplateFollowsTheHostLanguage) {
  DialogVisit english;
  english.ScreenshotName = "dialog-english.bmp";
  english.Act = [](HWND dialog) { Click(dialog, IDCANCEL); };
  EXPECT_EQ(Open(&english), 0);
  ASSERT_TRUE(english.Found);
  EXPECT_EQ(english.Caption, L"Configuration");
  EXPECT_EQ(english.GroupText, L"&IPQ Format");

  SetLanguage(nullptr); // no value: the Japanese template
  DialogVisit japanese;
  japanese.ScreenshotName = "dialog-japanese.bmp";
  japanese.Act = [](HWND dialog) { Click(dialog, IDCANCEL); };
  EXPECT_EQ(Open(&japanese), 0);
  ASSERT_TRUE(japanese.Found);
  EXPECT_EQ(japanese.Caption, L"\u8A2D\u5B9A");
  EXPECT_EQ(japanese.GroupText, L"&IPQ \uFF8C\uFF6B\uFF70\uFF8F\uFF6F\uFF84");

  int32_t unknown = 5; // no template of that id: nothing shown, still 0
  SetLanguage(&unknown);
  DialogVisit none;
  EXPECT_EQ(Open(&none), 0);
  EXPECT_FALSE(none.Found);
}

TEST_F(PalvoDialog, OkStoresTheChosenModeAndTheFilterFollowsAtOnce) {
  PlaceCursor(400, 300);
  DialogVisit visit;
  visit.Act = [](HWND dialog) {
    Click(dialog, 104); // Show First Picture
    Click(dialog, IDOK);
  };
  EXPECT_EQ(Open(&visit), 0);
  ASSERT_TRUE(visit.Found);
  EXPECT_EQ(visit.CheckedButton, 102) << "opens on the current mode";
  EXPECT_EQ(api.GetIpqFormat(), 2);
  EXPECT_EQ(StoredIpqFormat(), 2) << "OK creates the key";
  char patterns[64];
  api.GetPluginInfo(2, patterns, sizeof patterns);
  EXPECT_STREQ(patterns, "*.ipf;*.ipq;*.mcg;*.clm");
  Bytes ipq = MakeIpq(GreyPalette(), {BitmapFrame{1, 1, 0, 0, 0, {1}}});
  ipq.resize(2048);
  EXPECT_EQ(api.IsSupported("a.ipq", reinterpret_cast<uintptr_t>(ipq.data())), 2);

  // Centred on the pointer.
  const int w = visit.Window.right - visit.Window.left, h = visit.Window.bottom - visit.Window.top;
  EXPECT_EQ(visit.Window.left, 400 - w / 2);
  EXPECT_EQ(visit.Window.top, 300 - h / 2);

  // Back to mode 0 with OK: IPQ files are left to the archive extractor again.
  DialogVisit back;
  back.Act = [](HWND dialog) {
    Click(dialog, 102);
    Click(dialog, IDOK);
  };
  Open(&back);
  EXPECT_EQ(back.CheckedButton, 104);
  EXPECT_EQ(StoredIpqFormat(), 0);
  api.GetPluginInfo(2, patterns, sizeof patterns);
  EXPECT_STREQ(patterns, "*.ipf;*.mcg;*.clm");
  EXPECT_EQ(api.IsSupported("a.ipq", reinterpret_cast<uintptr_t>(ipq.data())), 0);
}

TEST_F(PalvoDialog, CancelEscapeAndCloseBoxChangeNothing) {
  const std::function<void(HWND)> ways[] = {
      [](HWND dialog) { Click(dialog, IDCANCEL); },
      [](HWND dialog) {
        GUITHREADINFO gui{};
        gui.cbSize = sizeof gui;
        GetGUIThreadInfo(GetWindowThreadProcessId(dialog, nullptr), &gui);
        PostMessageA(gui.hwndFocus ? gui.hwndFocus : dialog, WM_KEYDOWN, VK_ESCAPE, 0);
      },
      [](HWND dialog) { PostMessageA(dialog, WM_SYSCOMMAND, SC_CLOSE, 0); },
  };
  for (const auto& leave : ways) {
    DialogVisit visit;
    visit.Act = [&leave](HWND dialog) {
      Click(dialog, 106);
      leave(dialog);
    };
    EXPECT_EQ(Open(&visit), 0);
    ASSERT_TRUE(visit.Found);
    EXPECT_EQ(api.GetIpqFormat(), 0);
    EXPECT_EQ(StoredIpqFormat(), -100) << "no key written";
  }
}

TEST_F(PalvoDialog, KeptInsideTheWorkAreaNearItsEdges) {
  RECT work;
  SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
  PlaceCursor(work.left + 2, work.top + 2);
  DialogVisit topLeft;
  topLeft.Act = [](HWND dialog) { Click(dialog, IDCANCEL); };
  Open(&topLeft);
  ASSERT_TRUE(topLeft.Found);
  EXPECT_EQ(topLeft.Window.left, work.left);
  EXPECT_EQ(topLeft.Window.top, work.top);

  PlaceCursor(work.right - 3, work.bottom - 3);
  DialogVisit bottomRight;
  bottomRight.Act = [](HWND dialog) { Click(dialog, IDCANCEL); };
  Open(&bottomRight);
  ASSERT_TRUE(bottomRight.Found);
  EXPECT_EQ(bottomRight.Window.right, work.right);
  EXPECT_EQ(bottomRight.Window.bottom, work.bottom);
}

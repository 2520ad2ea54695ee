// The configuration dialog as a real window (run under Xvfb, code page 932).
// A second thread finds the dialog, looks at it, and works it as a user would.
#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "tests/dll/archive_host.h"
#include "tests/dll/dialog_driver.h"
#include "tests/dll/plugin_library.h"

namespace {

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
    SetHostLanguage(&english);
    ASSERT_TRUE(LoadPalvo(&api));
  }
  void TearDown() override {
    UnloadPalvo(&api);
    RemoveIpqFormat();
    SetHostLanguage(nullptr);
  }
  int32_t Open(DialogVisit* visit) {
    return WhileVisiting(visit, [this] { return api.ConfigurationDlg(nullptr, 1); });
  }
  PalvoApi api;
};

// A host window for the About box to belong to.
HWND HostWindow() {
  return CreateWindowExA(0, "STATIC", "host", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 10, 10, 300, 200, nullptr, nullptr,
                         nullptr, nullptr);
}

bool Holds(const std::wstring& text, const std::wstring& part) { return text.find(part) != std::wstring::npos; }

// Opens the About box through `configure` (function code 0) and closes it with OK.
DialogVisit VisitAbout(int32_t(__stdcall* configure)(HWND, int32_t), HWND parent, const char* screenshot,
                       int32_t* result) {
  DialogVisit visit;
  visit.ScreenshotName = screenshot;
  visit.Act = [](HWND box) { Click(box, IDOK); };
  *result = WhileVisiting(&visit, [&] { return configure(parent, 0); });
  return visit;
}


} // namespace

TEST_F(PalvoDialog, TemplateFollowsTheHostLanguage) {
  DialogVisit english;
  english.ScreenshotName = "dialog-english.bmp";
  english.Act = [](HWND dialog) { Click(dialog, IDCANCEL); };
  EXPECT_EQ(Open(&english), 0);
  ASSERT_TRUE(english.Found);
  EXPECT_EQ(english.Caption, L"Configuration");
  EXPECT_EQ(english.GroupText, L"&IPQ Format");

  SetHostLanguage(nullptr); // no value: the Japanese template
  DialogVisit japanese;
  japanese.ScreenshotName = "dialog-japanese.bmp";
  japanese.Act = [](HWND dialog) { Click(dialog, IDCANCEL); };
  EXPECT_EQ(Open(&japanese), 0);
  ASSERT_TRUE(japanese.Found);
  EXPECT_EQ(japanese.Caption, L"\u8A2D\u5B9A");
  EXPECT_EQ(japanese.GroupText, L"&IPQ \uFF8C\uFF6B\uFF70\uFF8F\uFF6F\uFF84");

  int32_t unknown = 5; // no template of that id: nothing shown, still 0
  SetHostLanguage(&unknown);
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

TEST_F(PalvoDialog, AboutBoxInTheHostsLanguageOwnedByTheHost) {
  HWND parent = HostWindow();
  int32_t result = -100;
  const DialogVisit english = VisitAbout(api.ConfigurationDlg, parent, "about-english.bmp", &result);
  EXPECT_EQ(result, 0);
  ASSERT_TRUE(english.Found);
  EXPECT_EQ(english.Owner, parent);
  EXPECT_EQ(english.Caption, L"About Palvo");
  EXPECT_TRUE(Holds(english.MessageText, L"Palvo " FC_EXPECTED_VERSION "\n")) << english.MessageText;
  EXPECT_TRUE(Holds(english.MessageText, L"IPF, IPQ and MCG")) << english.MessageText;

  SetHostLanguage(nullptr); // no value: Japanese, as for the settings dialog
  const DialogVisit japanese = VisitAbout(api.ConfigurationDlg, parent, "about-japanese.bmp", &result);
  EXPECT_EQ(result, 0);
  ASSERT_TRUE(japanese.Found);
  EXPECT_EQ(japanese.Owner, parent);
  EXPECT_EQ(japanese.Caption, L"Palvo のバージョン情報");
  EXPECT_TRUE(Holds(japanese.MessageText, L"Palvo " FC_EXPECTED_VERSION "\n")) << japanese.MessageText;
  EXPECT_TRUE(Holds(japanese.MessageText, L"画像")) << japanese.MessageText;
  EXPECT_EQ(api.GetIpqFormat(), 0) << "the About box changes no setting";

  // Codes other than 0 and 1 still show nothing.
  DialogVisit none;
  EXPECT_EQ(WhileVisiting(&none, [&] { return api.ConfigurationDlg(parent, 2); }), -1);
  EXPECT_FALSE(none.Found);
  DestroyWindow(parent);
}

TEST_F(PalvoDialog, MerunsAboutBoxIsItsOwnAndNamesTheBinding) {
  ArchiveApi merun;
  ASSERT_TRUE(LoadArchivePlugin("Merun" PLUGIN_EXTENSION, &merun));
  auto configure = reinterpret_cast<int32_t(__stdcall*)(HWND, int32_t)>(
      reinterpret_cast<void*>(GetProcAddress(merun.Module, "ConfigurationDlg")));
  ASSERT_NE(configure, nullptr);
  HWND parent = HostWindow();
  int32_t result = -100;
  const DialogVisit english = VisitAbout(configure, parent, "about-merun-english.bmp", &result);
  EXPECT_EQ(result, 0);
  ASSERT_TRUE(english.Found);
  EXPECT_EQ(english.Owner, parent);
  EXPECT_EQ(english.Caption, L"About Merun");
  EXPECT_TRUE(Holds(english.MessageText, L"Merun " FC_EXPECTED_VERSION "\n")) << english.MessageText;
  EXPECT_TRUE(Holds(english.MessageText, L"Palvo is bound")) << english.MessageText;

  SetHostLanguage(nullptr);
  const DialogVisit japanese = VisitAbout(configure, parent, "about-merun-japanese.bmp", &result);
  EXPECT_EQ(result, 0);
  ASSERT_TRUE(japanese.Found);
  EXPECT_EQ(japanese.Caption, L"Merun のバージョン情報");
  EXPECT_TRUE(Holds(japanese.MessageText, L"Palvo と連携しています")) << japanese.MessageText;
  DestroyWindow(parent);
  UnloadArchivePlugin(&merun);
}

// Every text of the plug-ins' windows fits the control that shows it: the
// settings dialog in both templates and the About boxes of Palvo and Merun,
// in both languages. Each text is measured in the font its control draws
// with, on the shown window (run under Xvfb, code page 932), and compared with
// the control's client width less what the control draws beside its text.
//
// FC_DIALOG_JAPANESE_FACE, when set, names the font family the Japanese
// template must really be drawn in (read from the font file itself): a run
// that maps the template's face to another font says which one it meant.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "tests/dll/archive_host.h"
#include "tests/dll/dialog_driver.h"
#include "tests/dll/plugin_library.h"

namespace {

// One text of a window, measured.
struct TextFit {
  int Id = 0;
  std::string Kind; // "radio", "push", "group", "static"
  std::wstring Text;
  std::wstring Face;   // as the DC names it
  std::wstring Family; // as the font file names it; the face for fonts without a name table
  int Needed = 0;      // pixels the text and what is drawn beside it take
  int Available = 0;   // the control's client width
  int NeededHeight = 0;
  int AvailableHeight = 0;
  RECT Box{}; // the control, in screen coordinates
};

struct WindowFits {
  bool Measured = false;
  RECT Client{}; // the window's client area, in screen coordinates
  std::vector<TextFit> Texts;
};

std::string Utf8(const std::wstring& text) {
  const int size = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, nullptr, 0, nullptr, nullptr);
  std::string out(size > 0 ? size - 1 : 0, '\0');
  if (size > 1) WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, &out[0], size, nullptr, nullptr);
  return out;
}

// The family name (name id 1, Windows platform, English if there) of the
// font selected into `dc`, from the font's own name table.
std::wstring FamilyFromNameTable(HDC dc) {
  const DWORD table = 'n' | 'a' << 8 | 'm' << 16 | 'e' << 24;
  const DWORD size = GetFontData(dc, table, 0, nullptr, 0);
  if (size == GDI_ERROR || size < 6) return L"";
  std::vector<unsigned char> bytes(size);
  if (GetFontData(dc, table, 0, bytes.data(), size) != size) return L"";
  auto word = [&bytes](size_t at) -> unsigned { return at + 1 < bytes.size() ? bytes[at] << 8 | bytes[at + 1] : 0; };
  const unsigned count = word(2), strings = word(4);
  std::wstring other;
  for (unsigned i = 0; i < count; ++i) {
    const size_t record = 6 + 12 * size_t{i};
    if (word(record) != 3 || word(record + 6) != 1) continue;
    std::wstring name;
    const unsigned length = word(record + 8), offset = word(record + 10);
    for (unsigned k = 0; k + 1 < length; k += 2) name += static_cast<wchar_t>(word(strings + offset + k));
    if (word(record + 4) == 0x409) return name;
    if (other.empty()) other = name;
  }
  return other;
}

// Measures the text of one control in its own font. Besides the text, a
// check box or radio button draws its glyph (12 pixels at 96 dpi, plus one)
// and a gap of half the width of "0", and shifts the text one pixel right
// for its focus rectangle, which reaches one pixel past the text on the
// right as well; a push button keeps its text off its frame (a default
// button's outline, then the raised edge: 3 pixels a side); a group box draws
// its title 7 pixels in from either end of its frame, shifted one pixel too.
bool MeasureControl(HWND control, TextFit* fit) {
  wchar_t text[1024] = {};
  GetWindowTextW(control, text, 1024);
  char className[32] = {};
  GetClassNameA(control, className, sizeof className);
  const LONG style = GetWindowLongW(control, GWL_STYLE);
  if (text[0] == 0 || (lstrcmpiA(className, "Button") != 0 && lstrcmpiA(className, "Static") != 0)) return false;

  fit->Id = GetDlgCtrlID(control);
  fit->Text = text;
  GetWindowRect(control, &fit->Box);
  RECT client;
  GetClientRect(control, &client);
  fit->Available = client.right;
  fit->AvailableHeight = client.bottom;

  HDC dc = GetDC(control);
  HGDIOBJ font = reinterpret_cast<HGDIOBJ>(SendMessageW(control, WM_GETFONT, 0, 0));
  HGDIOBJ old = SelectObject(dc, font != nullptr ? font : GetStockObject(SYSTEM_FONT));
  wchar_t face[LF_FACESIZE] = {};
  GetTextFaceW(dc, LF_FACESIZE, face);
  fit->Face = face;
  fit->Family = FamilyFromNameTable(dc);
  if (fit->Family.empty()) fit->Family = fit->Face;

  RECT extent{0, 0, client.right, 0};
  const bool isStatic = lstrcmpiA(className, "Static") == 0;
  UINT flags = DT_CALCRECT | (isStatic ? DT_WORDBREAK | DT_EXPANDTABS : DT_SINGLELINE);
  if (isStatic && (style & SS_NOPREFIX)) flags |= DT_NOPREFIX;
  DrawTextW(dc, text, -1, &extent, flags);
  const int width = extent.right - extent.left, height = extent.bottom - extent.top;

  if (isStatic) {
    fit->Kind = "static";
    fit->Needed = width;
    fit->NeededHeight = height;
  } else {
    switch (style & BS_TYPEMASK) {
      case BS_PUSHBUTTON:
      case BS_DEFPUSHBUTTON:
        fit->Kind = "push";
        fit->Needed = width + 2 * 3;
        fit->NeededHeight = height + 2 * 3;
        break;
      case BS_GROUPBOX:
        fit->Kind = "group";
        fit->Needed = 7 + 1 + width + 7;
        fit->NeededHeight = height;
        break;
      default: { // check boxes and radio buttons
        fit->Kind = "radio";
        const int glyph = 12 * GetDeviceCaps(dc, LOGPIXELSX) / 96 + 1;
        INT zero = 0;
        GetCharWidth32W(dc, L'0', L'0', &zero);
        fit->Needed = glyph + zero / 2 + 1 + width + 1;
        fit->NeededHeight = height > glyph ? height : glyph;
      }
    }
  }
  SelectObject(dc, old);
  ReleaseDC(control, dc);
  return true;
}

BOOL CALLBACK MeasureChild(HWND child, LPARAM param) {
  auto* fits = reinterpret_cast<WindowFits*>(param);
  TextFit fit;
  if (MeasureControl(child, &fit)) fits->Texts.push_back(fit);
  return TRUE;
}

WindowFits MeasureWindow(HWND window) {
  WindowFits fits;
  fits.Measured = true;
  GetClientRect(window, &fits.Client);
  MapWindowPoints(window, nullptr, reinterpret_cast<POINT*>(&fits.Client), 2);
  EnumChildWindows(window, MeasureChild, reinterpret_cast<LPARAM>(&fits));
  return fits;
}

// The numbers behind each verdict, kept in the log.
void Report(const char* window, const WindowFits& fits) {
  for (const TextFit& fit : fits.Texts) {
    std::printf("%s: %d %s \"%s\" in %s (%s): width %d of %d, height %d of %d\n", window, fit.Id, fit.Kind.c_str(),
                Utf8(fit.Text).c_str(), Utf8(fit.Family).c_str(), Utf8(fit.Face).c_str(), fit.Needed, fit.Available,
                fit.NeededHeight, fit.AvailableHeight);
  }
  std::fflush(stdout);
}

bool Inside(const RECT& inner, const RECT& outer) {
  return inner.left >= outer.left && inner.top >= outer.top && inner.right <= outer.right &&
         inner.bottom <= outer.bottom;
}

// Every text fits its control, and every control lies inside the window.
void ExpectEveryTextFits(const char* window, const WindowFits& fits) {
  ASSERT_TRUE(fits.Measured) << window << " did not show";
  ASSERT_FALSE(fits.Texts.empty()) << window << " has no text to measure";
  Report(window, fits);
  for (const TextFit& fit : fits.Texts) {
    const std::string what = std::string(window) + " control " + std::to_string(fit.Id) + " \"" + Utf8(fit.Text) +
                             "\" in " + Utf8(fit.Family);
    EXPECT_LE(fit.Needed, fit.Available) << what << ": the text needs " << fit.Needed << " pixels, the control has "
                                         << fit.Available;
    EXPECT_LE(fit.NeededHeight, fit.AvailableHeight) << what << ": too low for its text";
    EXPECT_TRUE(Inside(fit.Box, fits.Client)) << what << " reaches outside the window";
  }
}

const TextFit* Find(const WindowFits& fits, int id) {
  for (const TextFit& fit : fits.Texts) {
    if (fit.Id == id) return &fit;
  }
  return nullptr;
}

class DialogTextFit : public ::testing::Test {
 protected:
  void SetUp() override {
    RemoveIpqFormat();
    ASSERT_TRUE(LoadPalvo(&palvo));
  }
  void TearDown() override {
    UnloadPalvo(&palvo);
    SetHostLanguage(nullptr);
  }

  // Opens the window `configure`(parent, function) shows in `language`,
  // measures it as shown, and closes it with `closer`.
  static WindowFits Open(int32_t(__stdcall* configure)(HWND, int32_t), int32_t function, int32_t language,
                         int closer, RECT* window = nullptr) {
    SetHostLanguage(&language);
    WindowFits fits;
    DialogVisit visit;
    visit.Act = [&fits, closer](HWND shown) {
      fits = MeasureWindow(shown);
      Click(shown, closer);
    };
    WhileVisiting(&visit, [&] { return configure(nullptr, function); });
    if (window != nullptr) *window = visit.Window;
    return fits;
  }

  PalvoApi palvo;
};

} // namespace

TEST_F(DialogTextFit, EveryLabelOfBothSettingsTemplates) {
  const WindowFits english = Open(palvo.ConfigurationDlg, 1, 0, IDCANCEL);
  ExpectEveryTextFits("English settings", english);
  const WindowFits japanese = Open(palvo.ConfigurationDlg, 1, 1, IDCANCEL);
  ExpectEveryTextFits("Japanese settings", japanese);

  for (const WindowFits* fits : {&english, &japanese}) {
    // All eight controls were measured, and the radio buttons sit inside the group box.
    ASSERT_EQ(fits->Texts.size(), 8u);
    const TextFit* group = Find(*fits, 101);
    ASSERT_NE(group, nullptr);
    for (int id = 102; id <= 106; ++id) {
      const TextFit* radio = Find(*fits, id);
      ASSERT_NE(radio, nullptr) << id;
      EXPECT_EQ(radio->Kind, "radio");
      EXPECT_TRUE(Inside(radio->Box, group->Box)) << "radio button " << id << " reaches outside its group box";
    }
  }

  // The face the Japanese template is drawn in, when the run names one.
  if (const char* expected = std::getenv("FC_DIALOG_JAPANESE_FACE")) {
    for (const TextFit& fit : japanese.Texts) {
      EXPECT_EQ(Utf8(fit.Family), expected) << "control " << fit.Id << " is drawn in " << Utf8(fit.Family) << " ("
                                            << Utf8(fit.Face) << ")";
    }
  }
}

TEST_F(DialogTextFit, EveryLineOfTheAboutBoxes) {
  ExpectEveryTextFits("Palvo's English About box", Open(palvo.ConfigurationDlg, 0, 0, IDOK));
  ExpectEveryTextFits("Palvo's Japanese About box", Open(palvo.ConfigurationDlg, 0, 1, IDOK));

  ArchiveApi merun;
  ASSERT_TRUE(LoadArchivePlugin("Merun" PLUGIN_EXTENSION, &merun));
  auto configure = reinterpret_cast<int32_t(__stdcall*)(HWND, int32_t)>(
      reinterpret_cast<void*>(GetProcAddress(merun.Module, "ConfigurationDlg")));
  ASSERT_NE(configure, nullptr);
  ExpectEveryTextFits("Merun's English About box", Open(configure, 0, 0, IDOK));
  ExpectEveryTextFits("Merun's Japanese About box", Open(configure, 0, 1, IDOK));
  UnloadArchivePlugin(&merun);
}

// However large the Japanese dialog is, it opens centred on the pointer and
// inside the work area.
TEST_F(DialogTextFit, JapaneseDialogStillAtThePointerAndInsideTheWorkArea) {
  RECT work;
  SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
  PlaceCursor(400, 300);
  RECT window;
  ASSERT_TRUE(Open(palvo.ConfigurationDlg, 1, 1, IDCANCEL, &window).Measured);
  const int w = window.right - window.left, h = window.bottom - window.top;
  EXPECT_EQ(window.left, 400 - w / 2);
  EXPECT_EQ(window.top, 300 - h / 2);

  PlaceCursor(work.right - 3, work.bottom - 3);
  ASSERT_TRUE(Open(palvo.ConfigurationDlg, 1, 1, IDCANCEL, &window).Measured);
  EXPECT_EQ(window.right, work.right);
  EXPECT_EQ(window.bottom, work.bottom);
}

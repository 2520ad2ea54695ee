#include "common/win32/about_box.h"

#include "common/win32/host_language.h"

namespace {

constexpr int TextUnits = 1024;

// Body, a blank line and the note, cut to fit.
void JoinText(const AboutText& text, wchar_t* out) {
  lstrcpynW(out, text.Body, TextUnits);
  if (text.Note == nullptr) return;
  const int used = lstrlenW(out);
  const wchar_t separator[] = L"\n\n";
  if (used + 2 >= TextUnits) return;
  lstrcpynW(out + used, separator, TextUnits - used);
  lstrcpynW(out + used + 2, text.Note, TextUnits - used - 2);
}

} // namespace

void ShowAboutBox(HWND parent, const AboutText& english, const AboutText& japanese) {
  const AboutText& text = HostLanguage() == 1 ? japanese : english;
  wchar_t body[TextUnits];
  JoinText(text, body);
  // The wide call: the Japanese text shows whatever the system's ANSI code page.
  MessageBoxW(parent, body, text.Caption, MB_OK | MB_ICONINFORMATION);
}

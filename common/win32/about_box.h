// The About box a host opens with ConfigurationDlg function code 0.
#pragma once
#include <windows.h>

struct AboutText {
  const wchar_t* Caption;
  const wchar_t* Body;
  const wchar_t* Note; // a last paragraph that depends on the running state; may be null
};

// A message box owned by `parent`: the Japanese text when the host's language
// is Japanese, the English one otherwise (also for values that name no
// language, where the settings dialog shows nothing: an About box that
// stays away would look broken).
void ShowAboutBox(HWND parent, const AboutText& english, const AboutText& japanese);

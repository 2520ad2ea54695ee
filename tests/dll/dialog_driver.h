// Drives the plug-ins' windows as a user would: a second thread finds the
// dialog or message box the call under test shows, reads it, and works it.
#pragma once
#include <windows.h>

#include <functional>
#include <string>

struct DialogVisit {
  std::function<void(HWND)> Act; // what the user does; must close the window
  std::string ScreenshotName;    // when set, the shown window is saved as a BMP file in $FC_ARTIFACTS
  bool Found = false;
  HWND Owner = nullptr;
  std::wstring Caption;
  std::wstring GroupText;   // control 101
  std::wstring MessageText; // a message box's text (control 0xFFFF)
  RECT Window{};
  int CheckedButton = 0;    // the checked one of 102 to 106
  volatile LONG CallReturned = 0; // set once `call` has returned: no dialog is coming any more
};

// Runs `call` on this thread while a second thread visits the first dialog
// window of this process that shows up while `call` runs (under a slow
// emulation a dialog may take many seconds to show, so the thread waits for
// it as long as `call` has not returned, up to two minutes); returns call's
// result.
int32_t WhileVisiting(DialogVisit* visit, const std::function<int32_t()>& call);

// Puts the pointer at (x, y).
void PlaceCursor(int x, int y);

// Presses the button `id` of `dialog`.
void Click(HWND dialog, int id);

// Sets the host's language value "Japanese" (0 English, 1 Japanese); null
// removes the host's key, which the plug-ins read as Japanese.
void SetHostLanguage(const int32_t* value);

// A registry path put together from parts, in a buffer of its own: the
// decoder's paths are far shorter, and the DLL stays free of string classes.
#pragma once
#include <windows.h>

#include <cwchar>

struct KeyPath {
  wchar_t Text[256] = {};

  explicit KeyPath(const wchar_t* first, const wchar_t* second = L"", const wchar_t* third = L"",
                   const wchar_t* fourth = L"") {
    Append(first);
    Append(second);
    Append(third);
    Append(fourth);
  }
  void Append(const wchar_t* part) {
    const size_t used = wcslen(Text);
    wcsncat(Text, part, sizeof Text / sizeof Text[0] - 1 - used);
  }
};

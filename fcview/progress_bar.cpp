#include "fcview/progress_bar.h"

#include <cstdio>

#include "fcview/text.h"

namespace fcview {

void DrawBar(const char* label, int percent, long done, long total) {
  const int filled = percent * 30 / 100;
  const std::string count = total >= 0 ? Format(" %ld/%ld", done, total) : std::string();
  Print(stderr, "\r%s [%.*s%.*s] %3d%%%s", label, filled, "##############################", 30 - filled,
        "                              ", percent, count.c_str());
  std::fflush(stderr);
}

void ClearBar() {
  Print(stderr, "\r%60s\r", "");
  std::fflush(stderr);
}

} // namespace fcview

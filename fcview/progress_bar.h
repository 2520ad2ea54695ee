// The one-line progress bar on stderr, drawn only where stderr is a terminal.
#pragma once

namespace fcview {

// "\rLABEL [#####     ]  42%" (or with a count when `total` is given: "  21/50").
void DrawBar(const char* label, int percent, long done = -1, long total = -1);
// Blanks the line again.
void ClearBar();

} // namespace fcview

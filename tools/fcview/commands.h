// The four commands of fcview and their argument handling.
#pragma once

namespace fcview {

// Exit codes: 0 success, 1 failure (one line on stderr naming the file and
// the reason), 2 usage error (a usage line on stderr).
constexpr int ExitSuccess = 0;
constexpr int ExitFailure = 1;
constexpr int ExitUsage = 2;

int Main(int argc, char** argv);

} // namespace fcview

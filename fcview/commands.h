// The commands of fcview and their argument handling.
#pragma once

#include "fcview/cli.h"

namespace fcview {

int Main(int argc, char** argv);

} // namespace fcview

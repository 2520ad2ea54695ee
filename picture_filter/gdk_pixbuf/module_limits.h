// The limits the gdk-pixbuf module loads under. Defined in a file of its
// own, so that the fuzz target can link the module with small ones.
#pragma once
#include "picture_filter/picture_loader.h"

extern const LoaderLimits ModuleLoaderLimits;

#include "picture_filter/gdk_pixbuf/module_limits.h"

const LoaderLimits ModuleLoaderLimits = DesktopLoaderLimits;

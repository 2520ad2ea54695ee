// The sentences the page shows for a result code, and the loader's limits.
#include "common/result_codes.h"
#include "picture_filter/load_messages.h"
#include "picture_filter/picture_loader.h"
#include "web/core/fc_wasm.h"

const char* fc_picture_message(int32_t result) { return LoadFailureText(result); }

const char* fc_archive_message(int32_t result) {
  switch (result) {
    case ResultNotOurFormat: return "Not an F&C VFS archive";
    case ResultBrokenData: return "Broken VFS archive: its directory runs past the end of the file";
    case ResultNoMemory: return "Not enough memory to list the VFS archive";
    default: return "VFS archive could not be read";
  }
}

const char* fc_member_message(int32_t result) {
  switch (result) {
    case ResultNotOurFormat: return "Broken VFS archive: the member's directory entry is out of order";
    case ResultBrokenData: return "Broken VFS archive: the member's bytes do not lie inside the file";
    default: return "VFS member could not be read";
  }
}

double fc_max_input_bytes() { return static_cast<double>(DesktopLoaderLimits.MaxInputBytes); }
double fc_max_pixels() { return static_cast<double>(DesktopLoaderLimits.MaxPixels); }

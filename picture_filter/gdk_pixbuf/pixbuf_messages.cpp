#include "picture_filter/gdk_pixbuf/pixbuf_messages.h"

#include "common/result_codes.h"
#include "picture_filter/load_messages.h"
#include "picture_filter/picture_loader.h"

namespace {

GdkPixbufError CodeForResult(int32_t result) {
  switch (result) {
    case ResultNotOurFormat:
    case ResultNotImplemented:
      return GDK_PIXBUF_ERROR_UNKNOWN_TYPE;
    case ResultBrokenData:
    case DataEnded:
      return GDK_PIXBUF_ERROR_CORRUPT_IMAGE;
    case ResultNoMemory:
    case LoadInputTooLarge:
    case LoadPictureTooLarge:
      return GDK_PIXBUF_ERROR_INSUFFICIENT_MEMORY;
    default:
      return GDK_PIXBUF_ERROR_FAILED;
  }
}

} // namespace

LoadMessage MessageForResult(int32_t result) {
  if (result == LoadSizeDeclined) {
    return {GDK_PIXBUF_ERROR_FAILED, "F&C picture not decoded: only its size was asked for"};
  }
  return {CodeForResult(result), LoadFailureText(result)};
}

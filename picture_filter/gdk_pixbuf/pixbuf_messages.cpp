#include "picture_filter/gdk_pixbuf/pixbuf_messages.h"

#include "common/result_codes.h"
#include "picture_filter/picture_loader.h"

// The messages name the limits the desktop loader sets.
static_assert(DesktopLoaderLimits.MaxInputBytes == size_t{512} << 20 && DesktopLoaderLimits.MaxPixels == 268435456,
              "the texts below name these limits");

LoadMessage MessageForResult(int32_t result) {
  switch (result) {
    case ResultNotOurFormat:
      return {GDK_PIXBUF_ERROR_UNKNOWN_TYPE, "Not an F&C picture (IPF, IPQ or MCG)"};
    case ResultBrokenData:
      return {GDK_PIXBUF_ERROR_CORRUPT_IMAGE, "Broken F&C picture: a header, the palette or a frame is damaged or missing"};
    case DataEnded:
      return {GDK_PIXBUF_ERROR_CORRUPT_IMAGE, "F&C picture data end before the picture is complete"};
    case ResultNoMemory:
      return {GDK_PIXBUF_ERROR_INSUFFICIENT_MEMORY, "Not enough memory to load the F&C picture"};
    case ResultNotImplemented:
      return {GDK_PIXBUF_ERROR_UNKNOWN_TYPE, "F&C picture of an unsupported depth (1, 4, 8 and 24 bits are read)"};
    case LoadInputTooLarge:
      return {GDK_PIXBUF_ERROR_INSUFFICIENT_MEMORY, "F&C picture file larger than 512 MiB"};
    case LoadPictureTooLarge:
      return {GDK_PIXBUF_ERROR_INSUFFICIENT_MEMORY, "F&C picture larger than 268435456 pixels"};
    case LoadSizeDeclined:
      return {GDK_PIXBUF_ERROR_FAILED, "F&C picture not decoded: only its size was asked for"};
    default:
      return {GDK_PIXBUF_ERROR_FAILED, "F&C picture could not be loaded"};
  }
}

#include "picture_filter/load_messages.h"

#include "common/result_codes.h"
#include "picture_filter/picture_loader.h"

// The sentences name the limits the desktop loaders set.
static_assert(DesktopLoaderLimits.MaxInputBytes == size_t{512} << 20 && DesktopLoaderLimits.MaxPixels == 268435456,
              "the texts below name these limits");

const char* LoadFailureText(int32_t result) {
  switch (result) {
    case ResultNotOurFormat:
      return "Not an F&C picture (IPF, IPQ or MCG)";
    case ResultBrokenData:
      return "Broken F&C picture: a header, the palette or a frame is damaged or missing";
    case DataEnded:
      return "F&C picture data end before the picture is complete";
    case ResultNoMemory:
      return "Not enough memory to load the F&C picture";
    case ResultNotImplemented:
      return "F&C picture of an unsupported depth (1, 4, 8 and 24 bits are read)";
    case LoadInputTooLarge:
      return "F&C picture file larger than 512 MiB";
    case LoadPictureTooLarge:
      return "F&C picture larger than 268435456 pixels";
    default:
      return "F&C picture could not be loaded";
  }
}

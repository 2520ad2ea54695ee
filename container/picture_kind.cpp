#include "container/picture_kind.h"

PictureKind DetectPictureKind(const uint8_t* first12) {
  if (HasTag(first12, "RIFF")) {
    if (HasTag(first12 + 8, "IPF ")) return IpfPicture;
    if (HasTag(first12 + 8, "IPQ ")) return IpqPicture;
    return NotAPicture;
  }
  return HasTag(first12, "MCG ") ? McgPicture : NotAPicture;
}

PictureKind DetectImageKind(const PictureImage& picture) {
  if (!IsReadable(picture.Input, picture.Image, 12)) return NotAPicture;
  return DetectPictureKind(picture.Image);
}

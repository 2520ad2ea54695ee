#pragma once
#include <cstdint>

#include "container/picture_image.h"

enum PictureKind : int32_t { NotAPicture = 0, IpfPicture = 1, IpqPicture = 2, McgPicture = 3 };

// Classifies a picture by its first 12 bytes, which must be readable.
PictureKind DetectPictureKind(const uint8_t* first12);

// The same for an image; an input too short to hold 12 bytes is no picture.
PictureKind DetectImageKind(const PictureImage& picture);

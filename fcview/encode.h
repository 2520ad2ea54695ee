// Pictures made from PNG files: IPF (one picture), IPQ (one frame per
// picture, one shared palette) and MCG (the PNG's depth where MCG has it).
// Colours are never reduced: a picture with more colours than the format
// holds is refused.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "fcview/png_reader.h"

namespace fcview {

enum class EncodedKind { Ipf, Ipq, Mcg };

// The kind a file name asks for by its extension (.ipf, .ipq, .mcg, any case).
bool EncodedKindOf(const std::string& fileName, EncodedKind* kind);

// The file's bytes; false with the reason (naming the picture by its index
// when there are several) when the pictures do not fit the format.
bool EncodePictures(EncodedKind kind, const std::vector<PngPicture>& pictures, std::vector<uint8_t>* file,
                    std::string* reason);

// Decodes `file` with the picture filter's own routines and compares every
// pixel with the pictures (each IPQ frame with its picture). False with the
// first difference as the reason.
bool VerifyEncoded(EncodedKind kind, const uint8_t* file, size_t size, const std::vector<PngPicture>& pictures,
                   std::string* reason);

} // namespace fcview

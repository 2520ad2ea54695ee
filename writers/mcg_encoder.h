// MCG's LZSS packing: groups of eight items under a flags byte (bit 0 first),
// literals and references of 3 to 18 bytes into a 4096-byte ring whose write
// index starts at 4078 and whose bytes start as zero. Items are chosen by the
// cheapest path in bits (a literal costs 9, a reference 17).
#pragma once
#include "writers/picture_writer.h"

Bytes EncodeMcgLzss(const Bytes& unpacked);

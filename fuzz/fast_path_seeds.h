// Pictures whose code streams are written here code by code, so that the
// decoders' fast paths meet every class of move they tell apart: copies of
// each short distance and of long ones, at every length class, starting at
// every output position modulo 16 (and, for MCG, at every item of a group),
// runs of every length class, and pictures longer than the decoders' window.
#pragma once
#include <string>
#include <utility>
#include <vector>

#include "writers/picture_writer.h"

// Named files (IPF and MCG), each a complete picture; named whole-*, as
// tools/fuzz.sh keeps them whole in the corpus.
std::vector<std::pair<std::string, Bytes>> FastPathPictures();

// The IPF/IPQ pixel code: runs, copies of earlier bytes, one-byte literals
// where the value allows, and the end code. The codes are chosen by the
// cheapest path through the picture (every code's cost is known in bytes),
// so the stream is the shortest these code choices allow.
#pragma once
#include "writers/picture_writer.h"

Bytes EncodeIpfCodes(const Bytes& pixels);

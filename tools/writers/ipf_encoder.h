// The IPF/IPQ pixel code, written greedily: runs, copies of earlier bytes,
// one-byte literals where the value allows, and the end code.
#pragma once
#include "tools/writers/picture_writer.h"

Bytes EncodeIpfCodes(const Bytes& pixels);

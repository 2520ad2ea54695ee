// The sentence a desktop image loader gives the user when a picture does not
// load: one per result of the loader core and the decoders.
#pragma once
#include <cstdint>

const char* LoadFailureText(int32_t result);

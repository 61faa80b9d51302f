// The package's 24 colours.
#pragma once

#include <cstdint>

constexpr int kColourCount = 24;

// Neither lookup checks its index: callers pass a checked index 0..23.
const char* colour_name(int index);
// Colour reference: red in the lowest byte, then green, then blue.
uint32_t colour_rgb(int index);

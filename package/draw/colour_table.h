// The package's 24 colours, and the ones a program defines by their red,
// green and blue (ZIVRO_rgb) at the indices after them.
#pragma once

#include <cstdint>

constexpr int kColourCount = 24;
constexpr int kMaxColours = 256;

// Whether `index` names a colour: one of the 24, or one the program defined.
bool is_colour(int index);

// Neither lookup checks its index: callers pass an index is_colour accepts.
// A defined colour's name is its value, "rgb(255,128,0)".
const char* colour_name(int index);
// Colour reference: red in the lowest byte, then green, then blue.
uint32_t colour_rgb(int index);

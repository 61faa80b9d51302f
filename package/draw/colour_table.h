// The package's 24 colours, and the record a drawing call hands the renderer.
#pragma once

#include <cstdint>

constexpr int kColourCount = 24;

// Neither lookup checks its index: callers pass a checked index 0..23.
const char* colour_name(int index);
// Colour reference: red in the lowest byte, then green, then blue.
uint32_t colour_rgb(int index);

struct DrawCommand {
  int32_t kind = 0;  // DrawKind
  int32_t colour = 0;
  int32_t width = 0;  // 0 = filled
  int32_t x1 = 0;
  int32_t y1 = 0;
  int32_t x2 = 0;   // text: point size
  intptr_t y2 = 0;  // text: the string copy, so it is pointer-wide
  int32_t x3 = 0;
  int32_t y3 = 0;
};

enum DrawKind : int32_t {
  kDrawTriangle = 0,
  kDrawRectangle = 1,
  kDrawEllipse = 2,
  kDrawLine = 3,
  kDrawPixel = 4,
  kDrawText = 5,
};

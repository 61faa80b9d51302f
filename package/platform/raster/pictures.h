// Pictures blended over 32-bit pixel surfaces. Every layer blends with this
// code, Windows too (on the canvas pixels it reads back from GDI), so a
// picture leaves the same pixels everywhere.
#pragma once

#include <cstdint>

#include "platform/layer_only.h"
#include "platform/raster/shapes.h"

namespace raster {

// One channel of a picture pixel over one of the surface, for the picture's
// alpha a (0 transparent, 255 opaque), rounded to nearest:
//   out = (picture * a + surface * (255 - a) + 127) / 255
inline uint32_t blend_channel(uint32_t picture, uint32_t surface, uint32_t alpha) {
  return (picture * alpha + surface * (255 - alpha) + 127) / 255;
}

// A picture pixel 0xAARRGGBB (alpha not premultiplied) over a surface pixel
// 0x00RRGGBB; the result is a surface pixel.
inline uint32_t blend_pixel(uint32_t picture, uint32_t surface) {
  const uint32_t alpha = picture >> 24;
  uint32_t out = 0;
  for (int shift = 0; shift <= 16; shift += 8) {
    out |= blend_channel((picture >> shift) & 0xFFu, (surface >> shift) & 0xFFu, alpha) << shift;
  }
  return out;
}

// Blends `width` by `height` picture pixels (0xAARRGGBB, rows top to bottom)
// with the picture's upper-left pixel at surface pixel (x, y), clipped to the
// surface; any position is accepted.
void blend_picture(const Surface& surface, int x, int y, const uint32_t* picture, int width,
                   int height);

}  // namespace raster

#include "platform/raster/pictures.h"

#include <algorithm>

namespace raster {

void blend_picture(const Surface& surface, int x, int y, const uint32_t* picture, int width,
                   int height) {
  if (!surface.pixels || !picture || width <= 0 || height <= 0) return;
  // The picture's columns and rows that land on the surface, in 64 bits so
  // that a position near the ends of the int range cannot overflow.
  const int64_t first_column = std::max<int64_t>(0, -int64_t{x});
  const int64_t end_column = std::min<int64_t>(width, int64_t{surface.width} - x);
  const int64_t first_row = std::max<int64_t>(0, -int64_t{y});
  const int64_t end_row = std::min<int64_t>(height, int64_t{surface.height} - y);
  for (int64_t row = first_row; row < end_row; ++row) {
    const uint32_t* in = picture + row * width;
    uint32_t* out = surface.pixels + (row + y) * surface.width + x;
    if (surface.written && first_column < end_column) {
      note_written(surface.written, row + y, x + first_column, x + end_column - 1);
    }
    for (int64_t column = first_column; column < end_column; ++column) {
      out[column] = blend_pixel(in[column], out[column]);
    }
  }
}

}  // namespace raster

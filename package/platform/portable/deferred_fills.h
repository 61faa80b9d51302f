// Box fills held back row by row, so that a pixel a frame paints over is not
// written first. A program's frame often starts with a box the size of the
// window and paints most of it again (a sky, then the ground over half of
// it): a later box that covers a row's held fill replaces it without either
// being written. Anything else that touches a row writes its held fill first;
// whatever reads or writes a bitmap's pixels otherwise settles them all.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/layer_only.h"
#include "platform/raster/shapes.h"

namespace portable {

struct DeferredFills {
  // Per row: the held fill's columns (from > to when the row holds none)
  // and colour. Sized to the surface when the first fill is held.
  std::vector<int32_t> from;
  std::vector<int32_t> to;
  std::vector<uint32_t> colour;
  int32_t first_row = 0;  // rows first_row..last_row may hold one
  int32_t last_row = -1;
};

// Holds `box`, on the surface, as the fill of its rows, writing first the
// held fills on those rows that it does not cover.
void defer_fill(DeferredFills& fills, const raster::Surface& surface, const raster::FilledBox& box);

// Writes the held fills of rows y0..y1 (any values) to the surface.
void settle_rows(DeferredFills& fills, const raster::Surface& surface, int64_t y0, int64_t y1);

// Writes every held fill.
inline void settle_all(DeferredFills& fills, const raster::Surface& surface) {
  if (fills.first_row <= fills.last_row)
    settle_rows(fills, surface, fills.first_row, fills.last_row);
}

}  // namespace portable

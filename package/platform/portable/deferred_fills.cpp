#include "platform/portable/deferred_fills.h"

#include <algorithm>

namespace portable {
namespace {

bool holds(const DeferredFills& fills, int32_t row) {
  return fills.from[static_cast<size_t>(row)] <= fills.to[static_cast<size_t>(row)];
}

bool same_fill(const DeferredFills& fills, int32_t a, int32_t b) {
  const auto i = static_cast<size_t>(a), j = static_cast<size_t>(b);
  return fills.from[i] == fills.from[j] && fills.to[i] == fills.to[j] &&
         fills.colour[i] == fills.colour[j];
}

// Writes the held fills of rows y0..y1 for which `chosen` holds, and
// forgets them. Neighbouring rows with the same fill are written as one
// box, which the rasterizer fills fastest.
template <typename Chosen>
void write_rows(DeferredFills& fills, const raster::Surface& surface, int32_t y0, int32_t y1,
                Chosen&& chosen) {
  for (int32_t row = y0; row <= y1;) {
    if (!holds(fills, row) || !chosen(row)) {
      ++row;
      continue;
    }
    int32_t end = row + 1;
    while (end <= y1 && holds(fills, end) && same_fill(fills, row, end) && chosen(end)) ++end;
    const auto at = static_cast<size_t>(row);
    raster::fill_rectangle(surface, fills.from[at], row, fills.to[at] + 1, end, fills.colour[at]);
    for (int32_t done = row; done < end; ++done) {
      fills.from[static_cast<size_t>(done)] = 0;
      fills.to[static_cast<size_t>(done)] = -1;
    }
    row = end;
  }
}

}  // namespace

void defer_fill(DeferredFills& fills, const raster::Surface& surface,
                const raster::FilledBox& box) {
  const auto rows = static_cast<size_t>(surface.height);
  if (fills.first_row > fills.last_row && fills.from.size() != rows) {
    fills.from.assign(rows, 0);
    fills.to.assign(rows, -1);
    fills.colour.assign(rows, 0);
  }
  const int32_t y0 = std::max(box.y0, fills.first_row);
  const int32_t y1 = std::min(box.y1, fills.last_row);
  write_rows(fills, surface, y0, y1, [&](int32_t row) {
    const auto at = static_cast<size_t>(row);
    return box.x0 > fills.from[at] || box.x1 < fills.to[at];
  });
  for (int32_t row = box.y0; row <= box.y1; ++row) {
    const auto at = static_cast<size_t>(row);
    fills.from[at] = box.x0;
    fills.to[at] = box.x1;
    fills.colour[at] = box.colour;
  }
  if (fills.first_row > fills.last_row) {
    fills.first_row = box.y0;
    fills.last_row = box.y1;
  } else {
    fills.first_row = std::min(fills.first_row, box.y0);
    fills.last_row = std::max(fills.last_row, box.y1);
  }
}

void settle_rows(DeferredFills& fills, const raster::Surface& surface, int64_t y0, int64_t y1) {
  if (fills.first_row > fills.last_row) return;
  const auto from = static_cast<int32_t>(std::max<int64_t>(y0, fills.first_row));
  const auto to = static_cast<int32_t>(std::min<int64_t>(y1, fills.last_row));
  if (from > to) return;
  write_rows(fills, surface, from, to, [](int32_t) { return true; });
  if (from == fills.first_row) fills.first_row = to + 1;
  if (to == fills.last_row) fills.last_row = from - 1;
  if (fills.first_row > fills.last_row) {
    fills.first_row = 0;
    fills.last_row = -1;
  }
}

}  // namespace portable

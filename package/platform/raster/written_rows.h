// Where a surface was written since its pixels were last read for a digest,
// row by row, so that the digest reads only those pixels again. A row keeps
// the columns its widest recent fill covered with one colour, and which of
// those were written since: the rest of that stretch is known without
// reading it. Every writer of a tracked surface notes what it writes here;
// one that did not would leave a stale digest.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "platform/layer_only.h"

namespace raster {

struct WrittenRows {
  bool enabled = false;
  std::vector<uint8_t> dirty;    // written since the last digest
  std::vector<uint8_t> uniform;  // columns from..to are `fill` but for first..last
  std::vector<uint32_t> fill;
  std::vector<int32_t> from;
  std::vector<int32_t> to;
  std::vector<int32_t> first;  // written since within from..to, inclusive;
  std::vector<int32_t> last;   // first > last when none were
  std::vector<uint64_t> term;  // the row's part of the digest, as last computed
};

// Starts tracking a surface of `height` rows: every row is unknown.
inline void start_tracking(WrittenRows* rows, int height) {
  const size_t count = height > 0 ? static_cast<size_t>(height) : 0;
  rows->enabled = true;
  rows->dirty.assign(count, 1);
  rows->uniform.assign(count, 0);
  rows->fill.assign(count, 0);
  rows->from.assign(count, 0);
  rows->to.assign(count, -1);
  rows->first.assign(count, 0);
  rows->last.assign(count, -1);
  rows->term.assign(count, 0);
}

// Columns x0..x1 of row y were written; all on the surface.
inline void note_written(WrittenRows* rows, long long y, long long x0, long long x1) {
  const size_t row = static_cast<size_t>(y);
  rows->dirty[row] = 1;
  // Columns outside from..to are read at every digest anyway.
  if (x0 < rows->from[row]) x0 = rows->from[row];
  if (x1 > rows->to[row]) x1 = rows->to[row];
  if (x0 > x1) return;
  if (x0 < rows->first[row]) rows->first[row] = static_cast<int32_t>(x0);
  if (x1 > rows->last[row]) rows->last[row] = static_cast<int32_t>(x1);
}

// Columns x0..x1 of rows y0..y1 were filled with `colour`; all on the
// surface. A fill at least as wide as a row's known stretch becomes it.
inline void note_filled(WrittenRows* rows, long long y0, long long y1, long long x0, long long x1,
                        uint32_t colour) {
  for (size_t row = static_cast<size_t>(y0); row <= static_cast<size_t>(y1); ++row) {
    if (rows->uniform[row] && x1 - x0 < rows->to[row] - rows->from[row]) {
      note_written(rows, static_cast<long long>(row), x0, x1);
      continue;
    }
    rows->dirty[row] = 1;
    rows->uniform[row] = 1;
    rows->fill[row] = colour;
    rows->from[row] = static_cast<int32_t>(x0);
    rows->to[row] = static_cast<int32_t>(x1);
    rows->first[row] = INT32_MAX;
    rows->last[row] = -1;
  }
}

}  // namespace raster

// The digest of a frame that the runner's --digests writes.
#pragma once

#include <cstdint>

#include "platform/layer_only.h"
#include "platform/raster/written_rows.h"

namespace headless {

// A 64-bit digest of a frame's pixels (0x00RRGGBB) and its size. Any one
// changed pixel changes it, and so does any exchange of two pixels.
uint64_t frame_digest(const uint32_t* pixels, int width, int height);
// The same digest, reading only the pixels written since the last digest
// of the same surface; starts tracking the surface's writes in `rows`.
uint64_t frame_digest(const uint32_t* pixels, int width, int height, raster::WrittenRows* rows);

}  // namespace headless

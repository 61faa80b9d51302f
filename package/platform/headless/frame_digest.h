// The digest of a frame that the runner's --digests writes.
#pragma once

#include <cstdint>

#include "platform/layer_only.h"

namespace headless {

// A 64-bit digest of a frame's pixels (0x00RRGGBB) and its size. Any one
// changed pixel changes it.
uint64_t frame_digest(const uint32_t* pixels, int width, int height);

}  // namespace headless

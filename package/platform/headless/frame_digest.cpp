#include "platform/headless/frame_digest.h"

#include <cstddef>

namespace headless {

// The size, then the pixels two at a time in four interleaved lanes of
// multiply and rotate, folded and mixed at the end: a multiply by an odd
// number and a rotate lose nothing, so one changed pixel always shows, and
// the four lanes keep it near the speed of a copy of the frame.
uint64_t frame_digest(const uint32_t* pixels, int width, int height) {
  constexpr uint64_t kPrime1 = 0x9E3779B185EBCA87u;
  constexpr uint64_t kPrime2 = 0xC2B2AE3D27D4EB4Fu;
  constexpr uint64_t kPrime3 = 0x165667B19E3779F9u;
  auto round = [](uint64_t lane, uint64_t input) {
    lane += input * kPrime2;
    lane = (lane << 31) | (lane >> 33);
    return lane * kPrime1;
  };
  const size_t count = static_cast<size_t>(width) * static_cast<size_t>(height);
  uint64_t lanes[4] = {kPrime1 + kPrime2, kPrime2, 0, 0 - kPrime1};
  lanes[2] = round(lanes[2], (static_cast<uint64_t>(static_cast<uint32_t>(width)) << 32) |
                                 static_cast<uint32_t>(height));
  size_t i = 0;
  for (; i + 8 <= count; i += 8) {
    for (int lane = 0; lane < 4; ++lane) {
      const uint64_t pair =
          (static_cast<uint64_t>(pixels[i + 2 * lane + 1]) << 32) | pixels[i + 2 * lane];
      lanes[lane] = round(lanes[lane], pair);
    }
  }
  uint64_t digest = 0;
  for (int lane = 0; lane < 4; ++lane) digest = round(digest ^ lanes[lane], kPrime3 + lane);
  for (; i < count; ++i) digest = round(digest, pixels[i]);
  digest ^= count;
  digest ^= digest >> 33;
  digest *= kPrime2;
  digest ^= digest >> 29;
  digest *= kPrime3;
  digest ^= digest >> 32;
  return digest;
}

}  // namespace headless

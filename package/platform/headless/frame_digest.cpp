#include "platform/headless/frame_digest.h"

#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <vector>

#if defined(__SSE2__)
#include <immintrin.h>
#endif

namespace headless {
namespace {

// The digest is the pixels as a polynomial in kBase, pixel i of the frame
// (rows end to end) weighted by kBase^i modulo 2^64, then mixed with the
// size. Every weight is odd, so one changed pixel always changes the sum;
// and with kBase = 7 (mod 8), two pixels' weights differ by 2^k with k at
// most 3 + log2 of their distance, so no exchange of two pixels cancels out
// either. Being a sum, it is the sum of its rows' terms, which lets a frame
// whose rows are mostly as they were, or one colour, be digested by reading
// only what was written.
constexpr uint64_t kBase = 0x9E3779B185EBCA87u;
constexpr uint64_t kMix1 = 0xC2B2AE3D27D4EB4Fu;
constexpr uint64_t kMix2 = 0x165667B19E3779F9u;

uint64_t mix(uint64_t value) {  // a bijection: no two sums give one digest
  value ^= value >> 33;
  value *= kMix1;
  value ^= value >> 29;
  value *= kMix2;
  value ^= value >> 32;
  return value;
}

// The weights of one size: a column's, the sums of the first k columns', and
// a row's first pixel's.
struct Weights {
  int width = -1;
  int height = -1;
  std::vector<uint64_t> column;
  std::vector<uint64_t> prefix;
  std::vector<uint64_t> row;
};

const Weights& weights_for(int width, int height) {
  thread_local Weights weights;
  if (weights.width == width && weights.height == height) return weights;
  weights.width = width;
  weights.height = height;
  weights.column.resize(static_cast<size_t>(width));
  weights.prefix.resize(static_cast<size_t>(width) + 1);
  weights.row.resize(static_cast<size_t>(height));
  uint64_t power = 1, sum = 0;
  for (int x = 0; x < width; ++x) {
    weights.column[static_cast<size_t>(x)] = power;
    weights.prefix[static_cast<size_t>(x)] = sum;
    sum += power;
    power *= kBase;
  }
  weights.prefix[static_cast<size_t>(width)] = sum;
  const uint64_t row_step = power;  // kBase^width
  power = 1;
  for (int y = 0; y < height; ++y) {
    weights.row[static_cast<size_t>(y)] = power;
    power *= row_step;
  }
  return weights;
}

// The sum of pixels[i] * weights[i] modulo 2^64 over `count` pixels: two
// 32-bit multiplies a pixel, the weight's low and high halves.
uint64_t dot_plain(const uint32_t* pixels, const uint64_t* weights, size_t count) {
  uint64_t sum = 0;
  for (size_t i = 0; i < count; ++i) sum += pixels[i] * weights[i];
  return sum;
}

#if defined(__SSE2__)
uint64_t dot_sse2(const uint32_t* pixels, const uint64_t* weights, size_t count) {
  const __m128i zero = _mm_setzero_si128();
  __m128i sum_a = zero, sum_b = zero;
  auto term = [](__m128i pixels64, __m128i w) {
    const __m128i low = _mm_mul_epu32(pixels64, w);
    const __m128i high = _mm_mul_epu32(pixels64, _mm_srli_epi64(w, 32));
    return _mm_add_epi64(low, _mm_slli_epi64(high, 32));
  };
  size_t i = 0;
  for (; i + 4 <= count; i += 4) {
    const __m128i four = _mm_loadu_si128(reinterpret_cast<const __m128i*>(pixels + i));
    const __m128i w0 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(weights + i));
    const __m128i w1 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(weights + i + 2));
    sum_a = _mm_add_epi64(sum_a, term(_mm_unpacklo_epi32(four, zero), w0));
    sum_b = _mm_add_epi64(sum_b, term(_mm_unpackhi_epi32(four, zero), w1));
  }
  alignas(16) uint64_t lanes[2];
  _mm_store_si128(reinterpret_cast<__m128i*>(lanes), _mm_add_epi64(sum_a, sum_b));
  return lanes[0] + lanes[1] + dot_plain(pixels + i, weights + i, count - i);
}

__attribute__((target("avx2"))) inline __m256i term_avx2(__m256i pixels64, __m256i w) {
  const __m256i low = _mm256_mul_epu32(pixels64, w);
  const __m256i high = _mm256_mul_epu32(pixels64, _mm256_srli_epi64(w, 32));
  return _mm256_add_epi64(low, _mm256_slli_epi64(high, 32));
}

__attribute__((target("avx2"))) uint64_t dot_avx2(const uint32_t* pixels, const uint64_t* weights,
                                                  size_t count) {
  __m256i sum_a = _mm256_setzero_si256(), sum_b = _mm256_setzero_si256();
  size_t i = 0;
  for (; i + 8 <= count; i += 8) {
    const __m256i p0 =
        _mm256_cvtepu32_epi64(_mm_loadu_si128(reinterpret_cast<const __m128i*>(pixels + i)));
    const __m256i p1 =
        _mm256_cvtepu32_epi64(_mm_loadu_si128(reinterpret_cast<const __m128i*>(pixels + i + 4)));
    const __m256i w0 = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(weights + i));
    const __m256i w1 = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(weights + i + 4));
    sum_a = _mm256_add_epi64(sum_a, term_avx2(p0, w0));
    sum_b = _mm256_add_epi64(sum_b, term_avx2(p1, w1));
  }
  alignas(32) uint64_t lanes[4];
  _mm256_store_si256(reinterpret_cast<__m256i*>(lanes), _mm256_add_epi64(sum_a, sum_b));
  return lanes[0] + lanes[1] + lanes[2] + lanes[3] + dot_sse2(pixels + i, weights + i, count - i);
}
#endif

uint64_t dot(const uint32_t* pixels, const uint64_t* weights, size_t count) {
#if defined(__SSE2__)
  static const bool has_avx2 = __builtin_cpu_supports("avx2");
  return has_avx2 ? dot_avx2(pixels, weights, count) : dot_sse2(pixels, weights, count);
#else
  return dot_plain(pixels, weights, count);
#endif
}

uint64_t finish(uint64_t sum, int width, int height) {
  const uint64_t size =
      (static_cast<uint64_t>(static_cast<uint32_t>(width)) << 32) | static_cast<uint32_t>(height);
  return mix(sum ^ mix(size + kMix2));
}

}  // namespace

uint64_t frame_digest(const uint32_t* pixels, int width, int height) {
  if (width <= 0 || height <= 0) return finish(0, width, height);
  const Weights& weights = weights_for(width, height);
  uint64_t sum = 0;
  for (int y = 0; y < height; ++y) {
    sum += weights.row[static_cast<size_t>(y)] *
           dot(pixels + static_cast<size_t>(y) * static_cast<size_t>(width), weights.column.data(),
               static_cast<size_t>(width));
  }
  return finish(sum, width, height);
}

uint64_t frame_digest(const uint32_t* pixels, int width, int height, raster::WrittenRows* rows) {
  if (width <= 0 || height <= 0) return finish(0, width, height);
  if (!rows->enabled || rows->dirty.size() != static_cast<size_t>(height)) {
    raster::start_tracking(rows, height);
  }
  const Weights& weights = weights_for(width, height);
  uint64_t sum = 0;
  for (size_t y = 0; y < static_cast<size_t>(height); ++y) {
    if (rows->dirty[y]) {
      const uint32_t* row = pixels + y * static_cast<size_t>(width);
      uint64_t term;
      if (!rows->uniform[y]) {
        term = dot(row, weights.column.data(), static_cast<size_t>(width));
      } else {
        // The fill's colour over from..to but for first..last, whose pixels
        // are read, as are those outside from..to.
        const size_t from = static_cast<size_t>(rows->from[y]);
        const size_t end = static_cast<size_t>(rows->to[y]) + 1;
        term = dot(row, weights.column.data(), from) +
               dot(row + end, weights.column.data() + end, static_cast<size_t>(width) - end);
        uint64_t filled = weights.prefix[end] - weights.prefix[from];
        if (rows->first[y] <= rows->last[y]) {
          const size_t first = static_cast<size_t>(rows->first[y]);
          const size_t after = static_cast<size_t>(rows->last[y]) + 1;
          filled -= weights.prefix[after] - weights.prefix[first];
          term += dot(row + first, weights.column.data() + first, after - first);
        }
        term += rows->fill[y] * filled;
      }
      rows->term[y] = term;
      rows->dirty[y] = 0;
    }
    sum += weights.row[y] * rows->term[y];
  }
  const uint64_t digest = finish(sum, width, height);
#ifndef NDEBUG
  // Debug builds check every tracked digest against one that reads every
  // pixel: a writer that did not note its pixels shows here, at once.
  if (digest != frame_digest(pixels, width, height)) {
    std::fprintf(stderr, "frame_digest: a write to the canvas went untracked\n");
    std::abort();
  }
#endif
  return digest;
}

}  // namespace headless

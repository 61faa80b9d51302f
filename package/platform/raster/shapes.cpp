// Shapes on pixel surfaces. Every shape is reduced to horizontal spans that
// are clipped to the surface before a pixel is touched, so a shape with
// coordinates anywhere in the int range costs no more than its visible part.
// Coordinates are widened to 64 bits on entry; the few products that can
// outgrow even that (entering a long line or polygon edge part-way along) go
// through a small portable 128-bit multiply-divide.
#include "platform/raster/shapes.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstring>
#include <limits>
#include <vector>

#if defined(__SSE2__)
#include <emmintrin.h>
#elif defined(__wasm_simd128__)
#include <wasm_simd128.h>
#endif

namespace raster {
namespace {

// Scratch buffers, one set per thread. A wasm build without the atomics
// feature has a single thread, and its linker takes no thread-local storage
// once bulk memory is on: plain statics there.
#if defined(__wasm__) && !defined(__wasm_atomics__)
#define ZIVRO_PER_THREAD static
#else
#define ZIVRO_PER_THREAD thread_local
#endif

using i64 = std::int64_t;
using u64 = std::uint64_t;

constexpr i64 kNoSpanLo = std::numeric_limits<i64>::max();
constexpr i64 kNoSpanHi = std::numeric_limits<i64>::min();

// Up to this box size (in pixels less one) an ellipse is traced step by step
// with 64-bit error terms, which stay below 2^60 there. Larger boxes are
// computed row by row from the ellipse's equation instead.
constexpr i64 kTracedEllipseLimit = i64{1} << 17;

bool is_drawable(const Surface& s) {
  return s.pixels != nullptr && s.width > 0 && s.height > 0;
}

i64 abs64(i64 v) {
  return v < 0 ? -v : v;
}

i64 floor_div(i64 n, i64 d) {  // d > 0
  const i64 q = n / d;
  return (n % d != 0 && n < 0) ? q - 1 : q;
}

uint32_t* row_at(const Surface& s, i64 y) {
  return s.pixels + static_cast<std::size_t>(y) * static_cast<std::size_t>(s.width);
}

// Four pixels of one colour in a 16-byte register, and their store: SSE2
// on every x86-64 target, wasm SIMD in the page.
#if defined(__SSE2__)
#define ZIVRO_FILL_FOURS 1
using Four = __m128i;
inline Four four_of(uint32_t colour) {
  return _mm_set1_epi32(static_cast<int>(colour));
}
inline void store_four(uint32_t* at, Four four) {
  _mm_storeu_si128(reinterpret_cast<__m128i*>(at), four);
}
inline void store_aligned_four(uint32_t* at, Four four) {
  _mm_store_si128(reinterpret_cast<__m128i*>(at), four);
}
#elif defined(__wasm_simd128__)
#define ZIVRO_FILL_FOURS 1
using Four = v128_t;
inline Four four_of(uint32_t colour) {
  return wasm_i32x4_splat(static_cast<int32_t>(colour));
}
inline void store_four(uint32_t* at, Four four) {
  wasm_v128_store(at, four);
}
inline void store_aligned_four(uint32_t* at, Four four) {
  wasm_v128_store(at, four);
}
#endif

// Fills n pixels from p. Stores that straddle two cache lines cost about
// twice as much as those that do not, and a row starts anywhere, so the
// bulk of a run is written with 16-byte stores aligned to 16 bytes; an
// unaligned store at either end covers the rest (overlapping what the
// aligned ones write: the same colour, so the result is the same).
// Elsewhere a plain loop does it, whose fixed-size inner block GCC
// vectorises at -O2 where it leaves fill_n alone (the page's compiler
// leaves it as 4-byte stores, hence the wasm SIMD above).
#if defined(__SSE2__) && defined(__GNUC__) && !defined(__EMSCRIPTEN__)
#define ZIVRO_STRING_STORE 1
#endif

#if defined(ZIVRO_FILL_FOURS)
// Runs this long (whole rows of a box, end to end) go to the string store,
// which the processor carries out in whole cache lines; it starts too
// slowly to pay for a single row.
constexpr i64 kStringStoreMinimum = 1024;

void fill_pixels(uint32_t* p, i64 n, uint32_t colour) {
  if (n < 4) {
    for (i64 i = 0; i < n; ++i) p[i] = colour;
    return;
  }
#if defined(ZIVRO_STRING_STORE)
  if (n >= kStringStoreMinimum) {
    auto count = static_cast<std::size_t>(n);
    asm volatile("rep stosl" : "+D"(p), "+c"(count) : "a"(colour) : "memory");
    return;
  }
#endif
  const Four four = four_of(colour);
  store_four(p, four);
  // From the first 16-byte boundary at or after p (pixels are 4-byte
  // aligned, so it is at most 3 pixels on), whole aligned stores up to the
  // last that fits; one more unaligned store ends the run exactly.
  const i64 skip =
      static_cast<i64>((std::uintptr_t{0} - reinterpret_cast<std::uintptr_t>(p)) & 15u) / 4;
  uint32_t* q = p + skip;
  i64 vectors = (n - skip) / 4;
  for (; vectors >= 4; vectors -= 4, q += 16) {
    store_aligned_four(q, four);
    store_aligned_four(q + 4, four);
    store_aligned_four(q + 8, four);
    store_aligned_four(q + 12, four);
  }
  for (; vectors > 0; --vectors, q += 4) store_aligned_four(q, four);
  store_four(p + n - 4, four);
}
#else
void fill_pixels(uint32_t* p, i64 n, uint32_t colour) {
  constexpr i64 kBlock = 16;
  for (; n >= kBlock; n -= kBlock, p += kBlock) {
    for (i64 i = 0; i < kBlock; ++i) p[i] = colour;
  }
  std::fill_n(p, n, colour);
}
#endif

// Paints the part of columns x0..x1 of row y that lies on the surface.
void fill_span(const Surface& s, i64 y, i64 x0, i64 x1, uint32_t colour) {
  if (y < 0 || y >= s.height) return;
  x0 = std::max<i64>(x0, 0);
  x1 = std::min<i64>(x1, s.width - 1);
  if (x0 > x1) return;
  fill_pixels(row_at(s, y) + x0, x1 - x0 + 1, colour);
  if (s.written) note_filled(s.written, y, y, x0, x1, colour);
}

#if defined(ZIVRO_STRING_STORE)
// A box that leaves at most this many pixels of each row outside it (one
// cache line's worth) is filled as one run across its rows, and the pixels
// between one row's end and the next row's start are put back afterwards:
// the string store's speed over the whole box costs more than those few
// pixels read and written twice.
constexpr i64 kStringStoreGapMaximum = 16;

// Fills rows y0..y1 from column x0 to x1 in one run, keeping the pixels
// that lie between rows; the box spans more than one row.
void fill_box_across_gaps(const Surface& s, i64 x0, i64 y0, i64 x1, i64 y1, uint32_t colour) {
  ZIVRO_PER_THREAD std::vector<uint32_t> kept;
  const i64 gap = s.width - (x1 - x0 + 1);
  if (gap <= 4 && s.width >= 4) {
    // The gap and the box's first pixels after it, four in one register
    // per row (on a surface at least four wide, four pixels from a gap end
    // in the next row, within the box); put back with the box's pixels as
    // the fill left them.
    kept.resize(static_cast<std::size_t>(4 * (y1 - y0)));
    for (i64 y = y0; y < y1; ++y) {
      const __m128i four = _mm_loadu_si128(reinterpret_cast<const __m128i*>(row_at(s, y) + x1 + 1));
      _mm_storeu_si128(reinterpret_cast<__m128i*>(&kept[static_cast<std::size_t>(4 * (y - y0))]),
                       four);
    }
    fill_pixels(row_at(s, y0) + x0, (y1 - y0) * s.width + (x1 - x0 + 1), colour);
    const __m128i in_gap =
        _mm_cmplt_epi32(_mm_set_epi32(3, 2, 1, 0), _mm_set1_epi32(static_cast<int>(gap)));
    const __m128i fill = _mm_andnot_si128(in_gap, four_of(colour));
    for (i64 y = y0; y < y1; ++y) {
      const __m128i four = _mm_loadu_si128(
          reinterpret_cast<const __m128i*>(&kept[static_cast<std::size_t>(4 * (y - y0))]));
      _mm_storeu_si128(reinterpret_cast<__m128i*>(row_at(s, y) + x1 + 1),
                       _mm_or_si128(_mm_and_si128(in_gap, four), fill));
    }
    return;
  }
  kept.resize(static_cast<std::size_t>((y1 - y0) * gap));
  uint32_t* to = kept.data();
  for (i64 y = y0; y < y1; ++y) to = std::copy_n(row_at(s, y) + x1 + 1, gap, to);
  fill_pixels(row_at(s, y0) + x0, (y1 - y0) * s.width + (x1 - x0 + 1), colour);
  const uint32_t* from = kept.data();
  for (i64 y = y0; y < y1; ++y, from += gap) std::copy_n(from, gap, row_at(s, y) + x1 + 1);
}
#endif

// Paints the part of the inclusive box x0..x1, y0..y1 that lies on the
// surface. Rows that run the surface's whole width lie end to end in
// memory and are filled as one run.
void fill_box(const Surface& s, i64 x0, i64 y0, i64 x1, i64 y1, uint32_t colour) {
  x0 = std::max<i64>(x0, 0);
  y0 = std::max<i64>(y0, 0);
  x1 = std::min<i64>(x1, s.width - 1);
  y1 = std::min<i64>(y1, s.height - 1);
  if (x0 > x1 || y0 > y1) return;
  const i64 box_width = x1 - x0 + 1;
  if (box_width == s.width) {
    fill_pixels(row_at(s, y0), (y1 - y0 + 1) * s.width, colour);
#if defined(ZIVRO_STRING_STORE)
  } else if (y1 > y0 && s.width - box_width <= kStringStoreGapMaximum &&
             (y1 - y0 + 1) * box_width >= kStringStoreMinimum) {
    fill_box_across_gaps(s, x0, y0, x1, y1, colour);
#endif
  } else {
    for (i64 y = y0; y <= y1; ++y) fill_pixels(row_at(s, y) + x0, box_width, colour);
  }
  if (s.written) note_filled(s.written, y0, y1, x0, x1, colour);
}

struct QuotRem {
  u64 quot;
  u64 rem;
};

// (a * b + add) / divisor, exactly, with a 128-bit intermediate. Callers keep
// the quotient below 2^64; it is still well defined otherwise.
QuotRem mul_add_divmod(u64 a, u64 b, u64 add, u64 divisor) {
  if (a <= 0xffffffffu && b <= 0xffffffffu) {
    // The common case: coordinates near the surface, where it all fits 64 bits.
    const u64 sum = a * b + add;
    if (sum >= add) return {sum / divisor, sum % divisor};
  }
  const u64 mask = 0xffffffffu;
  const u64 lo_lo = (a & mask) * (b & mask);
  const u64 hi_lo = (a >> 32) * (b & mask);
  const u64 lo_hi = (a & mask) * (b >> 32);
  const u64 cross = (lo_lo >> 32) + (hi_lo & mask) + lo_hi;
  u64 hi = (a >> 32) * (b >> 32) + (hi_lo >> 32) + (cross >> 32);
  u64 lo = (cross << 32) | (lo_lo & mask);
  lo += add;
  if (lo < add) ++hi;

  u64 rem = hi % divisor;
  u64 quot = 0;
  for (int bit = 63; bit >= 0; --bit) {
    const bool carry = (rem >> 63) != 0;
    rem = (rem << 1) | ((lo >> bit) & 1u);
    quot <<= 1;
    if (carry || rem >= divisor) {
      rem -= divisor;
      quot |= 1u;
    }
  }
  return {quot, rem};
}

i64 ceil_mul_add_div(i64 a, i64 b, i64 add, i64 divisor) {  // all >= 0, divisor > 0
  const QuotRem qr = mul_add_divmod(static_cast<u64>(a), static_cast<u64>(b), static_cast<u64>(add),
                                    static_cast<u64>(divisor));
  return static_cast<i64>(qr.quot) + (qr.rem != 0 ? 1 : 0);
}

struct Box {  // inclusive
  i64 x0, y0, x1, y1;
};

// Visits the pixels of the one-pixel line from (x0, y0) towards (x1, y1)
// that fall inside `clip`, in order from the start; the end pixel only when
// `with_end`. Along the major axis the line takes one pixel a step; across
// it the pixel nearest to the ideal line. A tie (the ideal line passing
// exactly between two pixels) goes to the pixel with the smaller minor
// coordinate: the upper one of a mostly horizontal line, the left one of a
// mostly vertical line, as GDI's diamond convention lights them. The choice
// does not depend on which end the line starts from, so A->B and B->A light
// the same pixels apart from their excluded ends.
//
// A clipped line is entered at the first visible step with the error term
// the whole line would have had there, so clipping never moves a pixel.
template <class Visit>
void walk_line(i64 x0, i64 y0, i64 x1, i64 y1, bool with_end, const Box& clip, Visit&& visit) {
  const i64 dx = x1 - x0;
  const i64 dy = y1 - y0;
  if (dx == 0 && dy == 0) return;
  const bool x_major = abs64(dx) >= abs64(dy);
  const i64 major0 = x_major ? x0 : y0;
  const i64 minor0 = x_major ? y0 : x0;
  const i64 major_step = (x_major ? dx : dy) > 0 ? 1 : -1;
  const i64 minor_step = (x_major ? dy : dx) >= 0 ? 1 : -1;
  const i64 run = abs64(x_major ? dx : dy);   // > 0
  const i64 rise = abs64(x_major ? dy : dx);  // <= run
  const i64 bias = minor_step > 0 ? 1 : 0;    // rounds ties towards the smaller coordinate
  const i64 major_lo = x_major ? clip.x0 : clip.y0;
  const i64 major_hi = x_major ? clip.x1 : clip.y1;
  const i64 minor_lo = x_major ? clip.y0 : clip.x0;
  const i64 minor_hi = x_major ? clip.y1 : clip.x1;

  // Step k is at major0 + major_step * k and minor0 + minor_step * m(k), where
  // m(k) = floor((2 * k * rise + run - bias) / (2 * run)).
  i64 first = 0;
  i64 last = with_end ? run : run - 1;
  if (major_step > 0) {
    first = std::max(first, major_lo - major0);
    last = std::min(last, major_hi - major0);
  } else {
    first = std::max(first, major0 - major_hi);
    last = std::min(last, major0 - major_lo);
  }
  if (first > last) return;

  i64 m_lo = minor_step > 0 ? minor_lo - minor0 : minor0 - minor_hi;
  i64 m_hi = minor_step > 0 ? minor_hi - minor0 : minor0 - minor_lo;
  m_lo = std::max<i64>(m_lo, 0);
  m_hi = std::min(m_hi, rise);
  if (m_lo > m_hi) return;
  if (rise > 0) {
    // m(k) >= m  <=>  k >= ceil((run * (2m - 1) + bias) / (2 * rise)).
    if (m_lo > 0) first = std::max(first, ceil_mul_add_div(run, 2 * m_lo - 1, bias, 2 * rise));
    if (m_hi < rise) last = std::min(last, ceil_mul_add_div(run, 2 * m_hi + 1, bias, 2 * rise) - 1);
    if (first > last) return;
  }

  const QuotRem entry = mul_add_divmod(static_cast<u64>(first), static_cast<u64>(2 * rise),
                                       static_cast<u64>(run - bias), static_cast<u64>(2 * run));
  i64 major = major0 + major_step * first;
  i64 minor = minor0 + minor_step * static_cast<i64>(entry.quot);
  i64 error = static_cast<i64>(entry.rem) - 2 * run;  // in [-2 run, 0)
  for (i64 k = first; k <= last; ++k) {
    if (x_major) {
      visit(major, minor);
    } else {
      visit(minor, major);
    }
    error += 2 * rise;
    if (error >= 0) {
      error -= 2 * run;
      minor += minor_step;
    }
    major += major_step;
  }
}

// Emits the left-hand outline of the ellipse in the box (right and bottom
// exclusive, at least 3 by 3) row by row: emit(y, xs, xe) says row y's left
// outline pixels are columns xs..xe; the right-hand ones are their mirror
// images left + right - 1 - x. Only rows row_lo..row_hi are emitted, some
// possibly twice with the same or a narrower run.
template <class Emit>
void trace_ellipse(i64 left, i64 top, i64 right, i64 bottom, i64 row_lo, i64 row_hi, Emit&& emit) {
  const i64 a = right - 1 - left;
  const i64 b = bottom - 1 - top;
  const auto emit_pair = [&](i64 lower, i64 upper, i64 xs, i64 xe) {
    if (lower >= row_lo && lower <= row_hi) emit(lower, xs, xe);
    if (upper != lower && upper >= row_lo && upper <= row_hi) emit(upper, xs, xe);
  };

  if (a <= kTracedEllipseLimit && b <= kTracedEllipseLimit) {
    // Zingl's midpoint ellipse of the box, traced from the left end of the
    // middle row(s) down to the bottom centre and mirrored: err is the error
    // of the diagonal step, dx and dy those of the x and y steps. As in GDI,
    // a step goes across only when the diagonal error says so (there is no
    // second look at the error after a step down), which keeps two-pixel
    // runs where the curve turns, and the trace ends when it reaches the
    // centre column: a narrow, tall ellipse does not reach its box's top and
    // bottom rows.
    const i64 odd = b & 1;
    i64 dx = 4 * (1 - a) * b * b;
    i64 dy = 4 * (odd + 1) * a * a;
    i64 err = dx + dy + odd * a * a;
    const i64 ddx = 8 * b * b;
    const i64 ddy = 8 * a * a;
    i64 x = left;
    i64 mirror_x = right - 1;
    i64 lower = top + (b + 1) / 2;
    i64 upper = lower - odd;
    i64 run_start = x;
    do {
      const i64 e2 = 2 * err;
      const bool y_step = e2 <= dy;
      if (y_step) {
        dy += ddy;
        err += dy;
      }
      const bool x_step = e2 >= dx;
      if (y_step) {
        emit_pair(lower, upper, run_start, x);
        ++lower;
        --upper;
        run_start = x_step ? x + 1 : x;
        if (lower > row_hi && upper < row_lo) return;  // the rest lies further out
      }
      if (x_step) {
        dx += ddx;
        err += dx;
        ++x;
        --mirror_x;
      }
    } while (x <= mirror_x);
    if (run_start < x) emit_pair(lower, upper, run_start, x - 1);
    return;
  }

  // Boxes this large cannot be traced step by step in reasonable time; each
  // visible row is computed from the curve instead. Where the curve is flat
  // a row takes the columns at which the curve lies within the row's height,
  // where it is steep the column nearest to the curve at the row's centre.
  // Everything is in half pixels from the box's centre.
  const i64 twice_centre_x = left + right - 1;
  const i64 twice_centre_y = top + bottom - 1;
  const i64 middle = floor_div(twice_centre_x, 2);
  const auto curve_x = [&](i64 v) {  // the curve's left side at half-row v, in pixels
    const long double ratio = static_cast<long double>(v) / static_cast<long double>(b);
    const long double reach =
        static_cast<long double>(a) * std::sqrt(std::max<long double>(0, 1 - ratio * ratio));
    return (static_cast<long double>(twice_centre_x) - reach) / 2;
  };
  const auto to_column = [&](long double x) {
    return static_cast<i64>(
        std::clamp(x, static_cast<long double>(left), static_cast<long double>(middle)));
  };
  const i64 y_first = std::max(top, row_lo);
  const i64 y_last = std::min(bottom - 1, row_hi);
  for (i64 y = y_first; y <= y_last; ++y) {
    const i64 v = 2 * y - twice_centre_y;
    const i64 inner = v > 0 ? v - 1 : (v < 0 ? v + 1 : 0);
    const i64 outer = v >= 0 ? v + 1 : v - 1;
    const long double band_start = std::ceil(curve_x(inner));
    const long double band_end =
        abs64(outer) >= b ? static_cast<long double>(middle) : std::floor(curve_x(outer));
    const i64 xs = to_column(band_start <= band_end ? band_start : std::floor(curve_x(v) + 0.5L));
    emit(y, xs, std::max(xs, to_column(band_end)));
  }
}

// A polygon edge stepping down the rows it crosses. Pixel (x, y) stands for
// the point (x, y) (a pixel's centre, where lines through the vertices pass
// too): a row takes the pixels from the left edge's crossing included to the
// right edge's excluded, and an edge covers its rows from top included to
// bottom excluded, so an edge shared by two polygons paints its pixels once.
struct PolygonEdge {
  i64 y_first, y_last;  // visible rows it crosses
  i64 x;                // ceil of its crossing on the current row
  i64 rem;              // x * height less the exact crossing times height, in [0, height)
  i64 height;           // rows from its top vertex to its bottom vertex
  i64 step_q, step_r;   // the crossing's advance a row: step_q + step_r / height
};

struct PolygonScratch {
  std::vector<PolygonEdge> edges;
  std::vector<std::size_t> active;
  std::vector<i64> crossings;
};

PolygonScratch& polygon_scratch() {
  ZIVRO_PER_THREAD PolygonScratch instance;
  return instance;
}

// Vertices of the polygons that the rasterizer builds itself, such as the
// body of a wide line, which may lie beyond the int range.
struct Point64 {
  i64 x = 0, y = 0;
};

// Vertex coordinates must stay within about 2^40 of the surface, so that
// every product below fits the 128-bit multiply.
template <class Corner>
void fill_polygon(const Surface& s, const Corner* vertices, int count, uint32_t colour) {
  PolygonScratch& work = polygon_scratch();
  work.edges.clear();
  for (int i = 0; i < count; ++i) {
    i64 xa = vertices[i].x, ya = vertices[i].y;
    const Corner& next = vertices[(i + 1) % count];
    i64 xb = next.x, yb = next.y;
    if (ya == yb) continue;
    if (ya > yb) {
      std::swap(xa, xb);
      std::swap(ya, yb);
    }
    const i64 y_first = std::max<i64>(ya, 0);
    const i64 y_last = std::min<i64>(yb - 1, s.height - 1);
    if (y_first > y_last) continue;
    PolygonEdge edge{};
    edge.y_first = y_first;
    edge.y_last = y_last;
    edge.height = yb - ya;
    const i64 dx = xb - xa;
    edge.step_q = floor_div(dx, edge.height);
    edge.step_r = dx - edge.step_q * edge.height;
    // Crossing on the first visible row: xa + (y_first - ya) * dx / height.
    const QuotRem qr = mul_add_divmod(static_cast<u64>(y_first - ya), static_cast<u64>(abs64(dx)),
                                      0, static_cast<u64>(edge.height));
    const i64 quot = static_cast<i64>(qr.quot);
    const i64 rem = static_cast<i64>(qr.rem);
    if (dx >= 0) {
      edge.x = xa + quot + (rem != 0 ? 1 : 0);
      edge.rem = rem != 0 ? edge.height - rem : 0;
    } else {
      edge.x = xa - quot;
      edge.rem = rem;
    }
    work.edges.push_back(edge);
  }
  if (work.edges.empty()) return;
  std::sort(work.edges.begin(), work.edges.end(),
            [](const PolygonEdge& p, const PolygonEdge& q) { return p.y_first < q.y_first; });

  const auto step = [](PolygonEdge& edge) {
    edge.x += edge.step_q;
    edge.rem -= edge.step_r;
    if (edge.rem < 0) {
      edge.rem += edge.height;
      ++edge.x;
    }
  };
  const auto drop_finished_edges = [&](i64 row) {
    std::erase_if(work.active, [&](std::size_t index) { return work.edges[index].y_last <= row; });
  };
  work.active.clear();
  std::size_t next_edge = 0;
  i64 y = work.edges.front().y_first;
  while (next_edge < work.edges.size() || !work.active.empty()) {
    if (work.active.empty()) y = std::max(y, work.edges[next_edge].y_first);
    while (next_edge < work.edges.size() && work.edges[next_edge].y_first == y) {
      work.active.push_back(next_edge++);
    }
    if (work.active.size() == 2) {
      // Two edges (every row of a convex polygon): until one of them ends
      // or another begins, each row is the one span between them.
      // Stepped in copies: the edges stay in registers across the fills.
      PolygonEdge a = work.edges[work.active[0]];
      PolygonEdge b = work.edges[work.active[1]];
      i64 last = std::min(a.y_last, b.y_last);
      if (next_edge < work.edges.size()) last = std::min(last, work.edges[next_edge].y_first - 1);
      for (;; ++y) {
        fill_span(s, y, std::min(a.x, b.x), std::max(a.x, b.x) - 1, colour);
        step(a);
        step(b);
        if (y >= last) break;
      }
      work.edges[work.active[0]] = a;
      work.edges[work.active[1]] = b;
      drop_finished_edges(y);
      ++y;
      continue;
    }
    work.crossings.clear();
    for (const std::size_t index : work.active) {
      PolygonEdge& edge = work.edges[index];
      work.crossings.push_back(edge.x);
      step(edge);
    }
    std::sort(work.crossings.begin(), work.crossings.end());
    // Alternate rule: inside between the first and second crossing, the
    // third and fourth, and so on.
    for (std::size_t k = 0; k + 1 < work.crossings.size(); k += 2) {
      fill_span(s, y, work.crossings[k], work.crossings[k + 1] - 1, colour);
    }
    drop_finished_edges(y);
    ++y;
  }
}

// Wide pens. The pen's round shape, its disc, is the filled midpoint ellipse
// of a box of the pen's width centred on a pixel: rows and columns from -w/2
// to (w-1)/2 around it, so an even width puts its extra row and column on
// the upper left, like the bands of a wide rectangle outline. A wide line is
// the disc at both ends joined by a band, a wide rectangle its four sides as
// bands with a disc at each corner, and a wide ellipse the disc stamped along
// its one-pixel outline.
//
// Everything is painted as spans clipped to the surface, so how wide the pen
// is does not change what a shape costs: a pen of any width paints exactly
// the part of its stroke that reaches the surface.

// The disc of `width` centred on (cx, cy), filled.
void fill_disc(const Surface& s, i64 cx, i64 cy, i64 width, uint32_t colour) {
  const i64 left = cx - width / 2, top = cy - width / 2;
  const i64 right = left + width, bottom = top + width;  // exclusive
  if (left > s.width - 1 || right - 1 < 0 || top > s.height - 1 || bottom - 1 < 0) return;
  if (width <= 2) {
    fill_box(s, left, top, right - 1, bottom - 1, colour);
    return;
  }
  const i64 mirror = left + right - 1;
  trace_ellipse(left, top, right, bottom, 0, s.height - 1,
                [&](i64 y, i64 xs, i64) { fill_span(s, y, xs, mirror - xs, colour); });
}

// A band of the pen's width from (x0, y0) to (x1, y1): the quadrilateral of
// the two ends moved across the line by half the width either way, each
// offset rounded to whole pixels (halves upwards) and filled like a polygon.
// Along a row or a column this is exactly the band between the two discs.
void fill_band(const Surface& s, i64 x0, i64 y0, i64 x1, i64 y1, i64 width, uint32_t colour) {
  using real = long double;
  const real dx = static_cast<real>(x1 - x0), dy = static_cast<real>(y1 - y0);
  const real twice_length = 2 * std::sqrt(dx * dx + dy * dy);
  // The products are exact and an axis-parallel line's length is too, so a
  // half width there is exactly a half and rounds the same way every time.
  const auto offset = [&](real across) {
    return static_cast<i64>(std::floor(across * static_cast<real>(width) / twice_length + 0.5L));
  };
  const i64 ax = offset(-dy), ay = offset(dx);
  const i64 bx = offset(dy), by = offset(-dx);
  const Point64 corners[4] = {
      {x0 + ax, y0 + ay}, {x1 + ax, y1 + ay}, {x1 + bx, y1 + by}, {x0 + bx, y0 + by}};
  fill_polygon(s, corners, 4, colour);
}

void draw_wide_line(const Surface& s, i64 x0, i64 y0, i64 x1, i64 y1, i64 width, uint32_t colour) {
  // Nothing of the stroke lies more than the disc's reach from the segment's box.
  const i64 reach = width / 2 + 1;
  if (std::min(x0, x1) - reach > s.width - 1 || std::max(x0, x1) + reach < 0 ||
      std::min(y0, y1) - reach > s.height - 1 || std::max(y0, y1) + reach < 0) {
    return;
  }
  fill_disc(s, x0, y0, width, colour);  // a line of length zero is its disc
  if (x0 == x1 && y0 == y1) return;
  fill_disc(s, x1, y1, width, colour);
  fill_band(s, x0, y0, x1, y1, width, colour);
}

void draw_thin_line(const Surface& s, i64 x0, i64 y0, i64 x1, i64 y1, uint32_t colour) {
  if (y0 == y1 && x0 != x1) {  // the common horizontal case as one span
    if (x1 > x0) {
      fill_span(s, y0, x0, x1 - 1, colour);
    } else {
      fill_span(s, y0, x1 + 1, x0, colour);
    }
    return;
  }
  const Box clip{0, 0, s.width - 1, s.height - 1};
  walk_line(x0, y0, x1, y1, false, clip, [&](i64 x, i64 y) {
    row_at(s, y)[x] = colour;
    if (s.written) note_written(s.written, y, x, x);
  });
}

void stroke_line(const Surface& s, i64 x0, i64 y0, i64 x1, i64 y1, const Pen& pen) {
  if (pen.null) return;
  if (pen.width <= 1) {
    draw_thin_line(s, x0, y0, x1, y1, pen.colour);
  } else {
    draw_wide_line(s, x0, y0, x1, y1, pen.width, pen.colour);
  }
}

// A rectangle, normalised, right and bottom exclusive, that paints the brush
// and nothing else: its box, inclusive and not clipped, or none.
struct PlainBox {
  bool is_one = false;
  i64 x0 = 0, y0 = 0, x1 = 0, y1 = 0;
};

PlainBox plain_box_of(i64 left, i64 top, i64 right, i64 bottom, const Pen& pen,
                      const Brush& brush) {
  if (brush.hollow) return {};
  // Without an outline GDI fills one pixel less to the right and below.
  if (pen.null) return {true, left, top, right - 2, bottom - 2};
  // A one-pixel outline in the brush's colour: outline and inside make one box.
  if (pen.width <= 1 && pen.colour == brush.colour) return {true, left, top, right - 1, bottom - 1};
  return {};
}

// Rectangles, normalised, right and bottom exclusive.
void paint_rectangle(const Surface& s, i64 left, i64 top, i64 right, i64 bottom, const Pen& pen,
                     const Brush& brush) {
  if (left == right || top == bottom) return;
  if (pen.null && brush.hollow) return;
  if (const PlainBox plain = plain_box_of(left, top, right, bottom, pen, brush); plain.is_one) {
    fill_box(s, plain.x0, plain.y0, plain.x1, plain.y1, brush.colour);
    return;
  }
  if (!brush.hollow) fill_box(s, left + 1, top + 1, right - 2, bottom - 2, brush.colour);
  // Each side of the one-pixel outline widened into a band of the pen's
  // width centred on it, running from corner pixel to corner pixel; a wide
  // pen rounds the corners with its disc. A one-pixel pen is the band of
  // width 1.
  const i64 width = std::max(pen.width, 1);
  const i64 before = width / 2;
  const i64 after = width - 1 - before;
  const i64 last_x = right - 1, last_y = bottom - 1;
  fill_box(s, left, top - before, last_x, top + after, pen.colour);
  fill_box(s, left, last_y - before, last_x, last_y + after, pen.colour);
  fill_box(s, left - before, top, left + after, last_y, pen.colour);
  fill_box(s, last_x - before, top, last_x + after, last_y, pen.colour);
  if (width > 1) {
    for (const i64 x : {left, last_x}) {
      for (const i64 y : {top, last_y}) fill_disc(s, x, y, width, pen.colour);
    }
  }
}

// The wide outline of an ellipse: the disc stamped on every pixel of the
// one-pixel outline. Each side of the outline runs downwards from top to
// bottom, so on each side the stamps make one interval per row.
struct Disc {
  i64 top = 0;                   // offset of its first row
  std::vector<i64> left, right;  // column offsets of each row
};

struct RowUnion {
  std::vector<i64> lo, hi;
  i64 first = 0, last = -1;
};

struct Scratch {
  Disc disc;
  RowUnion left_side, right_side;
};

Scratch& scratch() {
  ZIVRO_PER_THREAD Scratch instance;
  return instance;
}

// Stamping costs the pen's width for every outline row near the surface,
// so ellipses hold their pens to this width; the disc table stays small too.
constexpr i64 kWidestEllipsePen = i64{1} << 16;

void build_disc(Disc& disc, i64 width) {
  disc.top = -(width / 2);
  disc.left.assign(static_cast<std::size_t>(width), kNoSpanLo);
  disc.right.assign(static_cast<std::size_t>(width), kNoSpanHi);
  if (width <= 2) {
    std::fill(disc.left.begin(), disc.left.end(), disc.top);
    std::fill(disc.right.begin(), disc.right.end(), disc.top + width - 1);
    return;
  }
  const i64 start = disc.top, end = disc.top + width;
  trace_ellipse(start, start, end, end, start, end - 1, [&](i64 y, i64 xs, i64) {
    const std::size_t j = static_cast<std::size_t>(y - start);
    disc.left[j] = std::min(disc.left[j], xs);
    disc.right[j] = std::max(disc.right[j], start + end - 1 - xs);
  });
}

void reset_union(RowUnion& u, int height) {
  u.lo.assign(static_cast<std::size_t>(height), kNoSpanLo);
  u.hi.assign(static_cast<std::size_t>(height), kNoSpanHi);
  u.first = height;
  u.last = -1;
}

// Adds the disc stamped on each pixel of columns xs..xe of row y.
void stamp_run(RowUnion& u, const Disc& disc, int height, i64 y, i64 xs, i64 xe) {
  const i64 rows = static_cast<i64>(disc.left.size());
  const i64 j0 = std::max<i64>(0, -(y + disc.top));
  const i64 j1 = std::min<i64>(rows - 1, height - 1 - (y + disc.top));
  if (j0 > j1) return;
  for (i64 j = j0; j <= j1; ++j) {
    const std::size_t row = static_cast<std::size_t>(y + disc.top + j);
    u.lo[row] = std::min(u.lo[row], xs + disc.left[static_cast<std::size_t>(j)]);
    u.hi[row] = std::max(u.hi[row], xe + disc.right[static_cast<std::size_t>(j)]);
  }
  u.first = std::min(u.first, y + disc.top + j0);
  u.last = std::max(u.last, y + disc.top + j1);
}

void paint_union(const Surface& s, const RowUnion& u, uint32_t colour) {
  for (i64 y = u.first; y <= u.last; ++y) {
    const std::size_t row = static_cast<std::size_t>(y);
    if (u.lo[row] <= u.hi[row]) fill_span(s, y, u.lo[row], u.hi[row], colour);
  }
}

void paint_ellipse(const Surface& s, i64 left, i64 top, i64 right, i64 bottom, const Pen& pen,
                   const Brush& brush) {
  const bool fill = !brush.hollow;
  const bool outline = !pen.null;
  if (!fill && !outline) return;
  const i64 width = outline ? std::clamp<i64>(pen.width, 1, kWidestEllipsePen) : 1;
  const i64 margin = width / 2 + 1;
  if (left > s.width - 1 + margin || right - 1 < -margin || top > s.height - 1 + margin ||
      bottom - 1 < -margin) {
    return;
  }
  const i64 mirror = left + right - 1;
  const i64 last_row = s.height - 1;

  if (width <= 1 && (!outline || (fill && pen.colour == brush.colour))) {
    // Outline and inside in one colour: each row is one span from the left
    // outline's outer pixel to its mirror image.
    const uint32_t colour = outline ? pen.colour : brush.colour;
    trace_ellipse(left, top, right, bottom, 0, last_row,
                  [&](i64 y, i64 xs, i64) { fill_span(s, y, xs, mirror - xs, colour); });
    return;
  }
  if (width <= 1) {
    // Row by row: the brush strictly between the outline pixels, then the
    // outline. Without an outline the brush covers the outline's pixels too,
    // so a null pen fills exactly what a one-pixel pen and the brush cover.
    trace_ellipse(left, top, right, bottom, 0, last_row, [&](i64 y, i64 xs, i64 xe) {
      if (fill && !outline) fill_span(s, y, xs, mirror - xs, brush.colour);
      if (fill && outline) fill_span(s, y, xe + 1, mirror - xe - 1, brush.colour);
      if (outline) {
        fill_span(s, y, xs, xe, pen.colour);
        fill_span(s, y, mirror - xe, mirror - xs, pen.colour);
      }
    });
    return;
  }

  if (fill) {
    trace_ellipse(left, top, right, bottom, 0, last_row, [&](i64 y, i64, i64 xe) {
      fill_span(s, y, xe + 1, mirror - xe - 1, brush.colour);
    });
  }
  // Each side of the outline runs downwards from top to bottom, so the
  // discs stamped along it make one interval per row.
  Scratch& work = scratch();
  build_disc(work.disc, width);
  reset_union(work.left_side, s.height);
  reset_union(work.right_side, s.height);
  trace_ellipse(left, top, right, bottom, -margin, last_row + margin, [&](i64 y, i64 xs, i64 xe) {
    stamp_run(work.left_side, work.disc, s.height, y, xs, xe);
    stamp_run(work.right_side, work.disc, s.height, y, mirror - xe, mirror - xs);
  });
  paint_union(s, work.left_side, pen.colour);
  paint_union(s, work.right_side, pen.colour);
}

// Round rectangles. The corners are the quarters of the corner ellipse (a
// box corner_width by corner_height at the upper left), as trace_ellipse
// traces it: its rows down to its middle stay at the top, those from its
// middle on move down to the bottom (an odd middle row serves both), and
// each row's right-hand pixels are mirrored across the whole box. The
// outline then closes as GDI joins its corner points: the row a corner's
// trace ends on runs straight across to the other corner, and the columns
// left and right - 1 run straight down between the middle rows.
struct CornerRun {
  i64 y, xs, xe;
};

std::vector<CornerRun>& corner_scratch() {
  ZIVRO_PER_THREAD std::vector<CornerRun> runs;
  return runs;
}

struct RoundCorners {
  i64 left, top, right, bottom;     // the whole box, right and bottom exclusive
  i64 corner_width, corner_height;  // 3 or more, at most the box's size
};

// Emits the left-hand outline of the round rectangle like trace_ellipse:
// emit(y, xs, xe) for the rows row_lo..row_hi, mirrored by the caller.
template <class Emit>
void trace_round_rectangle(const RoundCorners& r, i64 row_lo, i64 row_hi, Emit&& emit) {
  const i64 w = r.corner_width, h = r.corner_height;
  const i64 shift = (r.bottom - r.top) - h;  // how far the lower corners move down
  const i64 upper_last = r.top + (h - 1) / 2;
  const i64 lower_first = r.top + h / 2;
  const i64 centre = floor_div(r.left + r.right - 1, 2);
  const i64 corner_right = r.left + w, corner_bottom = r.top + h;

  // The corner ellipse's rows: a small corner is traced whole, since the row
  // its trace ends on decides where the straight top and bottom lie; a large
  // one reaches its box's top and bottom, and only visible rows are computed.
  std::vector<CornerRun>& runs = corner_scratch();
  runs.clear();
  const auto keep_run = [&](i64 y, i64 xs, i64 xe) { runs.push_back({y, xs, xe}); };
  i64 end_row = r.top;  // the upper corner row the trace ends on
  if (w - 1 <= kTracedEllipseLimit && h - 1 <= kTracedEllipseLimit) {
    trace_ellipse(r.left, r.top, corner_right, corner_bottom, r.top, corner_bottom - 1, keep_run);
    end_row = upper_last;
    for (const CornerRun& run : runs) end_row = std::min(end_row, run.y);
  } else {
    trace_ellipse(r.left, r.top, corner_right, corner_bottom, std::max(r.top, row_lo),
                  std::min(upper_last, row_hi), keep_run);
    trace_ellipse(r.left, r.top, corner_right, corner_bottom, std::max(lower_first, row_lo - shift),
                  std::min(corner_bottom - 1, row_hi - shift), keep_run);
  }
  const i64 end_row_below = r.top + r.bottom - 1 - end_row;
  for (const CornerRun& run : runs) {
    if (run.y <= upper_last && run.y >= row_lo && run.y <= row_hi) {
      emit(run.y, run.xs, run.y == end_row ? centre : run.xe);
    }
    const i64 y = run.y + shift;
    if (run.y >= lower_first && y >= row_lo && y <= row_hi) {
      emit(y, run.xs, y == end_row_below ? centre : run.xe);
    }
  }
  const i64 side_first = std::max(upper_last + 1, row_lo);
  const i64 side_last = std::min(lower_first + shift - 1, row_hi);
  for (i64 y = side_first; y <= side_last; ++y) emit(y, r.left, r.left);
}

void paint_round_rectangle(const Surface& s, const RoundCorners& r, const Pen& pen,
                           const Brush& brush) {
  const bool fill = !brush.hollow;
  const bool outline = !pen.null;
  if (!fill && !outline) return;
  const i64 width = outline ? std::clamp<i64>(pen.width, 1, kWidestEllipsePen) : 1;
  const i64 margin = width / 2 + 1;
  if (r.left > s.width - 1 + margin || r.right - 1 < -margin || r.top > s.height - 1 + margin ||
      r.bottom - 1 < -margin) {
    return;
  }
  const i64 mirror = r.left + r.right - 1;
  const i64 last_row = s.height - 1;
  if (width <= 1) {
    // As the ellipse: the brush strictly between the outline pixels, or over
    // them too without an outline, then the outline.
    trace_round_rectangle(r, 0, last_row, [&](i64 y, i64 xs, i64 xe) {
      if (fill && (!outline || pen.colour == brush.colour)) {
        fill_span(s, y, xs, mirror - xs, outline ? pen.colour : brush.colour);
        return;
      }
      if (fill) fill_span(s, y, xe + 1, mirror - xe - 1, brush.colour);
      if (outline) {
        fill_span(s, y, xs, xe, pen.colour);
        fill_span(s, y, mirror - xe, mirror - xs, pen.colour);
      }
    });
    return;
  }
  if (fill) {
    trace_round_rectangle(r, 0, last_row, [&](i64 y, i64, i64 xe) {
      fill_span(s, y, xe + 1, mirror - xe - 1, brush.colour);
    });
  }
  // A wide pen: its disc stamped along the one-pixel outline, each half of
  // which makes one interval a row.
  Scratch& work = scratch();
  build_disc(work.disc, width);
  reset_union(work.left_side, s.height);
  reset_union(work.right_side, s.height);
  trace_round_rectangle(r, -margin, last_row + margin, [&](i64 y, i64 xs, i64 xe) {
    stamp_run(work.left_side, work.disc, s.height, y, xs, xe);
    stamp_run(work.right_side, work.disc, s.height, y, mirror - xe, mirror - xs);
  });
  paint_union(s, work.left_side, pen.colour);
  paint_union(s, work.right_side, pen.colour);
}

// Arcs and pies. Their curve is the same midpoint ellipse as the ellipse's,
// traced as a list of points, one quarter from the box's right end up to its
// top and the other three mirrored from it, counter-clockwise on the screen
// from the right end. A ray from the centre picks the first point of the
// list on or past it, so the arc starts and ends exactly where GDI's does.
struct ArcBox {
  i64 left, top, right, bottom;  // right and bottom exclusive, not empty
  i64 centre_x() const { return left + (right - left) / 2; }
  i64 centre_y() const { return top + (bottom - top) / 2; }
};

// The upper right quarter, from the right end up to the top, as offsets
// from the centre with y growing upwards.
void ellipse_quarter(const ArcBox& box, std::vector<Point64>& quarter) {
  const i64 w = box.right - box.left, h = box.bottom - box.top;
  const i64 a = w - 1, b = h - 1;
  i64 x = a, y = h / 2;  // x leftwards from the box's right, y upwards from its middle
  i64 step_x = 4 * b * b * (1 - a);
  i64 step_y = 4 * a * a * (1 + b % 2);
  i64 err = step_x + step_y + a * a * (b % 2);
  quarter.clear();
  while (x >= w / 2) {
    quarter.push_back({x - w / 2, y - h / 2});
    const i64 e2 = 2 * err;
    if (e2 >= step_x) {
      --x;
      step_x += 8 * b * b;
      err += step_x;
    }
    if (e2 <= step_y) {
      ++y;
      step_y += 8 * a * a;
      err += step_y;
    }
  }
}

// The index along the whole outline (four quarters of `count` points each)
// of the first point on or past the ray through (x, y), y upwards.
i64 ray_crossing(const std::vector<Point64>& quarter, i64 x, i64 y) {
  const i64 count = static_cast<i64>(quarter.size());
  const auto first = [&](auto&& past) {
    i64 i = 0;
    while (i < count && !past(quarter[static_cast<std::size_t>(i)])) ++i;
    return i;
  };
  if (y >= 0 && x >= 0) return first([&](const Point64& p) { return p.x * y <= p.y * x; });
  if (y >= 0) return 2 * count - first([&](const Point64& p) { return p.x * y < p.y * -x; });
  if (x >= 0) return 4 * count - first([&](const Point64& p) { return p.x * -y <= p.y * x; });
  return 2 * count + first([&](const Point64& p) { return p.x * -y < p.y * -x; });
}

// The curve's pixels from the start ray to the end ray, counter-clockwise.
void arc_points(const ArcBox& box, i64 start_x, i64 start_y, i64 end_x, i64 end_y,
                std::vector<Vertex>& points) {
  ZIVRO_PER_THREAD std::vector<Point64> quarter;
  ellipse_quarter(box, quarter);
  const i64 count = static_cast<i64>(quarter.size());
  const i64 w = box.right - box.left, h = box.bottom - box.top;
  const i64 first = ray_crossing(quarter, start_x - box.centre_x(), box.centre_y() - start_y);
  i64 last = ray_crossing(quarter, end_x - box.centre_x(), box.centre_y() - end_y);
  if (last <= first) last += 4 * count;
  points.clear();
  for (i64 i = first; i < last; ++i) {
    const i64 j = i % count;
    const Point64& forward = quarter[static_cast<std::size_t>(j)];
    const Point64& backward = quarter[static_cast<std::size_t>(count - 1 - j)];
    i64 x = 0, y = 0;
    switch ((i / count) % 4) {
      case 0:  // upper right
        x = box.left + w / 2 + forward.x, y = box.bottom - 1 - h / 2 - forward.y;
        break;
      case 1:  // upper left
        x = box.right - 1 - w / 2 - backward.x, y = box.bottom - 1 - h / 2 - backward.y;
        break;
      case 2:  // lower left
        x = box.right - 1 - w / 2 - forward.x, y = box.top + h / 2 + forward.y;
        break;
      default:  // lower right
        x = box.left + w / 2 + backward.x, y = box.top + h / 2 + backward.y;
        break;
    }
    points.push_back({static_cast<int>(x), static_cast<int>(y)});
  }
}

bool arc_box(int left, int top, int right, int bottom, ArcBox& box) {
  box.left = std::min(left, right), box.right = std::max(left, right);
  box.top = std::min(top, bottom), box.bottom = std::max(top, bottom);
  const i64 w = box.right - box.left, h = box.bottom - box.top;
  return w > 0 && h > 0 && w <= kTracedEllipseLimit && h <= kTracedEllipseLimit;
}

std::vector<Vertex>& arc_scratch() {
  ZIVRO_PER_THREAD std::vector<Vertex> points;
  return points;
}

}  // namespace

void set_pixel(const Surface& surface, int x, int y, uint32_t colour) {
  if (!is_drawable(surface) || x < 0 || y < 0 || x >= surface.width || y >= surface.height) return;
  row_at(surface, y)[x] = colour;
  if (surface.written) note_written(surface.written, y, x, x);
}

void draw_line(const Surface& surface, int x0, int y0, int x1, int y1, const Pen& pen) {
  if (!is_drawable(surface)) return;
  stroke_line(surface, x0, y0, x1, y1, pen);
}

void draw_rectangle(const Surface& surface, int left, int top, int right, int bottom,
                    const Pen& pen, const Brush& brush) {
  if (!is_drawable(surface)) return;
  paint_rectangle(surface, std::min(left, right), std::min(top, bottom), std::max(left, right),
                  std::max(top, bottom), pen, brush);
}

bool rectangle_is_one_box(const Surface& surface, int left, int top, int right, int bottom,
                          const Pen& pen, const Brush& brush, FilledBox* box) {
  if (!is_drawable(surface) || left == right || top == bottom) return false;
  const PlainBox plain = plain_box_of(std::min(left, right), std::min(top, bottom),
                                      std::max(left, right), std::max(top, bottom), pen, brush);
  if (!plain.is_one) return false;
  const i64 x0 = std::max<i64>(plain.x0, 0), y0 = std::max<i64>(plain.y0, 0);
  const i64 x1 = std::min<i64>(plain.x1, surface.width - 1);
  const i64 y1 = std::min<i64>(plain.y1, surface.height - 1);
  if (x0 > x1 || y0 > y1) return false;
  *box = {static_cast<int>(x0), static_cast<int>(y0), static_cast<int>(x1), static_cast<int>(y1),
          brush.colour};
  return true;
}

void draw_ellipse(const Surface& surface, int left, int top, int right, int bottom, const Pen& pen,
                  const Brush& brush) {
  if (!is_drawable(surface)) return;
  const i64 l = std::min(left, right), r = std::max(left, right);
  const i64 t = std::min(top, bottom), b = std::max(top, bottom);
  if (r - l <= 2 || b - t <= 2) {  // too small to curve: GDI draws the rectangle
    paint_rectangle(surface, l, t, r, b, pen, brush);
    return;
  }
  paint_ellipse(surface, l, t, r, b, pen, brush);
}

void draw_polygon(const Surface& surface, const Vertex* vertices, int count, const Pen& pen,
                  const Brush& brush) {
  if (!is_drawable(surface) || vertices == nullptr || count < 2) return;
  if (!brush.hollow) fill_polygon(surface, vertices, count, brush.colour);
  // The closed outline: every vertex is the start of one segment.
  for (int i = 0; i < count; ++i) {
    const Vertex& from = vertices[i];
    const Vertex& to = vertices[(i + 1) % count];
    stroke_line(surface, from.x, from.y, to.x, to.y, pen);
  }
}

void fill_rectangle(const Surface& surface, int left, int top, int right, int bottom,
                    uint32_t colour) {
  if (!is_drawable(surface)) return;
  fill_box(surface, left, top, i64{right} - 1, i64{bottom} - 1, colour);
}

void scroll(const Surface& surface, int dx, int dy) {
  if (!is_drawable(surface)) return;
  const i64 w = surface.width, h = surface.height;
  const i64 shift_x = dx, shift_y = dy;
  if (abs64(shift_x) >= w || abs64(shift_y) >= h || (shift_x == 0 && shift_y == 0)) return;
  const i64 count = w - abs64(shift_x);
  const i64 to_x = std::max<i64>(shift_x, 0);
  const i64 from_x = std::max<i64>(-shift_x, 0);
  const std::size_t bytes = static_cast<std::size_t>(count) * sizeof(uint32_t);
  // Rows are copied in the order that reads each source row before it is overwritten.
  if (surface.written) {
    for (i64 y = std::max<i64>(shift_y, 0); y < h + std::min<i64>(shift_y, 0); ++y) {
      note_written(surface.written, y, to_x, to_x + count - 1);
    }
  }
  if (shift_y > 0) {
    for (i64 y = h - 1; y >= shift_y; --y) {
      std::memmove(row_at(surface, y) + to_x, row_at(surface, y - shift_y) + from_x, bytes);
    }
  } else {
    for (i64 y = 0; y < h + shift_y; ++y) {
      std::memmove(row_at(surface, y) + to_x, row_at(surface, y - shift_y) + from_x, bytes);
    }
  }
}

void draw_polyline(const Surface& surface, const Vertex* vertices, int count, const Pen& pen) {
  if (!is_drawable(surface) || vertices == nullptr) return;
  for (int i = 0; i + 1 < count; ++i) {
    stroke_line(surface, vertices[i].x, vertices[i].y, vertices[i + 1].x, vertices[i + 1].y, pen);
  }
}

void draw_round_rectangle(const Surface& surface, int left, int top, int right, int bottom,
                          int ellipse_width, int ellipse_height, const Pen& pen,
                          const Brush& brush) {
  if (!is_drawable(surface)) return;
  RoundCorners r;
  r.left = std::min(left, right), r.right = std::max(left, right);
  r.top = std::min(top, bottom), r.bottom = std::max(top, bottom);
  if (r.left == r.right || r.top == r.bottom) return;
  r.corner_width = std::min(abs64(ellipse_width), r.right - r.left);
  r.corner_height = std::min(abs64(ellipse_height), r.bottom - r.top);
  if (r.corner_width <= 2 || r.corner_height <= 2) {
    paint_rectangle(surface, r.left, r.top, r.right, r.bottom, pen, brush);
    return;
  }
  paint_round_rectangle(surface, r, pen, brush);
}

void draw_arc(const Surface& surface, int left, int top, int right, int bottom, int start_x,
              int start_y, int end_x, int end_y, const Pen& pen) {
  ArcBox box;
  if (!is_drawable(surface) || !arc_box(left, top, right, bottom, box)) return;
  std::vector<Vertex>& points = arc_scratch();
  arc_points(box, start_x, start_y, end_x, end_y, points);
  draw_polyline(surface, points.data(), static_cast<int>(points.size()), pen);
}

void draw_pie(const Surface& surface, int left, int top, int right, int bottom, int start_x,
              int start_y, int end_x, int end_y, const Pen& pen, const Brush& brush) {
  ArcBox box;
  if (!is_drawable(surface) || !arc_box(left, top, right, bottom, box)) return;
  std::vector<Vertex>& points = arc_scratch();
  arc_points(box, start_x, start_y, end_x, end_y, points);
  points.push_back({static_cast<int>(box.centre_x()), static_cast<int>(box.centre_y())});
  draw_polygon(surface, points.data(), static_cast<int>(points.size()), pen, brush);
}

}  // namespace raster

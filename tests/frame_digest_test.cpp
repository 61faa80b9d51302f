// The frame digest: what it tells apart, and that digesting only what the
// rasterizer noted as written gives the digest of every pixel, whatever was
// drawn in between.
#include "platform/headless/frame_digest.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "platform/raster/pictures.h"
#include "platform/raster/shapes.h"
#include "platform/raster/text.h"

namespace {

constexpr int kWidth = 61;  // odd: rows do not start on a vector boundary
constexpr int kHeight = 37;

TEST(FrameDigest, ChangesWithAnyPixelAnExchangeOfTwoOrTheSize) {
  std::mt19937 random(7);
  std::vector<uint32_t> pixels(kWidth * kHeight);
  for (uint32_t& pixel : pixels) pixel = random() & 0xFFFFFFu;
  const uint64_t digest = headless::frame_digest(pixels.data(), kWidth, kHeight);
  for (size_t i = 0; i < pixels.size(); ++i) {
    for (uint32_t flip : {1u, 0x800000u, 0xFFFFFFu}) {
      std::vector<uint32_t> changed = pixels;
      changed[i] ^= flip;
      ASSERT_NE(headless::frame_digest(changed.data(), kWidth, kHeight), digest) << i;
    }
  }
  for (int trial = 0; trial < 2000; ++trial) {
    const size_t a = random() % pixels.size(), b = random() % pixels.size();
    if (pixels[a] == pixels[b]) continue;
    std::vector<uint32_t> exchanged = pixels;
    std::swap(exchanged[a], exchanged[b]);
    ASSERT_NE(headless::frame_digest(exchanged.data(), kWidth, kHeight), digest) << a << " " << b;
  }
  EXPECT_NE(headless::frame_digest(pixels.data(), kHeight, kWidth), digest);
  EXPECT_NE(headless::frame_digest(pixels.data(), kWidth, kHeight - 1), digest);
}

// Random drawing with every writer of the rasterizer, each of them noting
// its pixels; after every call the tracked digest must equal the digest of
// every pixel, and the tracked rows must say nothing different from them.
TEST(FrameDigest, TrackedWritesGiveTheDigestOfEveryPixel) {
  std::mt19937 random(11);
  std::vector<uint32_t> pixels(kWidth * kHeight, 0x00123456u);
  raster::WrittenRows rows;
  raster::start_tracking(&rows, kHeight);
  raster::Surface surface{pixels.data(), kWidth, kHeight, &rows};
  auto coordinate = [&](int size) { return static_cast<int>(random() % (size + 40)) - 20; };
  auto colour = [&]() -> uint32_t {
    return random() % 4 == 0 ? 0x00FFFFFFu : random() & 0xFFFFFFu;
  };
  const raster::Font* font = raster::find_font(raster::FontFamily::kSans, 14);
  const std::vector<uint32_t> picture = [&] {
    std::vector<uint32_t> p(9 * 7);
    for (uint32_t& pixel : p) pixel = random();
    return p;
  }();
  for (int step = 0; step < 3000; ++step) {
    const raster::Pen pen{random() % 5 == 0, static_cast<int>(random() % 4), colour()};
    const raster::Brush brush{random() % 5 == 0, colour()};
    const int x0 = coordinate(kWidth), y0 = coordinate(kHeight);
    const int x1 = coordinate(kWidth), y1 = coordinate(kHeight);
    std::vector<raster::Vertex> vertices(2 + random() % 5);
    for (raster::Vertex& vertex : vertices) vertex = {coordinate(kWidth), coordinate(kHeight)};
    const unsigned kind = random() % 14;
    switch (kind) {
      case 0:  // the clear: the whole surface with a framing pen
        raster::draw_rectangle(surface, 0, 0, kWidth, kHeight, {false, 1, 0}, brush);
        break;
      case 1:
        raster::fill_rectangle(surface, x0, y0, x1, y1, brush.colour);
        break;
      case 2:
        raster::fill_rectangle(surface, -5, y0, kWidth + 5, y1, brush.colour);
        break;
      case 3:
        raster::draw_rectangle(surface, x0, y0, x1, y1, pen, brush);
        break;
      case 4:
        raster::draw_ellipse(surface, x0, y0, x1, y1, pen, brush);
        break;
      case 5:
        raster::draw_polygon(surface, vertices.data(), int(vertices.size()), pen, brush);
        break;
      case 6:
        raster::draw_polyline(surface, vertices.data(), int(vertices.size()), pen);
        break;
      case 7:
        raster::draw_line(surface, x0, y0, x1, y1, pen);
        break;
      case 8:
        raster::draw_round_rectangle(surface, x0, y0, x1, y1, 9, 7, pen, brush);
        break;
      case 9:
        raster::draw_pie(surface, x0, y0, x1, y1, x1, y0, x0, y1, pen, brush);
        break;
      case 10:
        raster::draw_arc(surface, x0, y0, x1, y1, x0, y0, x1, y1, pen);
        break;
      case 11:
        raster::set_pixel(surface, x0, y0, pen.colour);
        break;
      case 12:
        raster::scroll(surface, x0 % 9, y0 % 7);
        break;
      case 13:
        if (random() % 2) {
          const std::string text = "Ag" + std::to_string(step % 7);
          raster::draw_text(surface, font, x0, y0, text.data(), text.size(), pen.colour);
        } else {
          raster::blend_picture(surface, x0, y0, picture.data(), 9, 7);
        }
        break;
    }
    if (step % 3 != 0) continue;  // rows stay dirty across several calls too
    ASSERT_EQ(headless::frame_digest(pixels.data(), kWidth, kHeight, &rows),
              headless::frame_digest(pixels.data(), kWidth, kHeight))
        << "after call " << step << " of kind " << kind;
  }
}

}  // namespace

// Pixel tests of the software rasterizer's shapes. Every canvas has guard
// memory before and after its rows; each test checks it is left untouched.
#include <gtest/gtest.h>

#include <climits>
#include <random>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "platform/raster/shapes.h"

namespace {

using raster::Brush;
using raster::Pen;
using raster::Surface;
using raster::Vertex;
using Point = std::pair<int, int>;
__extension__ using Wide = __int128;

constexpr uint32_t kBlank = 0x00000000u;
constexpr uint32_t kInk = 0x00112233u;
constexpr uint32_t kPaint = 0x00445566u;
constexpr uint32_t kGuard = 0xA5A5A5A5u;
constexpr int kGuardPixels = 256;

const Pen kPen{false, 1, kInk};
const Pen kNullPen{true, 1, kInk};
const Brush kBrush{false, kPaint};
const Brush kHollow{true, kPaint};

struct Canvas {
  int width, height;
  std::vector<uint32_t> memory;
  Canvas(int w, int h, uint32_t fill = kBlank)
      : width(w), height(h), memory(static_cast<size_t>(w * h + 2 * kGuardPixels), kGuard) {
    std::fill_n(memory.begin() + kGuardPixels, w * h, fill);
  }
  Surface surface() { return {memory.data() + kGuardPixels, width, height}; }
  uint32_t at(int x, int y) const { return memory[kGuardPixels + y * width + x]; }
  bool guards_intact() const {
    for (int i = 0; i < kGuardPixels; ++i) {
      if (memory[i] != kGuard || memory[memory.size() - 1 - i] != kGuard) return false;
    }
    return true;
  }
};

std::set<Point> pixels_of(const Canvas& c, uint32_t colour) {
  std::set<Point> found;
  for (int y = 0; y < c.height; ++y) {
    for (int x = 0; x < c.width; ++x) {
      if (c.at(x, y) == colour) found.insert({x, y});
    }
  }
  return found;
}

std::string picture(const Canvas& c) {  // '#' pen, 'o' brush, '.' blank, one line a row
  std::string text;
  for (int y = 0; y < c.height; ++y) {
    for (int x = 0; x < c.width; ++x)
      text += c.at(x, y) == kInk ? '#' : c.at(x, y) == kPaint ? 'o' : '.';
    text += '\n';
  }
  return text;
}

int pick(std::mt19937& random, int lo, int hi) {  // in lo..hi-1
  return lo + static_cast<int>(random() % static_cast<uint32_t>(hi - lo));
}

std::set<Point> line_pixels(int x0, int y0, int x1, int y1) {
  Canvas c(24, 24);
  raster::draw_line(c.surface(), x0, y0, x1, y1, kPen);
  return pixels_of(c, kInk);
}

// Draws on a small surface with the shape at its coordinates and on a large
// one with the shape moved by `offset`: the small one must be that window.
template <class Draw>
void expect_clipping_keeps_pixels(int offset, Draw draw) {
  Canvas small(23, 17), large(23 + 2 * offset, 17 + 2 * offset);
  draw(small.surface(), 0);
  draw(large.surface(), offset);
  ASSERT_TRUE(small.guards_intact());
  for (int y = 0; y < small.height; ++y) {
    for (int x = 0; x < small.width; ++x) {
      ASSERT_EQ(small.at(x, y), large.at(x + offset, y + offset)) << x << "," << y;
    }
  }
}

TEST(RasterPixel, PaintsOnlyInside) {
  Canvas c(8, 6);
  for (auto [x, y] :
       std::vector<Point>{{0, 0}, {7, 5}, {-1, 0}, {8, 0}, {0, 6}, {INT_MIN, INT_MAX}}) {
    raster::set_pixel(c.surface(), x, y, kInk);
  }
  EXPECT_EQ(pixels_of(c, kInk), (std::set<Point>{{0, 0}, {7, 5}}));
  EXPECT_TRUE(c.guards_intact());
}

TEST(RasterLine, OnePixelPenLeavesTheEndAndBreaksTiesUpOrLeft) {
  std::set<Point> horizontal;
  for (int x = 0; x < 10; ++x) horizontal.insert({x, 0});
  EXPECT_EQ(line_pixels(0, 0, 10, 0), horizontal);
  EXPECT_TRUE(line_pixels(5, 5, 5, 5).empty());
  EXPECT_EQ(line_pixels(0, 0, 5, 2), (std::set<Point>{{0, 0}, {1, 0}, {2, 1}, {3, 1}, {4, 2}}));
  // Exact halves go to the upper pixel of a flat line, the left one of a steep one.
  EXPECT_EQ(line_pixels(0, 0, 4, 2), (std::set<Point>{{0, 0}, {1, 0}, {2, 1}, {3, 1}}));
  EXPECT_EQ(line_pixels(4, 2, 0, 0), (std::set<Point>{{4, 2}, {3, 1}, {2, 1}, {1, 0}}));
  EXPECT_EQ(line_pixels(0, 2, 4, 0), (std::set<Point>{{0, 2}, {1, 1}, {2, 1}, {3, 0}}));
  EXPECT_EQ(line_pixels(0, 0, 2, 4), (std::set<Point>{{0, 0}, {0, 1}, {1, 2}, {1, 3}}));
  EXPECT_EQ(line_pixels(2, 4, 0, 0), (std::set<Point>{{2, 4}, {1, 3}, {1, 2}, {0, 1}}));
}

TEST(RasterLine, ReversedLinePaintsTheSamePixelsButItsEnds) {
  std::mt19937 random(7);
  for (int i = 0; i < 500; ++i) {
    const int x0 = pick(random, 0, 24), y0 = pick(random, 0, 24);
    const int x1 = pick(random, 0, 24), y1 = pick(random, 0, 24);
    if (x0 == x1 && y0 == y1) continue;
    std::set<Point> forward = line_pixels(x0, y0, x1, y1), backward = line_pixels(x1, y1, x0, y0);
    forward.insert({x1, y1});
    backward.insert({x0, y0});
    ASSERT_EQ(forward, backward) << x0 << "," << y0 << " " << x1 << "," << y1;
  }
}

TEST(RasterLine, ClippingNeverMovesAPixel) {
  std::mt19937 random(11);
  for (int i = 0; i < 600; ++i) {
    const int x0 = pick(random, -50, 70), y0 = pick(random, -50, 70);
    int x1 = pick(random, -50, 70), y1 = pick(random, -50, 70);
    if (i % 3 == 1) y1 = y0 + (x1 - x0) / 2;  // exact ties every other step,
    if (i % 3 == 2) x1 = x0 - (y1 - y0) / 2;  // some right on an edge
    const int width = i % 4 == 0 ? 5 : 1;
    expect_clipping_keeps_pixels(80, [&](const Surface& s, int d) {
      raster::draw_line(s, x0 + d, y0 + d, x1 + d, y1 + d, Pen{false, width, kInk});
    });
  }
}

TEST(RasterLine, ExtremeEndpointsKeepTheLinesPixels) {
  // Slope exactly 1/2 from far off: row x / 2, the odd columns' halves going up.
  std::set<Point> half_slope;
  for (int x = 0; x < 24; ++x) half_slope.insert({x, x / 2});
  EXPECT_EQ(line_pixels(INT_MIN, INT_MIN / 2, INT_MAX - 1, INT_MAX / 2), half_slope);
  EXPECT_EQ(line_pixels(INT_MAX - 1, INT_MAX / 2, INT_MIN, INT_MIN / 2), half_slope);
  std::set<Point> row, column, diagonal;
  for (int i = 0; i < 24; ++i) {
    row.insert({i, 3});  // 5 * (x + 2^31) / (2^32 - 1) is just above 2.5 here
    column.insert({7, i});
    diagonal.insert({i, i});
  }
  EXPECT_EQ(line_pixels(INT_MIN, 0, INT_MAX, 5), row);
  EXPECT_EQ(line_pixels(5, INT_MIN, 9, INT_MAX), column);
  EXPECT_EQ(line_pixels(INT_MAX, INT_MAX, INT_MIN, INT_MIN), diagonal);
  EXPECT_TRUE(line_pixels(INT_MIN, INT_MAX, INT_MAX, INT_MIN).empty());  // passes x + y = -1
}

TEST(RasterLine, WidePenIsCentredWithRoundEndsAndNullPenPaintsNothing) {
  Canvas c(16, 11);
  raster::draw_line(c.surface(), 5, 5, 10, 5, Pen{false, 5, kInk});
  EXPECT_EQ(pixels_of(c, kInk).size(), 2u * 8 + 3 * 10);  // rows 3, 7: 4..11; rows 4..6: 3..12
  EXPECT_EQ(c.at(3, 5), kInk);
  EXPECT_EQ(c.at(12, 5), kInk);
  EXPECT_EQ(c.at(3, 3), kBlank);  // the corners of the band are rounded off
  EXPECT_EQ(c.at(12, 7), kBlank);
  raster::draw_line(c.surface(), 0, 0, 15, 10, kNullPen);
  raster::draw_line(c.surface(), INT_MIN, 0, INT_MAX, 5, Pen{false, INT_MAX, kPaint});
  EXPECT_EQ(pixels_of(c, kPaint).size(), 16u * 11);
  EXPECT_TRUE(c.guards_intact());
}

TEST(RasterRectangle, FilledBoxCoversItsCornersInclusive) {
  Canvas c(15, 15);
  raster::draw_rectangle(c.surface(), 2, 2, 13, 13, Pen{false, 0, kInk}, Brush{false, kInk});
  EXPECT_EQ(pixels_of(c, kInk).size(), 121u);
  EXPECT_EQ(c.at(12, 12), kInk);
  Canvas ordered(15, 15), reversed(15, 15);
  raster::draw_rectangle(ordered.surface(), 2, 3, 12, 10, kPen, kBrush);
  raster::draw_rectangle(reversed.surface(), 12, 10, 2, 3, kPen, kBrush);
  EXPECT_EQ(ordered.memory, reversed.memory);
  EXPECT_EQ(pixels_of(ordered, kInk).size(), 2u * 10 + 2 * 5);
  EXPECT_EQ(pixels_of(ordered, kPaint).size(), 8u * 5);
}

TEST(RasterRectangle, OutlinesLeaveTheInsideUntouched) {
  Canvas thin(12, 12), wide(12, 12), even(12, 12);
  raster::draw_rectangle(thin.surface(), 2, 2, 10, 10, kPen, kHollow);
  raster::draw_rectangle(wide.surface(), 2, 2, 10, 10, Pen{false, 3, kInk}, kHollow);
  raster::draw_rectangle(even.surface(), 2, 2, 10, 10, Pen{false, 2, kInk}, kHollow);
  EXPECT_EQ(pixels_of(thin, kInk).size(), 28u);  // columns and rows 2..9
  EXPECT_EQ(thin.at(3, 3), kBlank);
  // Width 3 bands around the one-pixel outline: 1..10 outside, 4..7 inside
  // untouched; the pen's disc rounds each outer corner off by one pixel.
  EXPECT_EQ(pixels_of(wide, kInk).size(), 10u * 10 - 4 * 4 - 4);
  EXPECT_EQ(wide.at(1, 1), kBlank);
  EXPECT_EQ(wide.at(2, 1), kInk);
  EXPECT_EQ(wide.at(10, 9), kInk);
  EXPECT_EQ(wide.at(4, 4), kBlank);
  EXPECT_EQ(wide.at(11, 11), kBlank);
  // An even width puts the extra pixel outside on the left and top, inside on the right and bottom.
  EXPECT_EQ(pixels_of(even, kInk).size(), 9u * 9 - 5 * 5);
  EXPECT_EQ(even.at(1, 1), kInk);
  EXPECT_EQ(even.at(10, 10), kBlank);
}

TEST(RasterRectangle, NullPenThinBoxesAndHugeBoxes) {
  Canvas c(12, 12);
  raster::draw_rectangle(c.surface(), 1, 1, 5, 4, kNullPen, kBrush);  // fills 1..3, 1..2
  EXPECT_EQ(pixels_of(c, kPaint).size(), 6u);
  EXPECT_EQ(c.at(3, 2), kPaint);
  raster::draw_rectangle(c.surface(), 8, 1, 9, 6, kPen, kBrush);  // one column wide
  EXPECT_EQ(pixels_of(c, kInk).size(), 5u);
  EXPECT_EQ(pixels_of(c, kPaint).size(), 6u);
  raster::draw_rectangle(c.surface(), INT_MIN, 7, INT_MAX, 10, kPen, kHollow);  // rows 7 and 9
  EXPECT_EQ(pixels_of(c, kInk).size(), 5u + 2 * 12);
  raster::draw_rectangle(c.surface(), INT_MIN, INT_MIN, INT_MAX, INT_MAX, kPen, kBrush);
  EXPECT_EQ(pixels_of(c, kPaint).size(), 144u);
  EXPECT_TRUE(c.guards_intact());
}

TEST(RasterEllipse, CircleOfRadiusZeroIsOnePixel) {
  Canvas c(5, 5);
  raster::draw_ellipse(c.surface(), 2, 2, 3, 3, kPen, Brush{false, kInk});
  EXPECT_EQ(pixels_of(c, kInk), (std::set<Point>{{2, 2}}));
}

TEST(RasterEllipse, CircleOfRadiusTwentyFillsItsBoxSymmetrically) {
  Canvas c(45, 45);
  raster::draw_ellipse(c.surface(), 2, 2, 43, 43, kPen, Brush{false, kInk});
  const std::set<Point> disc = pixels_of(c, kInk);
  EXPECT_EQ(disc.size(), 1313u);
  int min_x = 99, max_x = -1, min_y = 99, max_y = -1;
  for (auto [x, y] : disc) {
    min_x = std::min(min_x, x), max_x = std::max(max_x, x);
    min_y = std::min(min_y, y), max_y = std::max(max_y, y);
    EXPECT_TRUE(disc.count({44 - x, y}) && disc.count({x, 44 - y}) && disc.count({y, x}));
  }
  EXPECT_EQ(std::vector<int>({min_x, max_x, min_y, max_y}), std::vector<int>({2, 42, 2, 42}));
}

TEST(RasterEllipse, SmallBoxesHaveTheMidpointShapes) {
  Canvas round(9, 9), oval(9, 7), flat(14, 5), narrow(5, 11);
  raster::draw_ellipse(round.surface(), 1, 1, 8, 8, kPen, kBrush);
  raster::draw_ellipse(oval.surface(), 1, 1, 8, 6, kPen, kBrush);
  raster::draw_ellipse(flat.surface(), 1, 1, 13, 4, kPen, kBrush);
  raster::draw_ellipse(narrow.surface(), 1, 1, 4, 10, kPen, kBrush);
  EXPECT_EQ(picture(round),
            ".........\n...###...\n..#ooo#..\n.#ooooo#.\n.#ooooo#.\n"
            ".#ooooo#.\n..#ooo#..\n...###...\n.........\n");
  EXPECT_EQ(picture(oval),
            ".........\n...###...\n.##ooo##.\n.#ooooo#.\n.##ooo##.\n...###...\n.........\n");
  EXPECT_EQ(picture(flat),
            "..............\n...########...\n.##oooooooo##.\n...########...\n..............\n");
  EXPECT_EQ(picture(narrow),
            ".....\n.....\n..#..\n.#o#.\n.#o#.\n.#o#.\n.#o#.\n.#o#.\n..#..\n.....\n.....\n");
}

// Boxes with an even side: the two middle rows (or columns) are twins.
TEST(RasterEllipse, SmallEvenBoxesPixelForPixel) {
  struct Case {
    int width, height;
    const char* expected;  // with a blank border of one pixel
  };
  const Case cases[] = {
      {7, 4,
       ".........\n"
       "..#####..\n"
       ".#ooooo#.\n"
       ".#ooooo#.\n"
       "..#####..\n"
       ".........\n"},
      {4, 4,
       "......\n"
       "..##..\n"
       ".#oo#.\n"
       ".#oo#.\n"
       "..##..\n"
       "......\n"},
      {6, 5,
       "........\n"
       "..####..\n"
       ".#oooo#.\n"
       ".#oooo#.\n"
       ".#oooo#.\n"
       "..####..\n"
       "........\n"},
      {4, 7,
       "......\n"
       "......\n"
       "..##..\n"
       ".#oo#.\n"
       ".#oo#.\n"
       ".#oo#.\n"
       "..##..\n"
       "......\n"
       "......\n"},
  };
  for (const Case& c : cases) {
    Canvas canvas(c.width + 2, c.height + 2);
    raster::draw_ellipse(canvas.surface(), 1, 1, c.width + 1, c.height + 1, kPen, kBrush);
    EXPECT_EQ(picture(canvas), c.expected) << c.width << " by " << c.height;
  }
}

// Cases where the canvas once differed from GDI.
TEST(RasterEllipse, OutlineKeepsTwoPixelRunsWhereTheCurveTurns) {
  Canvas wide(17, 9);  // 15 by 7: the rows next to the middle one keep two pixels a side
  raster::draw_ellipse(wide.surface(), 1, 1, 16, 8, kPen, kBrush);
  EXPECT_EQ(picture(wide),
            ".................\n.....#######.....\n...##ooooooo##...\n.##ooooooooooo##.\n"
            ".#ooooooooooooo#.\n.##ooooooooooo##.\n...##ooooooo##...\n.....#######.....\n"
            ".................\n");
}

TEST(RasterEllipse, NarrowTallOutlineStopsShortOfTheBoxEnds) {
  Canvas filled(5, 17), hollow(5, 17);  // 3 by 15: rows 1, 2, 14, 15 of the box stay blank
  raster::draw_ellipse(filled.surface(), 1, 1, 4, 16, kPen, kBrush);
  raster::draw_ellipse(hollow.surface(), 1, 1, 4, 16, kPen, kHollow);
  std::string middle;
  for (int i = 0; i < 9; ++i) middle += ".#o#.\n";
  EXPECT_EQ(picture(filled),
            ".....\n.....\n.....\n..#..\n" + middle + "..#..\n.....\n.....\n.....\n");
  std::string outline;
  for (int i = 0; i < 9; ++i) outline += ".#.#.\n";
  EXPECT_EQ(picture(hollow),
            ".....\n.....\n.....\n..#..\n" + outline + "..#..\n.....\n.....\n.....\n");
}

TEST(RasterEllipse, NullPenFillsTheOutlinesPixelsToo) {
  Canvas tiny(5, 5), oval(9, 7), pen_and_brush(9, 7);
  raster::draw_ellipse(tiny.surface(), 1, 1, 4, 4, kNullPen, kBrush);
  EXPECT_EQ(picture(tiny), ".....\n..o..\n.ooo.\n..o..\n.....\n");
  raster::draw_ellipse(oval.surface(), 1, 1, 8, 6, kNullPen, kBrush);
  EXPECT_EQ(picture(oval),
            ".........\n...ooo...\n.ooooooo.\n.ooooooo.\n.ooooooo.\n...ooo...\n.........\n");
  raster::draw_ellipse(pen_and_brush.surface(), 1, 1, 8, 6, Pen{false, 1, kPaint}, kBrush);
  EXPECT_EQ(oval.memory, pen_and_brush.memory);
}

TEST(RasterEllipse, HollowBrushTinyBoxesAndWidePens) {
  Canvas hollow(45, 45), filled(45, 45);
  raster::draw_ellipse(hollow.surface(), 2, 2, 43, 43, kPen, kHollow);
  raster::draw_ellipse(filled.surface(), 2, 2, 43, 43, kPen, kBrush);
  EXPECT_EQ(pixels_of(hollow, kInk), pixels_of(filled, kInk));
  EXPECT_EQ(pixels_of(hollow, kInk).size(), 112u);
  EXPECT_EQ(hollow.at(22, 22), kBlank);
  EXPECT_EQ(filled.at(22, 22), kPaint);

  Canvas as_ellipse(10, 10), as_rectangle(10, 10);
  raster::draw_ellipse(as_ellipse.surface(), 1, 1, 3, 8, kPen, kBrush);
  raster::draw_rectangle(as_rectangle.surface(), 1, 1, 3, 8, kPen, kBrush);
  EXPECT_EQ(as_ellipse.memory, as_rectangle.memory);

  Canvas wide(45, 45);
  raster::draw_ellipse(wide.surface(), 2, 2, 43, 43, Pen{false, 3, kInk}, kHollow);
  EXPECT_EQ(wide.at(1, 22), kInk);  // one pixel outside the box, centred on the outline
  EXPECT_EQ(wide.at(4, 22), kBlank);
  EXPECT_EQ(wide.at(22, 22), kBlank);
}

TEST(RasterEllipse, ClippingNeverMovesAPixel) {
  std::mt19937 random(5);
  for (int i = 0; i < 200; ++i) {
    const int left = pick(random, -90, 30), top = pick(random, -90, 30);
    const int right = left + pick(random, 3, 103), bottom = top + pick(random, 3, 103);
    const Pen pen{false, i % 3 == 0 ? 4 : 1, kInk};
    expect_clipping_keeps_pixels(110, [&](const Surface& s, int d) {
      raster::draw_ellipse(s, left + d, top + d, right + d, bottom + d, pen, kBrush);
    });
  }
}

TEST(RasterEllipse, HugeBoxesAreClipped) {
  Canvas c(20, 12);
  raster::draw_ellipse(c.surface(), INT_MIN, INT_MIN, INT_MAX, INT_MAX, kPen, kHollow);
  EXPECT_TRUE(pixels_of(c, kInk).empty());  // the outline is far outside
  raster::draw_ellipse(c.surface(), INT_MIN, INT_MIN, INT_MAX, INT_MAX, kPen, kBrush);
  EXPECT_EQ(pixels_of(c, kPaint).size(), 240u);
  Canvas edge(20, 12);  // the flat top of a huge ellipse crossing the surface
  raster::draw_ellipse(edge.surface(), -1000000000, 4, 1000000000, 400000000, kPen, kBrush);
  for (int x = 0; x < 20; ++x) {
    EXPECT_EQ(edge.at(x, 3), kBlank);
    EXPECT_EQ(edge.at(x, 11), kPaint);
  }
  raster::draw_ellipse(edge.surface(), INT_MIN, 5, INT_MAX, INT_MAX, Pen{false, 9, kInk}, kHollow);
  EXPECT_TRUE(c.guards_intact() && edge.guards_intact());
}

// Pixel (x, y) is inside when an odd number of edges cross row y at or left of x.
std::set<Point> alternate_rule_inside(const std::vector<Vertex>& v, int width, int height) {
  std::set<Point> inside;
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      int crossings = 0;
      for (size_t i = 0; i < v.size(); ++i) {
        Wide xa = v[i].x, ya = v[i].y, xb = v[(i + 1) % v.size()].x, yb = v[(i + 1) % v.size()].y;
        if (ya > yb) std::swap(xa, xb), std::swap(ya, yb);
        if (y >= ya && y < yb && xa * (yb - ya) + (y - ya) * (xb - xa) <= x * (yb - ya))
          ++crossings;
      }
      if (crossings % 2 == 1) inside.insert({x, y});
    }
  }
  return inside;
}

TEST(RasterPolygon, TriangleIsFilledToItsOutline) {
  Canvas same(12, 12), apart(12, 12);
  const Vertex triangle[] = {{0, 0}, {8, 0}, {0, 8}};
  raster::draw_polygon(same.surface(), triangle, 3, kPen, Brush{false, kInk});
  raster::draw_polygon(apart.surface(), triangle, 3, kPen, kBrush);
  std::set<Point> solid;
  for (int y = 0; y <= 8; ++y) {
    for (int x = 0; x + y <= 8; ++x) solid.insert({x, y});
  }
  EXPECT_EQ(pixels_of(same, kInk), solid);
  EXPECT_EQ(pixels_of(apart, kPaint).size(), 21u);  // x, y >= 1 and x + y <= 7
  EXPECT_EQ(apart.at(8, 0), kInk);
  EXPECT_EQ(apart.at(0, 8), kInk);
}

TEST(RasterPolygon, AlternateRuleIncludingExtremeVertices) {
  std::mt19937 random(3);
  for (int i = 0; i < 300; ++i) {
    std::vector<Vertex> v(pick(random, 3, 7));
    for (Vertex& p : v) {
      p = i < 200 ? Vertex{pick(random, -10, 40), pick(random, -10, 40)}
                  : Vertex{static_cast<int>(random()), static_cast<int>(random())};
    }
    Canvas c(30, 30);
    raster::draw_polygon(c.surface(), v.data(), static_cast<int>(v.size()), kNullPen, kBrush);
    ASSERT_EQ(pixels_of(c, kPaint), alternate_rule_inside(v, 30, 30)) << i;
    ASSERT_TRUE(c.guards_intact());
  }
}

TEST(RasterPolygon, FewerThanThreeVertices) {
  Canvas c(8, 8);
  const Vertex segment[] = {{1, 1}, {5, 3}};
  raster::draw_polygon(c.surface(), segment, 1, kPen, kBrush);
  EXPECT_TRUE(pixels_of(c, kInk).empty());
  raster::draw_polygon(c.surface(), segment, 2, kPen, kBrush);  // there and back: both ends
  EXPECT_EQ(pixels_of(c, kInk), (std::set<Point>{{1, 1}, {2, 1}, {3, 2}, {4, 2}, {5, 3}}));
  EXPECT_TRUE(pixels_of(c, kPaint).empty());
}

TEST(RasterFillAndScroll, FillExcludesRightAndBottomAndScrollMovesContent) {
  Canvas c(6, 5);
  raster::fill_rectangle(c.surface(), INT_MIN, 3, INT_MAX, 5, kPaint);  // rows 3 and 4
  raster::fill_rectangle(c.surface(), 1, 0, 3, 1, kInk);
  EXPECT_EQ(pixels_of(c, kInk), (std::set<Point>{{1, 0}, {2, 0}}));
  EXPECT_EQ(pixels_of(c, kPaint).size(), 12u);
  const std::vector<uint32_t> before = c.memory;
  for (auto [dx, dy] : std::vector<Point>{{0, 5}, {0, -5}, {6, 0}, {INT_MIN, 0}, {0, INT_MAX}}) {
    raster::scroll(c.surface(), dx, dy);
  }
  EXPECT_EQ(c.memory, before);         // nothing lands on the surface: all stays
  raster::scroll(c.surface(), 0, -3);  // up: rows 3, 4 move to 0, 1; rows 2..4 keep theirs
  EXPECT_EQ(c.at(0, 0), kPaint);
  EXPECT_EQ(c.at(1, 1), kPaint);
  EXPECT_EQ(c.at(0, 2), kBlank);
  EXPECT_EQ(c.at(0, 4), kPaint);
  raster::scroll(c.surface(), 2, 1);
  EXPECT_EQ(c.at(2, 1), kPaint);  // from (0, 0)
  EXPECT_EQ(c.at(1, 1), kPaint);  // uncovered column keeps its old pixel
  EXPECT_EQ(c.at(5, 3), kBlank);  // from (3, 2)
  EXPECT_TRUE(c.guards_intact());
}

// Fills take wide aligned stores with unaligned ends: every run of 0..64
// pixels, and runs long enough for the string store, at each of eight
// starting columns (two alignments of 16 bytes and more) paints exactly its
// own pixels, and boxes of whole rows, filled as
// one run, exactly theirs.
TEST(RasterFillAndScroll, EveryLengthAtEveryAlignmentPaintsExactlyItsPixels) {
  constexpr int kWidth = 1100;
  std::vector<int> lengths(65);
  for (int length = 0; length <= 64; ++length) lengths[length] = length;
  lengths.insert(lengths.end(), {1023, 1024, 1025, 1091});  // the string store's lengths
  for (int start = 0; start < 8; ++start) {
    for (const int length : lengths) {
      Canvas c(kWidth, 3);
      raster::fill_rectangle(c.surface(), start, 1, start + length, 2, kPaint);
      for (int y = 0; y < 3; ++y) {
        for (int x = 0; x < kWidth; ++x) {
          const bool inside = y == 1 && x >= start && x < start + length;
          ASSERT_EQ(c.at(x, y), inside ? kPaint : kBlank) << start << "+" << length << " " << x;
        }
      }
      ASSERT_TRUE(c.guards_intact()) << start << "+" << length;
    }
  }
  for (const int width : {1, 2, 3, 5, 7, 13}) {
    Canvas c(width, 6);
    raster::fill_rectangle(c.surface(), -1, 1, width + 3, 4, kPaint);
    for (int y = 0; y < 6; ++y) {
      for (int x = 0; x < width; ++x) {
        ASSERT_EQ(c.at(x, y), y >= 1 && y < 4 ? kPaint : kBlank) << width << " " << x << "," << y;
      }
    }
    ASSERT_TRUE(c.guards_intact()) << width;
  }
}

// A box nearly as wide as the surface is filled as one run across its rows;
// the pixels between its rows, each different here, keep their values.
TEST(RasterFillAndScroll, BoxesNearlyAsWideAsTheSurfaceKeepThePixelsBetweenTheirRows) {
  struct Case {
    int width, height, left;
  };
  std::vector<Case> cases;
  for (const int left : {0, 1, 7}) cases.push_back({100, 30, left});
  for (const int left : {0, 1, 2}) cases.push_back({6, 400, left});  // boxes of 1 to 5 columns
  for (const int left : {0, 1}) cases.push_back({3, 600, left});
  for (const auto [kWidth, kHeight, left] : cases) {
    for (const int gap : {1, 2, 3, 4, 5, 15, 16, 17}) {
      if (gap >= kWidth - left) continue;
      for (const auto& [top, bottom] : std::vector<Point>{{2, kHeight - 2}, {0, kHeight}, {5, 7}}) {
        Canvas c(kWidth, kHeight);
        for (int i = 0; i < kWidth * kHeight; ++i) c.memory[kGuardPixels + i] = 0x00100000u + i;
        const int right = left + kWidth - gap;
        raster::fill_rectangle(c.surface(), left, top, right, bottom, kPaint);
        for (int y = 0; y < kHeight; ++y) {
          for (int x = 0; x < kWidth; ++x) {
            const bool inside = y >= top && y < bottom && x >= left && x < right;
            ASSERT_EQ(c.at(x, y), inside ? kPaint : 0x00100000u + y * kWidth + x)
                << left << "+" << gap << " rows " << top << ".." << bottom << " at " << x << ","
                << y;
          }
        }
        ASSERT_TRUE(c.guards_intact());
      }
    }
  }
}

}  // namespace

// Round rectangles, arcs and pies: clipping moves no pixel, a round
// rectangle with corners as large as its box is the box's ellipse, and huge
// boxes and corners stay on the surface and finish.
TEST(RasterRoundShapes, ClippingNeverMovesAPixel) {
  std::mt19937 random(11);
  for (int i = 0; i < 150; ++i) {
    const int left = pick(random, -60, 20), top = pick(random, -60, 20);
    const int right = left + pick(random, 3, 80), bottom = top + pick(random, 3, 80);
    const int a = pick(random, -100, 100), b = pick(random, -100, 100);
    const int c = pick(random, -100, 100), d0 = pick(random, -100, 100);
    const Pen pen{false, i % 3 == 0 ? 3 : 1, kInk};
    const Brush brush = i % 2 ? kBrush : kHollow;
    expect_clipping_keeps_pixels(90, [&](const Surface& s, int d) {
      raster::draw_round_rectangle(s, left + d, top + d, right + d, bottom + d, a, b, pen, brush);
      raster::draw_arc(s, left + d, top + d, right + d, bottom + d, a + d, b + d, c + d, d0 + d,
                       pen);
      raster::draw_pie(s, left + d, bottom + d, right + d, top + d, c + d, a + d, b + d, d0 + d,
                       pen, brush);
    });
  }
}

TEST(RasterRoundShapes, FullCornersMakeTheEllipse) {
  for (const auto& [w, h] : {std::pair{9, 7}, {14, 5}, {4, 16}, {21, 20}}) {
    for (const Brush& brush : {kBrush, kHollow, Brush{false, kInk}}) {
      Canvas round(24, 24), oval(24, 24);
      raster::draw_round_rectangle(round.surface(), 1, 2, 1 + w, 2 + h, w, h, kPen, brush);
      raster::draw_ellipse(oval.surface(), 1, 2, 1 + w, 2 + h, kPen, brush);
      EXPECT_EQ(round.memory, oval.memory) << w << "x" << h;
    }
  }
}

TEST(RasterRoundShapes, HugeBoxesAreClipped) {
  Canvas c(20, 12);
  raster::draw_round_rectangle(c.surface(), INT_MIN, INT_MIN, INT_MAX, INT_MAX, INT_MAX, INT_MIN,
                               kPen, kBrush);
  EXPECT_EQ(pixels_of(c, kPaint).size(), 240u);
  raster::draw_round_rectangle(c.surface(), -2, -2, INT_MAX, INT_MAX, 40, 40, Pen{false, 7, kInk},
                               kHollow);
  EXPECT_EQ(c.at(19, 0), kInk);  // the straight top edge's band
  raster::draw_arc(c.surface(), INT_MIN, INT_MIN, INT_MAX, INT_MAX, 0, 0, 5, 5, kPen);
  raster::draw_pie(c.surface(), -100000, -100000, 100000, 100000, 0, 0, 5, 5, kPen, kBrush);
  EXPECT_TRUE(c.guards_intact());
}

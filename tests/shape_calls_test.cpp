// The polygon, polyline, round rectangle, arc and pie calls: their repairs,
// warnings and log sentences word for word, and one golden picture of them
// all (tests/golden/shape_calls.png; a failing run writes the actual picture
// to golden-out/ in the build, which is how the golden one was made).
#include <climits>
#include <filesystem>
#include <functional>

#include "package_fixture.h"
#include "platform/portable/objects.h"
#include "platform/portable/png_files.h"
#include "shape_sheet.h"

namespace {

using Lines = std::vector<std::string>;

class ShapeCalls : public PackageTest {
 protected:
  void SetUp() override {
    PackageTest::SetUp();
    open();
    ZIVRO_logging(1);
  }
};

const Point kFive[5] = {{1, 2}, {30, 4}, {25, -20}, {-8, -16}, {-12, 0}};

struct CallCase {
  const char* what;
  std::function<void()> call;
  Lines expected;
};

TEST_F(ShapeCalls, RepairsWarningsAndSentences) {
  const std::vector<Point> many(10005, Point{3, 4});
  const CallCase cases[] = {
      {"filled polygon",
       [] { ZIVRO_polygon(ZIVRO_RED, 5, kFive, 0); },
       {"red polygon of 5 points from (1,2), filled\n"}},
      {"outlined polygon, colour then width repaired",
       [] { ZIVRO_polygon(99, 3, kFive, -3); },
       {"Illegal color 99; using RED.\n", "Width of -3 not possible, using width 3\n",
        "red polygon of 3 points from (1,2), width 3\n"}},
      {"polygon of one point",
       [] { ZIVRO_polygon(ZIVRO_BLUE, 1, kFive, 1); },
       {"Polygon of 1 points not possible, drawing nothing\n"}},
      {"polygon without points",
       [] { ZIVRO_polygon(ZIVRO_BLUE, 4, nullptr, 1); },
       {"Polygon without points not possible, drawing nothing\n"}},
      {"polygon of too many points",
       [&] { ZIVRO_polygon(ZIVRO_BLUE, static_cast<int>(many.size()), many.data(), 0); },
       {"Polygon of 10005 points not possible, using 10000 points\n",
        "blue polygon of 10000 points from (3,4), filled\n"}},
      {"polyline logs width 0",
       [] { ZIVRO_polyline(ZIVRO_NAVY_BLUE, 2, kFive, 0); },
       {"navy blue polyline of 2 points from (1,2), width 0\n"}},
      {"polyline with a negative count",
       [] { ZIVRO_polyline(ZIVRO_NAVY_BLUE, -4, kFive, 2); },
       {"Polyline of -4 points not possible, drawing nothing\n"}},
      {"rgb colour",
       [] { ZIVRO_polyline(ZIVRO_rgb(1, 2, 3), 5, kFive, 2); },
       {"rgb(1,2,3) polyline of 5 points from (1,2), width 2\n"}},
      {"round rectangle, corners ordered, radius then width repaired",
       [] { ZIVRO_round_rectangle(ZIVRO_GREEN, 40, -10, -40, 30, -6, -2); },
       {"Radius of -6 not possible, using radius 6\n", "Width of -2 not possible, using width 2\n",
        "green rounded rectangle with bounding box (-40,30) to (40,-10), radius 6, line width "
        "2\n"}},
      {"filled round rectangle",
       [] { ZIVRO_round_rectangle(ZIVRO_GOLD, 0, 10, 10, 0, 3, 0); },
       {"gold rounded rectangle with bounding box (0,10) to (10,0), radius 3, filled\n"}},
      {"arc",
       [] { ZIVRO_arc(ZIVRO_BLACK, -20, 10, 20, -10, 30, -120, 0); },
       {"black arc with bounding box (-20,10) to (20,-10) from 30 degrees sweeping -120 degrees, "
        "width 0\n"}},
      {"arc sweep held to a turn",
       [] { ZIVRO_arc(ZIVRO_BLACK, 0, 0, 5, 5, 0, 400, 1); },
       {"Sweep of 400 degrees not possible, using 360 degrees\n",
        "black arc with bounding box (0,5) to (5,0) from 0 degrees sweeping 360 degrees, width "
        "1\n"}},
      {"filled pie",
       [] { ZIVRO_pie(ZIVRO_PURPLE, -5, 5, 5, -5, 90, 45, 0); },
       {"purple pie with bounding box (-5,5) to (5,-5) from 90 degrees sweeping 45 degrees, "
        "filled\n"}},
      {"outlined pie, width and sweep repaired",
       [] { ZIVRO_pie(-1, 0, 0, 9, 9, 0, INT_MIN, -1); },
       {"Illegal color -1; using RED.\n", "Width of -1 not possible, using width 1\n",
        "Sweep of -2147483648 degrees not possible, using -360 degrees\n",
        "red pie with bounding box (0,9) to (9,0) from 0 degrees sweeping -360 degrees, width "
        "1\n"}},
  };
  printed();
  for (const CallCase& c : cases) {
    c.call();
    EXPECT_EQ(printed(), c.expected) << c.what;
  }
  // Logging off: the warnings stay, the sentences go; extremes are defined.
  ZIVRO_logging(0);
  ZIVRO_round_rectangle(0, INT_MIN, INT_MAX, INT_MAX, INT_MIN, INT_MAX, 0);
  ZIVRO_pie(0, INT_MIN, INT_MAX, INT_MAX, INT_MIN, INT_MAX, INT_MAX, 0);
  ZIVRO_arc(0, -1000, 1000, 1000, -1000, INT_MIN, 359, 5);
  ZIVRO_polyline(0, 2, kFive, INT_MIN);
  EXPECT_EQ(printed(), (Lines{"Sweep of 2147483647 degrees not possible, using 360 degrees\n",
                              "Width of -2147483648 not possible, using width 2147483647\n"}));
}

std::vector<uint32_t> canvas_pixels() {
  return settled_pixels(*canvas_context()->bitmap);
}

// The shapes agree with the oval and the circle they are documented by: a
// round rectangle whose box is its corners' circle is that circle, and the
// whole turn of a one-pixel arc is the outline of an oval of even width and
// height but for its last pixel (an odd size repeats a pixel where quarters meet).
TEST_F(ShapeCalls, RoundShapesAreTheOvalsOwn) {
  ZIVRO_logging(0);
  for (const int radius : {1, 2, 7, 30}) {
    ZIVRO_clear();
    ZIVRO_circle(ZIVRO_BLUE, 10, -5, radius);
    const std::vector<uint32_t> circle = canvas_pixels();
    ZIVRO_clear();
    ZIVRO_round_rectangle(ZIVRO_BLUE, 10 - radius, -5 + radius, 10 + radius, -5 - radius, radius,
                          0);
    EXPECT_EQ(canvas_pixels() == circle, true) << "radius " << radius;
  }
  ZIVRO_clear();
  ZIVRO_oval(ZIVRO_BLACK, -40, 30, 41, -21, 1);
  const std::vector<uint32_t> oval = canvas_pixels();
  for (const int start : {0, 90, 217}) {
    ZIVRO_clear();
    ZIVRO_arc(ZIVRO_BLACK, -40, 30, 41, -21, start, 360, 1);
    const std::vector<uint32_t> arc = canvas_pixels();
    int missing = 0, extra = 0;
    for (size_t i = 0; i < arc.size(); ++i) {
      missing += arc[i] != oval[i] && arc[i] == 0x00FFFFFFu;
      extra += arc[i] != oval[i] && arc[i] != 0x00FFFFFFu;
    }
    EXPECT_EQ(missing, 1) << "from " << start << " degrees";
    EXPECT_EQ(extra, 0) << "from " << start << " degrees";
  }
}

TEST_F(ShapeCalls, GoldenPicture) {
  ZIVRO_logging(0);
  draw_shape_sheet();
  ASSERT_EQ(origin_x(), kShapeSheetOriginX);
  ASSERT_EQ(origin_y(), kShapeSheetOriginY);
  const platform::BitmapObject& canvas = *canvas_context()->bitmap;
  const std::filesystem::path golden = std::filesystem::path(ZIVRO_GOLDEN_DIR) / "shape_calls.png";
  portable::Image expected;
  const bool read = portable::read_png(golden.string(), &expected);
  if (!read || expected.width != canvas.width || expected.height != canvas.height ||
      expected.pixels != settled_pixels(canvas)) {
    const std::filesystem::path out = ZIVRO_GOLDEN_OUT;
    std::filesystem::create_directories(out);
    portable::write_png((out / "shape_calls.actual.png").string(), settled_pixels(canvas).data(),
                        canvas.width, canvas.height);
    ADD_FAILURE() << "the shapes differ from " << golden.string() << "; see " << out.string();
  }
}

}  // namespace

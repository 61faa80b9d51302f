// What the drawing calls paint on the canvas: inclusive boxes, the line's
// end pixel, text cells around the reference row, the clear's frame, and
// the canvas context restored after every command.
#include <functional>
#include <vector>

#include "package_fixture.h"
#include "platform/portable/objects.h"
#include "platform/portable/png_files.h"

namespace {

constexpr uint32_t kWhite = 0xFFFFFF;
constexpr uint32_t kBlack = 0x000000;
constexpr uint32_t kRed = 0xFF0000;

class Renderer : public PackageTest {
 protected:
  void SetUp() override {
    PackageTest::SetUp();
    open();
    ZIVRO_logging(0);
    ZIVRO_clear();
  }
  const platform::BitmapObject& canvas() { return *canvas_context()->bitmap; }
  uint32_t at(int column, int row) {
    return settled_pixels(canvas())[static_cast<size_t>(row * canvas().width + column)];
  }
  // Pixels differing from white, and the box around them, in package terms.
  struct Painted {
    int count = 0;
    int left = INT32_MAX, right = INT32_MIN, top = INT32_MIN, bottom = INT32_MAX;
  };
  Painted painted() {
    Painted p;
    for (int row = 1; row < canvas().height - 1; ++row) {
      for (int column = 1; column < canvas().width - 1; ++column) {
        if (at(column, row) == kWhite) continue;
        ++p.count;
        p.left = std::min(p.left, column - origin_x());
        p.right = std::max(p.right, column - origin_x());
        p.top = std::max(p.top, origin_y() - row);
        p.bottom = std::min(p.bottom, origin_y() - row);
      }
    }
    return p;
  }
  void expect_context_restored() {
    const platform::DrawingContextObject& context = *canvas_context();
    EXPECT_EQ(context.pen, nullptr);
    EXPECT_EQ(context.brush, nullptr);
    EXPECT_EQ(context.font, nullptr);
    EXPECT_EQ(context.background_mode, OPAQUE);
  }
};

// The whole colour table: each index paints its value and logs its name.
TEST_F(Renderer, EveryColourIndexPaintsItsValueUnderItsName) {
  const std::pair<const char*, uint32_t> table[24] = {
      {"black", 0x000000},     {"white", 0xFFFFFF},        {"red", 0xFF0000},
      {"green", 0x00FF00},     {"blue", 0x0000FF},         {"yellow", 0xFFFF00},
      {"magenta", 0xFF00FF},   {"cyan", 0x00FFFF},         {"purple", 0x9900CC},
      {"navy blue", 0x003399}, {"dusty plum", 0x996699},   {"ice blue", 0x99FFFF},
      {"turquoise", 0x99FFCC}, {"orange", 0xFF6600},       {"brown", 0x996633},
      {"pink", 0xFF99CC},      {"chalk", 0xFFFF99},        {"gold", 0xCC9933},
      {"peach", 0xFF9966},     {"forest green", 0x006633}, {"sea green", 0x33CC99},
      {"olive", 0x999933},     {"50% gray", 0x808080},     {"20% gray", 0xCCCCCC},
  };
  ZIVRO_logging(1);
  for (int index = 0; index < 24; ++index) {
    ZIVRO_pixel(index, index, 0);
    EXPECT_EQ(at(origin_x() + index, origin_y()), table[index].second) << "colour " << index;
    EXPECT_EQ(headless::printed_lines().back(),
              std::string(table[index].first) + " pixel at (" + std::to_string(index) + ",0)\n");
  }
}

// Colours a program defines: numbered from 24, each value once, warnings for
// components out of range and for a full table; an index not yet defined is
// still repaired to red with the usual warning.
TEST_F(Renderer, DefinedColoursPaintTheirValueAndLogIt) {
  ZIVRO_logging(1);
  const size_t before = headless::printed_lines().size();
  ZIVRO_pixel(24, 0, 0);
  EXPECT_EQ(at(origin_x(), origin_y()), 0xFF0000u);
  EXPECT_EQ(ZIVRO_rgb(255, 128, 0), 24);
  EXPECT_EQ(ZIVRO_rgb(1, 2, 3), 25);
  EXPECT_EQ(ZIVRO_rgb(255, 128, 0), 24) << "the same value keeps its index";
  EXPECT_EQ(ZIVRO_rgb(-5, 300, 7), 26);
  ZIVRO_pixel(24, 1, 0);
  ZIVRO_pixel(26, 2, 0);
  ZIVRO_pixel(27, 3, 0);
  EXPECT_EQ(at(origin_x() + 1, origin_y()), 0xFF8000u);
  EXPECT_EQ(at(origin_x() + 2, origin_y()), 0x00FF07u);
  EXPECT_EQ(at(origin_x() + 3, origin_y()), 0xFF0000u);
  for (int blue = 0; blue < 229; ++blue) ZIVRO_rgb(9, 9, blue);
  EXPECT_EQ(ZIVRO_rgb(9, 9, 228), 255);
  EXPECT_EQ(ZIVRO_rgb(10, 10, 10), ZIVRO_RED);
  const auto& all = headless::printed_lines();
  EXPECT_EQ(std::vector<std::string>(all.begin() + static_cast<ptrdiff_t>(before), all.end()),
            (std::vector<std::string>{
                "Illegal color 24; using RED.\n", "red pixel at (0,0)\n",
                "Illegal color component -5; using 0.\n",
                "Illegal color component 300; using 255.\n", "rgb(255,128,0) pixel at (1,0)\n",
                "rgb(0,255,7) pixel at (2,0)\n", "Illegal color 27; using RED.\n",
                "red pixel at (3,0)\n", "Too many colors; using RED.\n"}));
}

// A text measured, then drawn in two pieces the first piece's width apart,
// paints what drawing it whole paints; its height is the pitch of its lines.
TEST_F(Renderer, TextMeasurementPlacesTheNextPieceWhereDrawingWould) {
  const struct {
    int ptsize;
    const char* first;
    const char* second;
  } cases[] = {{12, "Score: ", "1234"}, {30, "Wave", "fly"}, {8, "i", "W"}, {127, "A", "j"}};
  for (const auto& c : cases) {
    ZIVRO_clear();
    ZIVRO_text(ZIVRO_BLACK, -200, 0, c.ptsize, (std::string(c.first) + c.second).c_str());
    const std::vector<uint32_t> whole = settled_pixels(canvas());
    ZIVRO_clear();
    const int width = ZIVRO_text_width(c.ptsize, c.first);
    EXPECT_GT(width, 0);
    ZIVRO_text(ZIVRO_BLACK, -200, 0, c.ptsize, c.first);
    ZIVRO_text(ZIVRO_BLACK, -200 + width, 0, c.ptsize, c.second);
    EXPECT_TRUE(settled_pixels(canvas()) == whole) << c.first << c.second << " at " << c.ptsize;
    expect_context_restored();

    ZIVRO_clear();
    ZIVRO_text(ZIVRO_BLACK, 0, 0, c.ptsize, "X\nX");
    const Painted two_lines = painted();
    ZIVRO_clear();
    ZIVRO_text(ZIVRO_BLACK, 0, 0, c.ptsize, "X");
    EXPECT_EQ(painted().bottom - two_lines.bottom, ZIVRO_text_height(c.ptsize)) << c.ptsize;
  }
  EXPECT_EQ(ZIVRO_text_width(12, "ab\nlonger line\nc"), ZIVRO_text_width(12, "longer line"));
  EXPECT_EQ(ZIVRO_text_width(12, ""), 0);
  EXPECT_EQ(ZIVRO_text_width(12, nullptr), 0);
  ZIVRO_logging(1);
  EXPECT_EQ(ZIVRO_text_width(-300, "a"), ZIVRO_text_width(127, "a"));
  EXPECT_EQ(headless::printed_lines().back(), "ptsize of 300 not possible, using ptsize 127\n");
}

// The canvas saved from the program: its pixels exactly, or a warning and 0
// where no file can be written; the log names the file.
TEST_F(Renderer, SavedCanvasHoldsItsPixels) {
  ZIVRO_circle(ZIVRO_SEA_GREEN, 10, 20, 30);
  ZIVRO_text(ZIVRO_rgb(1, 2, 3), -250, 100, 20, "saved");
  ZIVRO_logging(1);
  EXPECT_EQ(ZIVRO_save_png("canvas.png"), 1);
  portable::Image image;
  ASSERT_TRUE(portable::read_png("canvas.png", &image));
  EXPECT_EQ(image.width, canvas().width);
  EXPECT_EQ(image.height, canvas().height);
  EXPECT_TRUE(image.pixels == settled_pixels(canvas()));

  std::filesystem::create_directory("a directory");
  EXPECT_EQ(ZIVRO_save_png("a directory"), 0);
  EXPECT_EQ(ZIVRO_save_png(nullptr), 0);
  const auto& lines = headless::printed_lines();
  EXPECT_EQ(std::vector<std::string>(lines.end() - 4, lines.end()),
            (std::vector<std::string>{"Saving the graphics window to \"canvas.png\"\n",
                                      "Saving the graphics window to \"a directory\"\n",
                                      "Could not save the graphics window to \"a directory\"\n",
                                      "No file name to save the graphics window to\n"}));
}

TEST_F(Renderer, FilledRectangleIncludesBothCorners) {
  ZIVRO_rectangle(ZIVRO_BLACK, 0, 10, 10, 0, 0);
  const Painted p = painted();
  EXPECT_EQ(p.count, 121);
  EXPECT_EQ(p.left, 0);
  EXPECT_EQ(p.right, 10);
  EXPECT_EQ(p.top, 10);
  EXPECT_EQ(p.bottom, 0);
  expect_context_restored();
}

TEST_F(Renderer, CirclesFillTheirInclusiveBoxes) {
  ZIVRO_circle(ZIVRO_BLACK, 5, 5, 0);
  Painted p = painted();
  EXPECT_EQ(p.count, 1);
  EXPECT_EQ(at(origin_x() + 5, origin_y() - 5), kBlack);
  ZIVRO_clear();
  ZIVRO_circle(ZIVRO_BLACK, 0, 0, 20);
  p = painted();
  EXPECT_EQ(p.left, -20);
  EXPECT_EQ(p.right, 20);
  EXPECT_EQ(p.top, 20);
  EXPECT_EQ(p.bottom, -20);
  EXPECT_GT(p.count, 1200);  // about pi * 20.5^2
  EXPECT_LT(p.count, 1400);
  expect_context_restored();
}

TEST_F(Renderer, OneWideLineLeavesItsEndPixel) {
  ZIVRO_line(ZIVRO_RED, 0, 0, 10, 0, 1);
  const Painted p = painted();
  EXPECT_EQ(p.count, 10);
  EXPECT_EQ(p.left, 0);
  EXPECT_EQ(p.right, 9);
  EXPECT_EQ(at(origin_x() + 10, origin_y()), kWhite);
  EXPECT_EQ(at(origin_x(), origin_y()), kRed);
  expect_context_restored();
}

TEST_F(Renderer, OutlinedShapesLeaveTheirInside) {
  ZIVRO_rectangle(ZIVRO_BLACK, -20, 20, 20, -20, 3);
  ZIVRO_oval(ZIVRO_BLACK, -50, 20, -30, -20, 1);
  ZIVRO_triangle(ZIVRO_BLACK, 40, 0, 80, 0, 60, 30, 1);
  EXPECT_EQ(at(origin_x(), origin_y()), kWhite);
  EXPECT_EQ(at(origin_x() - 40, origin_y()), kWhite);
  EXPECT_EQ(at(origin_x() + 60, origin_y() - 10), kWhite);
  EXPECT_EQ(at(origin_x() - 20, origin_y()), kBlack);
  EXPECT_EQ(at(origin_x() - 50, origin_y()), kBlack);
  expect_context_restored();
}

TEST_F(Renderer, PixelAndTheOriginInForce) {
  ZIVRO_pixel(ZIVRO_RED, 0, 0);
  platform::Window graphics = graphics_window();
  graphics->client = {101, 51};
  graphics_window_proc(graphics, WM_SIZE, 0, 0);
  ZIVRO_pixel(ZIVRO_RED, 0, 0);
  EXPECT_EQ(at(297, 250), kRed) << "what was painted stays";
  EXPECT_EQ(at(50, 25), kRed);
}

TEST_F(Renderer, TextLinesStandOnAndBelowTheReferenceRow) {
  ZIVRO_text(ZIVRO_BLACK, 0, 0, 20, "HH");
  Painted first = painted();
  ASSERT_GT(first.count, 0);
  EXPECT_GE(first.left, 0);
  EXPECT_GE(first.bottom, 1) << "line 0's cell ends on the row above the reference";
  ZIVRO_clear();
  ZIVRO_text(ZIVRO_BLACK, 0, 0, 20, "\nHH");
  Painted second = painted();
  ASSERT_GT(second.count, 0);
  EXPECT_LE(second.top, 0) << "line 1's cell starts on the reference row";
  EXPECT_EQ(second.count, first.count);
  EXPECT_EQ(second.left, first.left);
  expect_context_restored();
}

TEST_F(Renderer, TextHasNoBackgroundBoxAndEmptyTextPaintsNothing) {
  ZIVRO_rectangle(ZIVRO_RED, -100, 100, 100, -100, 0);
  ZIVRO_text(ZIVRO_BLACK, -50, 0, 30, "I  I");
  // Between the two letters the red stays.
  int red_on_cell_rows = 0;
  for (int row = origin_y() - 25; row < origin_y(); ++row) {
    red_on_cell_rows += at(origin_x() - 40, row) == kRed;
  }
  EXPECT_GT(red_on_cell_rows, 20);
  ZIVRO_clear();
  present_canvas();
  ZIVRO_text(ZIVRO_BLACK, 0, 0, 12, "");
  ZIVRO_text(ZIVRO_BLACK, 0, 0, 12, "\n");
  EXPECT_EQ(painted().count, 0);
  EXPECT_TRUE(canvas_dirty());
}

TEST_F(Renderer, ClippingAtTheCanvasEdges) {
  ZIVRO_circle(ZIVRO_BLACK, -300, 250, 30);
  ZIVRO_rectangle(ZIVRO_BLACK, 290, -240, 400, -400, 0);
  EXPECT_EQ(at(0, 0), kBlack);
  EXPECT_EQ(at(600, 539), kBlack);
  EXPECT_EQ(settled_pixels(canvas()).size(), 601u * 540u);
}

// Pens wider than the canvas on shapes that lie off it paint the part of
// their stroke that reaches the canvas, and extreme widths cover it all.
// Places and the painted box are in canvas pixels; the frame is left out.
TEST_F(Renderer, WidePensOffTheCanvasPaintWhatReachesIt) {
  const auto x = [](int column) { return column - origin_x(); };
  const auto y = [](int row) { return origin_y() - row; };
  constexpr int kMin = INT32_MIN, kMax = INT32_MAX;
  const struct {
    const char* what;
    std::function<void()> draw;
    int left, right, top, bottom;  // the painted box
  } cases[] = {
      {"a vertical line 1400 pixels left, width 3000: columns up to 99",
       [&] { ZIVRO_line(ZIVRO_BLACK, x(-1400), y(-2000), x(-1400), y(2000), 3000); }, 1, 99, 1,
       538},
      {"a horizontal line 2000 pixels below, width 5000: rows from 40",
       [&] { ZIVRO_line(ZIVRO_BLACK, kMin, y(2540), kMax, y(2540), 5000); }, 1, 599, 40, 538},
      {"a rectangle whose right side is 600 pixels left, width 2000: columns up to 399",
       [&] { ZIVRO_rectangle(ZIVRO_BLACK, x(-5000), y(-5000), x(-600), y(5000), 2000); }, 1, 399, 1,
       538},
      {"a line with the widest pen", [] { ZIVRO_line(ZIVRO_BLACK, kMin, kMin, kMax, kMax, kMax); },
       1, 599, 1, 538},
      {"a rectangle with the widest pen",
       [] { ZIVRO_rectangle(ZIVRO_BLACK, -10, 10, 10, -10, kMax); }, 1, 599, 1, 538},
      {"a triangle with the widest pen",
       [] { ZIVRO_triangle(ZIVRO_BLACK, kMin, 0, kMax, 7, 5, kMax, kMax); }, 1, 599, 1, 538},
      {"an ellipse with the widest pen", [] { ZIVRO_oval(ZIVRO_BLACK, -10, 10, 10, -10, kMax); }, 1,
       599, 1, 538},
  };
  for (const auto& c : cases) {
    ZIVRO_clear();
    c.draw();
    const Painted p = painted();
    EXPECT_EQ(p.count, (c.right - c.left + 1) * (c.bottom - c.top + 1)) << c.what;
    EXPECT_EQ(std::vector<int>({p.left, p.right, p.top, p.bottom}),
              std::vector<int>({x(c.left), x(c.right), y(c.top), y(c.bottom)}))
        << c.what;
  }
  // An ellipse 1400 pixels left of the canvas: its pen reaches column 99
  // where the outline is furthest right.
  ZIVRO_clear();
  ZIVRO_oval(ZIVRO_BLACK, x(-4700), y(-230), x(-1400), y(770), 3000);
  EXPECT_EQ(at(99, 270), kBlack);
  EXPECT_EQ(at(100, 270), kWhite);
  expect_context_restored();
}

TEST(ClearedCanvas, WhiteInsideABlackFrame) {
  reset_package();
  static char command_line[] = "";
  ZIVRO_open(nullptr, nullptr, command_line, SW_SHOWNORMAL);
  ZIVRO_rectangle(ZIVRO_RED, -400, 400, 400, -400, 0);
  ZIVRO_clear();
  const platform::BitmapObject& canvas = *canvas_context()->bitmap;
  for (int row = 0; row < 540; ++row) {
    for (int column = 0; column < 601; ++column) {
      const bool edge = row == 0 || row == 539 || column == 0 || column == 600;
      ASSERT_EQ(settled_pixels(canvas)[static_cast<size_t>(row * 601 + column)], edge ? 0u : kWhite)
          << column << "," << row;
    }
  }
  EXPECT_TRUE(canvas_dirty());
  reset_package();
}

}  // namespace

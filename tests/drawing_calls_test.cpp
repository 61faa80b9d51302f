// The drawing calls' repairs, warnings and log sentences, word for word and
// in order, and their results.
#include <climits>

#include "package_fixture.h"

namespace {

using Lines = std::vector<std::string>;

class DrawingCalls : public PackageTest {
 protected:
  void SetUp() override {
    PackageTest::SetUp();
    open();
    ZIVRO_logging(1);
  }
};

TEST_F(DrawingCalls, CircleWarnsForColourThenRadiusThenLogs) {
  EXPECT_EQ(ZIVRO_circle(30, 10, 20, -5), 1);
  EXPECT_EQ(printed(),
            (Lines{"Illegal color 30; using RED.\n", "Radius of -5 not possible, using radius 5\n",
                   "red circle at (10,20), radius 5\n"}));
}

TEST_F(DrawingCalls, OvalRepairsWidthBeforeColourRectangleTheOtherWay) {
  ZIVRO_oval(-1, 10, 0, 0, 10, -2);
  EXPECT_EQ(printed(),
            (Lines{"Width of -2 not possible, using width 2\n", "Illegal color -1; using RED.\n",
                   "red oval with bounding box (0,10) to (10,0), line width 2\n"}));
  ZIVRO_rectangle(24, 10, 0, 0, 10, -2);
  EXPECT_EQ(printed(),
            (Lines{"Illegal color 24; using RED.\n", "Width of -2 not possible, using width 2\n",
                   "red rectangle with bounding box (0,10) to (10,0) with line width 2\n"}));
}

TEST_F(DrawingCalls, FilledShapesAndCornerOrder) {
  ZIVRO_rectangle(23, 10, 0, 0, 10, 0);
  ZIVRO_oval(ZIVRO_NAVY_BLUE, -5, -5, 5, 5, 0);
  EXPECT_EQ(printed(), (Lines{"20% gray rectangle with bounding box (0,10) to (10,0), filled\n",
                              "navy blue oval with bounding box (-5,5) to (5,-5), filled\n"}));
}

TEST_F(DrawingCalls, LineLogsItsWidthBeforeZeroBecomesOne) {
  ZIVRO_line(0, 0, 0, 10, 0, 0);
  ZIVRO_line(1, 1, 2, 3, 4, -3);
  EXPECT_EQ(printed(), (Lines{"black line from (0,0) to (10,0), width 0\n",
                              "Width of -3 not possible, using width 3\n",
                              "white line from (1,2) to (3,4), width 3\n"}));
}

TEST_F(DrawingCalls, PointSizeRepairs) {
  ZIVRO_text(0, 1, 2, 128, "a");
  ZIVRO_text(0, 1, 2, -200, "b");
  ZIVRO_text(0, 1, 2, 0, "c");
  ZIVRO_text(0, 1, 2, 127, "d");
  EXPECT_EQ(printed(),
            (Lines{"ptsize of 128 not possible, using ptsize 127\n", "black text at (1,2), \"a\"\n",
                   "ptsize of -200 not possible, using ptsize 200\n",
                   "ptsize of 200 not possible, using ptsize 127\n", "black text at (1,2), \"b\"\n",
                   "black text at (1,2), \"c\"\n", "black text at (1,2), \"d\"\n"}));
}

TEST_F(DrawingCalls, OtherSentences) {
  ZIVRO_pixel(ZIVRO_GREEN, -3, 4);
  ZIVRO_triangle(ZIVRO_OLIVE, 1, 2, 3, 4, 5, 6, 7);
  ZIVRO_text(ZIVRO_PURPLE, 5, 6, 12, "");
  ZIVRO_clear();
  EXPECT_EQ(printed(), (Lines{"green pixel at (-3,4)\n", "olive triangle at (1,2), (3,4), (5,6)\n",
                              "purple text at (5,6), \"\"\n", "Clearing the graphics window\n"}));
}

TEST_F(DrawingCalls, LoggingOffLeavesOnlyWarnings) {
  ZIVRO_logging(0);
  printed();
  ZIVRO_circle(99, 0, 0, 3);
  ZIVRO_clear();
  ZIVRO_rectangle(0, 0, 0, 1, 1, 0);
  EXPECT_EQ(ZIVRO_undo(), 1);
  EXPECT_EQ(printed(),
            (Lines{"Illegal color 99; using RED.\n", "ZIVRO_undo is no longer supported.\n"}));
}

TEST_F(DrawingCalls, PrintfFormsReturnTheFormattedLength) {
  EXPECT_EQ(ZIVRO_textf(ZIVRO_RED, -70, -245, 12, "CURRENT SPEED: %dmph", 50), 20);
  EXPECT_EQ(ZIVRO_textf2(ZIVRO_RED, 1, 2, 12, "%s-%d", "x", 7), 3);
  EXPECT_EQ(printed(), (Lines{"red text at (-70,-245), \"CURRENT SPEED: 50mph\"\n",
                              "red text at (1,2), \"x-7\"\n"}));
  const std::string long_text(3000, 'y');
  EXPECT_EQ(ZIVRO_textf(0, 0, 0, 12, "%s", long_text.c_str()), 3000);
  EXPECT_EQ(printed().back().size(), 1023u) << "the log line is cut, not overrun";
}

TEST_F(DrawingCalls, ExtremeArgumentsAreDefined) {
  ZIVRO_logging(0);
  printed();
  ZIVRO_circle(0, INT_MAX, INT_MIN, INT_MIN);
  ZIVRO_text(0, INT_MIN, INT_MAX, INT_MIN, "x\ny");
  ZIVRO_line(0, INT_MIN, INT_MIN, INT_MAX, INT_MAX, INT_MIN);
  ZIVRO_rectangle(0, INT_MIN, INT_MAX, INT_MAX, INT_MIN, 0);
  ZIVRO_oval(0, INT_MIN, INT_MAX, INT_MAX, INT_MIN, 3);
  ZIVRO_triangle(0, INT_MIN, INT_MIN, INT_MAX, 0, 0, INT_MAX, 0);
  ZIVRO_pixel(0, INT_MIN, INT_MAX);
  EXPECT_EQ(printed(), (Lines{"Radius of -2147483648 not possible, using radius 2147483647\n",
                              "ptsize of -2147483648 not possible, using ptsize 2147483647\n",
                              "ptsize of 2147483647 not possible, using ptsize 127\n",
                              "Width of -2147483648 not possible, using width 2147483647\n"}));
}

}  // namespace

// ZIVRO_printf and the ring of the last 25 lines.
#include <algorithm>

#include "package_fixture.h"
#include "platform/portable/objects.h"

namespace {

class TextLog : public PackageTest {};

TEST_F(TextLog, RingFillsThenPushesOutTheOldest) {
  EXPECT_EQ(log_ring_first(), -1);
  EXPECT_EQ(log_ring_next(), 0);
  open();
  for (int i = 1; i <= 25; ++i) ZIVRO_printf("line %d\n", i);
  EXPECT_EQ(log_ring_first(), 0);
  EXPECT_EQ(log_ring_next(), 0);
  EXPECT_EQ(*log_ring_line(24), "line 25\n");
  ZIVRO_printf("line 26\n");
  EXPECT_EQ(log_ring_first(), 1);
  EXPECT_EQ(log_ring_next(), 1);
  EXPECT_EQ(*log_ring_line(0), "line 26\n");
  EXPECT_EQ(*log_ring_line(1), "line 2\n");
}

TEST_F(TextLog, ResultAndStoredCopy) {
  open();
  EXPECT_EQ(ZIVRO_printf("%s", ""), 0);
  EXPECT_EQ(*log_ring_line(0), "");
  EXPECT_EQ(ZIVRO_printf("%d\n", 123), 4);
  EXPECT_EQ(*log_ring_line(1), "123\n") << "the stored copy keeps its newline";
  EXPECT_EQ(headless::printed_lines(), (std::vector<std::string>{"", "123\n"}));
}

TEST_F(TextLog, PrintingBeforeOpeningStoresTheLine) {
  EXPECT_EQ(ZIVRO_printf("early %d\n", 1), 8);
  EXPECT_EQ(*log_ring_line(0), "early 1\n");
}

TEST_F(TextLog, LongLinesAreCutNeverOverrun) {
  open();
  const std::string long_text(5000, 'x');
  EXPECT_EQ(ZIVRO_printf("%s!", long_text.c_str()), 5001);
  EXPECT_EQ(log_ring_line(0)->size(), 1023u);
  EXPECT_EQ(headless::printed_lines().back().size(), 1023u);
}

TEST_F(TextLog, PutLineRemovesOnlyOneTrailingNewline) {
  char twice[] = "a\nb\n\n";
  text_window_put_line(twice);
  EXPECT_STREQ(twice, "a\nb\n");
  char empty[] = "";
  text_window_put_line(empty);
  EXPECT_STREQ(empty, "");
}

TEST_F(TextLog, RepaintStripsOneNewlinePerReplay) {
  open();
  ZIVRO_printf("two\n\n");
  platform::Window text = text_window();
  text_window_proc(text, WM_PAINT, 0, 0);
  EXPECT_EQ(*log_ring_line(0), "two\n");
  text_window_proc(text, WM_PAINT, 0, 0);
  EXPECT_EQ(*log_ring_line(0), "two");
}

}  // namespace

namespace {

class TextWindowPainting : public PackageTest {
 protected:
  const platform::BitmapObject& surface() { return text_window()->surface; }
  // Rows of the text window holding anything but white.
  std::vector<int> inked_rows() {
    std::vector<int> rows;
    const platform::BitmapObject& s = surface();
    for (int row = 0; row < s.height; ++row) {
      for (int column = 0; column < s.width; ++column) {
        if (settled_pixels(s)[static_cast<size_t>(row * s.width + column)] != 0xFFFFFFu) {
          rows.push_back(row);
          break;
        }
      }
    }
    return rows;
  }
};

TEST_F(TextWindowPainting, EachLineScrollsTheOthersUpOneLine) {
  open();
  ZIVRO_printf("first line\n");
  const std::vector<int> one = inked_rows();
  ASSERT_FALSE(one.empty());
  EXPECT_GT(one.front(), surface().height - 20) << "drawn on the bottom line";
  ZIVRO_printf("second line\n");
  const std::vector<int> two = inked_rows();
  const int line_height = one.front() - two.front();
  EXPECT_GT(line_height, 10);
  EXPECT_LT(line_height, 20);
  ZIVRO_printf("%s", "");
  const std::vector<int> blank_bottom = inked_rows();
  EXPECT_EQ(blank_bottom.back(), two.back() - line_height)
      << "an empty line leaves the bottom blank";
}

// A line's text starts 5 pixels in from the client's left edge: the bar of
// the monospaced face stands in the middle of its cell.
TEST_F(TextWindowPainting, ALineStartsFivePixelsIn) {
  open();
  ZIVRO_printf("|\n");
  const platform::BitmapObject& s = surface();
  int leftmost = s.width;
  for (int row = 0; row < s.height; ++row) {
    for (int column = 0; column < leftmost; ++column) {
      if (settled_pixels(s)[static_cast<size_t>(row * s.width + column)] != 0xFFFFFFu)
        leftmost = column;
    }
  }
  const platform::DrawingContext context = platform::window_context(text_window());
  const platform::TextMetrics metrics = platform::text_metrics(context);
  EXPECT_EQ(leftmost, 5 + metrics.average_width / 2);
}

TEST_F(TextWindowPainting, NewLineClearsTheWholeWidthOfTheBottomStrip) {
  open();
  platform::Window text = text_window();
  std::fill(settled_pixels(text->surface).begin(), settled_pixels(text->surface).end(),
            0x000000u);  // stale ink
  ZIVRO_printf("%s", "");
  const platform::BitmapObject& s = surface();
  // Lines are more than 10 rows high: the last 10 rows lie in the new line.
  for (int row = s.height - 10; row < s.height; ++row) {
    for (int column = 0; column < s.width; ++column) {
      ASSERT_EQ(settled_pixels(s)[static_cast<size_t>(row * s.width + column)], 0xFFFFFFu)
          << "column " << column << " of row " << row;
    }
  }
}

// Every row starts with a colour of its own, so the scroll's distance shows
// exactly: each row must hold what stood one line height below it, and every
// row the scroll uncovered must be repainted white.
TEST_F(TextWindowPainting, ALineScrollsByTheLineHeightAndRepaintsWhatItUncovers) {
  open();
  platform::Window text = text_window();
  platform::DrawingContext context = platform::window_context(text);
  platform::select_font(context, platform::fixed_pitch_font());
  const platform::TextMetrics metrics = platform::text_metrics(context);
  platform::release_window_context(text, context);
  const int line_height = metrics.height + metrics.external_leading;
  ASSERT_GT(line_height, 0);

  std::vector<uint32_t>& pixels = settled_pixels(text->surface);
  const int width = text->surface.width;
  const int height = text->surface.height;
  for (int row = 0; row < height; ++row) {
    std::fill_n(pixels.begin() + row * width, width, static_cast<uint32_t>(row));
  }
  ZIVRO_printf("%s", "");
  for (int row = 0; row < height; ++row) {
    const uint32_t expected =
        row < height - line_height ? static_cast<uint32_t>(row + line_height) : 0xFFFFFFu;
    for (int column = 0; column < width; ++column) {
      ASSERT_EQ(pixels[static_cast<size_t>(row * width + column)], expected)
          << "column " << column << " of row " << row << "; line height " << line_height;
    }
  }
}

TEST_F(TextWindowPainting, RepaintReplaysTheRing) {
  open();
  for (int i = 1; i <= 30; ++i) ZIVRO_printf("line %d of thirty\n", i);
  const std::vector<uint32_t> before = settled_pixels(surface());
  platform::Window text = text_window();
  // As the platform does before a repaint: erase with the white background.
  std::fill(settled_pixels(text->surface).begin(), settled_pixels(text->surface).end(), 0xFFFFFFu);
  text_window_proc(text, WM_PAINT, 0, 0);
  EXPECT_EQ(settled_pixels(surface()), before);
}

}  // namespace

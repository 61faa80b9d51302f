// ZIVRO_printf and the ring of the last 25 lines.
#include "package_fixture.h"

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

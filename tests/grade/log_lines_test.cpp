// zivro-grade's comparison of two runs' text-window logs: the first
// differing line named, the diff's hunks and its cap.
#include "log_lines.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>

namespace {

std::string lines(char from, char to) {
  std::string text;
  for (char c = from; c <= to; ++c) text += std::string(1, c) + "\n";
  return text;
}

TEST(GradeLogLines, NamesTheFirstDifferingLineAndShowsTheHunks) {
  struct Case {
    const char* what;
    std::string expected, actual;
    long line;
    std::string detail, diff;
  };
  const std::string head = "--- expected\n+++ actual\n";
  const Case cases[] = {
      {"equal", lines('a', 'j'), lines('a', 'j'), 0, "", ""},
      {"one line changed", lines('a', 'j'), "a\nb\nc\nd\nE\nf\ng\nh\ni\nj\n", 5,
       "log line 5: expected `e`, got `E`", head + "@@ -3,5 +3,5 @@\n c\n d\n-e\n+E\n f\n g\n"},
      {"ended early", "a\nb\nc\n", "a\n", 2, "log line 2: expected `b`, the log ended",
       head + "@@ -1,3 +1,1 @@\n a\n-b\n-c\n"},
      {"one line more", "a\n", "a\nb\n", 2, "log line 2: expected the log to end, got `b`",
       head + "@@ -1,1 +1,2 @@\n a\n+b\n"},
      {"two changes far apart, two hunks", lines('a', 'o'), "A\n" + lines('b', 'n') + "O\n", 1,
       "log line 1: expected `a`, got `A`",
       head + "@@ -1,3 +1,3 @@\n-a\n+A\n b\n c\n@@ -13,3 +13,3 @@\n m\n n\n-o\n+O\n"},
      {"two changes close together, one hunk", lines('a', 'e'), "A\nb\nc\nd\nE\n", 1,
       "log line 1: expected `a`, got `A`", head + "@@ -1,5 +1,5 @@\n-a\n+A\n b\n c\n d\n-e\n+E\n"},
  };
  for (const Case& c : cases) {
    const grade::LogDifference difference = grade::compare_logs(c.expected, c.actual);
    EXPECT_EQ(difference.line, c.line) << c.what;
    EXPECT_EQ(difference.detail, c.detail) << c.what;
    EXPECT_EQ(difference.diff, c.diff) << c.what;
  }
}

TEST(GradeLogLines, CapsTheChangedLinesShown) {
  std::string expected, actual;
  for (int i = 0; i < 3000; ++i) {
    expected += "expected " + std::to_string(i) + "\n";
    actual += "actual " + std::to_string(i) + "\n";
  }
  // Small enough to match line by line, and too large to (replaced whole).
  for (size_t count : {size_t{30}, size_t{3000}}) {
    std::string want, got;
    for (size_t i = 0, at = 0, at_got = 0; i < count; ++i) {
      const size_t end = expected.find('\n', at) + 1, end_got = actual.find('\n', at_got) + 1;
      want += expected.substr(at, end - at);
      got += actual.substr(at_got, end_got - at_got);
      at = end;
      at_got = end_got;
    }
    const grade::LogDifference difference = grade::compare_logs(want, got, 20);
    EXPECT_EQ(difference.line, 1) << count;
    const std::string left_out =
        "[... " + std::to_string(2 * count - 20) + " more changed lines ...]\n";
    ASSERT_GE(difference.diff.size(), left_out.size()) << count;
    EXPECT_EQ(difference.diff.substr(difference.diff.size() - left_out.size()), left_out) << count;
    std::istringstream diff(difference.diff);
    size_t shown = 0;
    for (std::string line; std::getline(diff, line);) {
      shown += (line[0] == '-' || line[0] == '+') && line != "--- expected" && line != "+++ actual";
    }
    EXPECT_EQ(shown, 20u) << count;
  }
}

}  // namespace

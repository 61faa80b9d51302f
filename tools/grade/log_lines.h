// Comparing the lines two runs printed to the text window (the runner's --log).
#pragma once

#include <string>

namespace grade {

struct LogDifference {
  long line = 0;       // the first line that differs, from 1; 0 when the logs are equal
  std::string detail;  // that line of each, in words
  std::string diff;    // the differing lines with a little context, unified-style, capped
};

// `shown` caps the lines of each side the diff shows; `context` lines of
// the lines both share stand around them.
LogDifference compare_logs(const std::string& expected, const std::string& actual,
                           size_t shown = 20, size_t context = 2);

}  // namespace grade

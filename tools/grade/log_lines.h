// Comparing the lines two runs printed to the text window (the runner's --log).
#pragma once

#include <string>

namespace grade {

struct LogDifference {
  long line = 0;       // the first line that differs, from 1; 0 when the logs are equal
  std::string detail;  // that line of each, in words
  std::string diff;    // the differing lines with a little context, unified-style, capped
};

// The log a run wrote, at most a few megabytes of it; empty, with *found
// false, unless it is a plain file (never read through a link).
std::string read_log_file(const std::string& path, bool* found = nullptr);

// `shown` caps the lines of each side the diff shows; `context` lines of
// the lines both share stand around them.
LogDifference compare_logs(const std::string& expected, const std::string& actual,
                           size_t shown = 20, size_t context = 2);

}  // namespace grade

#include "log_lines.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <vector>

namespace grade {
namespace {

std::vector<std::string> split_lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream stream(text);
  for (std::string line; std::getline(stream, line);) lines.push_back(line);
  return lines;
}

std::string quoted(const std::string& line) {
  constexpr size_t kLongest = 120;
  return "`" + (line.size() > kLongest ? line.substr(0, kLongest) + "..." : line) + "`";
}

// One step of an edit script: a line both share, or one only one side has.
struct Step {
  char mark;         // ' ', '-' or '+'
  size_t want, got;  // the line's index in each side (the one its side has)
};

// The steps from `want` to `got`: the shared start and end as they are, the
// middle by a longest common subsequence when it is small enough to find
// quickly, else all of it replaced.
std::vector<Step> edit_script(const std::vector<std::string>& want,
                              const std::vector<std::string>& got) {
  size_t start = 0;
  while (start < want.size() && start < got.size() && want[start] == got[start]) ++start;
  size_t end = 0;
  while (end < want.size() - start && end < got.size() - start &&
         want[want.size() - 1 - end] == got[got.size() - 1 - end]) {
    ++end;
  }
  std::vector<Step> steps;
  for (size_t i = 0; i < start; ++i) steps.push_back({' ', i, i});
  const size_t rows = want.size() - start - end, columns = got.size() - start - end;
  constexpr size_t kLargestTable = 4u << 20;
  if (rows * columns <= kLargestTable) {
    // common[i][j]: the longest common subsequence of the middles from i and j on.
    std::vector<unsigned> common((rows + 1) * (columns + 1), 0);
    auto at = [&](size_t i, size_t j) -> unsigned& { return common[i * (columns + 1) + j]; };
    for (size_t i = rows; i-- > 0;) {
      for (size_t j = columns; j-- > 0;) {
        at(i, j) = want[start + i] == got[start + j] ? at(i + 1, j + 1) + 1
                                                     : std::max(at(i + 1, j), at(i, j + 1));
      }
    }
    size_t i = 0, j = 0;
    while (i < rows || j < columns) {
      if (i < rows && j < columns && want[start + i] == got[start + j]) {
        steps.push_back({' ', start + i++, start + j++});
      } else if (i < rows && (j == columns || at(i + 1, j) >= at(i, j + 1))) {
        steps.push_back({'-', start + i++, start + j});
      } else {
        steps.push_back({'+', start + i, start + j++});
      }
    }
  } else {
    for (size_t i = 0; i < rows; ++i) steps.push_back({'-', start + i, start});
    for (size_t j = 0; j < columns; ++j) steps.push_back({'+', start + rows, start + j});
  }
  for (size_t k = end; k-- > 0;) steps.push_back({' ', want.size() - 1 - k, got.size() - 1 - k});
  return steps;
}

}  // namespace

std::string read_log_file(const std::string& path, bool* found) {
  std::error_code code;
  const bool plain = std::filesystem::is_regular_file(std::filesystem::symlink_status(path, code));
  if (found) *found = plain;
  if (!plain) return {};
  std::ifstream file(path, std::ios::binary);
  std::string text(4 << 20, '\0');
  file.read(text.data(), static_cast<std::streamsize>(text.size()));
  text.resize(static_cast<size_t>(file.gcount()));
  return text;
}

LogDifference compare_logs(const std::string& expected, const std::string& actual, size_t shown,
                           size_t context) {
  const std::vector<std::string> want = split_lines(expected);
  const std::vector<std::string> got = split_lines(actual);
  LogDifference difference;
  size_t first = 0;
  while (first < want.size() && first < got.size() && want[first] == got[first]) ++first;
  if (first == want.size() && first == got.size()) return difference;
  difference.line = static_cast<long>(first + 1);
  const std::string where = "log line " + std::to_string(first + 1);
  if (first == got.size()) {
    difference.detail = where + ": expected " + quoted(want[first]) + ", the log ended";
  } else if (first == want.size()) {
    difference.detail = where + ": expected the log to end, got " + quoted(got[first]);
  } else {
    difference.detail = where + ": expected " + quoted(want[first]) + ", got " + quoted(got[first]);
  }

  // Hunks: the changed steps with `context` shared lines around each, hunks
  // whose context would touch merged; at most `shown` changed lines in all.
  const std::vector<Step> steps = edit_script(want, got);
  std::string& diff = difference.diff;
  diff = "--- expected\n+++ actual\n";
  size_t changed = 0, left_out = 0;
  for (size_t k = 0; k < steps.size();) {
    if (steps[k].mark == ' ') {
      ++k;
      continue;
    }
    if (changed >= shown) {
      left_out += steps[k++].mark != ' ';
      continue;
    }
    // The hunk runs on while the next change is within twice the context.
    size_t last_change = k;
    for (size_t t = k + 1; t < steps.size() && t - last_change <= 2 * context; ++t) {
      if (steps[t].mark != ' ') last_change = t;
    }
    const size_t from = k - std::min(k, context);
    const size_t to = std::min(steps.size(), last_change + 1 + context);
    size_t want_lines = 0, got_lines = 0;
    for (size_t t = from; t < to; ++t) {
      want_lines += steps[t].mark != '+';
      got_lines += steps[t].mark != '-';
    }
    diff += "@@ -" + std::to_string(steps[from].want + 1) + "," + std::to_string(want_lines) +
            " +" + std::to_string(steps[from].got + 1) + "," + std::to_string(got_lines) + " @@\n";
    for (size_t t = from; t < to; ++t) {
      const Step& step = steps[t];
      if (step.mark != ' ' && changed++ >= shown) {
        ++left_out;
        continue;
      }
      diff += step.mark + (step.mark == '+' ? got[step.got] : want[step.want]) + "\n";
    }
    k = to;
  }
  if (left_out) diff += "[... " + std::to_string(left_out) + " more changed lines ...]\n";
  return difference;
}

}  // namespace grade

#include "platform/portable/command_line.h"

#include <cstddef>

namespace portable {

namespace {

bool needs_quotes(const std::string& argument) {
  return argument.empty() || argument.find_first_of(" \t\n\v\"") != std::string::npos;
}

void append_quoted(std::string& line, const std::string& argument) {
  line += '"';
  size_t backslashes = 0;
  for (const char c : argument) {
    if (c == '\\') {
      ++backslashes;
      continue;
    }
    // Backslashes before a quote are doubled, and one more escapes the quote.
    const size_t count = c == '"' ? 2 * backslashes + 1 : backslashes;
    line.append(count, '\\');
    line += c;
    backslashes = 0;
  }
  // Before the closing quote, backslashes are doubled so it stays a quote.
  line.append(2 * backslashes, '\\');
  line += '"';
}

}  // namespace

std::string windows_command_line(const std::vector<std::string>& arguments) {
  std::string line;
  for (const std::string& argument : arguments) {
    if (&argument != &arguments.front()) line += ' ';
    if (needs_quotes(argument)) {
      append_quoted(line, argument);
    } else {
      line += argument;
    }
  }
  return line;
}

}  // namespace portable

// The events of a script as playback serves them, counted the way the
// runner's --digests counts them: each tick of a ZIVRO_PERIODIC(n) line is
// one event, every other event line one, answer lines none.
#pragma once

#include <string>
#include <vector>

namespace grade {

struct ScriptEventLine {
  int line = 0;      // 1-based line number in the file
  std::string text;  // the line without its line break
  long first = 0;    // number of its first event, from 1
  long count = 0;    // events it plays
};

struct ScriptEvents {
  std::vector<ScriptEventLine> lines;
  long total = 0;
  // Lines that end playback before the file does (no event, too long), 0 if none.
  int stops_at_line = 0;
  std::string stop_reason;
};

// Reads the script; false (with *error) if it cannot be read.
bool read_script_events(const std::string& path, ScriptEvents* events, std::string* error);

// "after event 12 of 45, `ZIVRO_MOUSE(-250, 175);`", or "before the first event".
std::string describe_after_event(const ScriptEvents& events, long played);

}  // namespace grade

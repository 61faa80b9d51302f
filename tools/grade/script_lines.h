// The events of a script as playback serves them, counted the way the
// runner's --digests counts them: each tick of a ZIVRO_PERIODIC(n) line is
// one event, every other event line one, answer lines none.
#pragma once

#include <string>
#include <vector>

namespace grade {

struct ScriptEventLine {
  int line = 0;           // 1-based line number in the file
  std::string text;       // the line without its line break
  long first = 0;         // number of its first event, from 1
  long count = 0;         // events it plays
  bool periodic = false;  // a ZIVRO_PERIODIC line: each of its events is a tick
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

// Ticks of the clock are the periodic events, counted from 1 through the
// whole script. The event number of tick `tick`: 0 for tick 0 (the start,
// before any event), -1 past the script's last tick.
long event_of_tick(const ScriptEvents& events, long tick);
long ticks_played(const ScriptEvents& events);

// "after event 12 of 45, `ZIVRO_MOUSE(-250, 175);`", or "before the first event".
std::string describe_after_event(const ScriptEvents& events, long played);

}  // namespace grade

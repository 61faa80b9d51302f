#include "script_lines.h"

#include <climits>
#include <cstdio>
#include <fstream>
#include <iterator>

namespace grade {
namespace {

// The lines of the opt-in kinds, known by their name and "(": one event each.
constexpr const char* kOptInNames[] = {"ZIVRO_KEY_PRESS(",     "ZIVRO_KEY_RELEASE(",
                                       "ZIVRO_MOUSE_RELEASE(", "ZIVRO_MOUSE_DRAG(",
                                       "ZIVRO_MOUSE_RIGHT(",   "ZIVRO_MOUSE_MIDDLE("};
constexpr size_t kKindIndex = 6;      // the letter after "ZIVRO_"
constexpr size_t kLongestLine = 511;  // what the package's reader takes in one line

bool starts_with(const std::string& line, const char* prefix) {
  return line.rfind(prefix, 0) == 0;
}

// The first run of digits after the kind letter, as a tick count: 0 and 1
// both play one tick; a count too large for an int saturates.
long periodic_count(const std::string& line) {
  size_t i = kKindIndex + 1;
  while (i < line.size() && (line[i] < '0' || line[i] > '9')) ++i;
  long long value = 0;
  for (; i < line.size() && line[i] >= '0' && line[i] <= '9'; ++i) {
    value = value * 10 + (line[i] - '0');
    if (value > INT_MAX) value = INT_MAX;
  }
  return value < 1 ? 1 : static_cast<long>(value);
}

}  // namespace

bool read_script_events(const std::string& path, ScriptEvents* events, std::string* error) {
  *events = ScriptEvents{};
  std::ifstream file(path, std::ios::binary);
  if (!file) {
    *error = "cannot read " + path;
    return false;
  }
  std::string text((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
  if (text.rfind("\xEF\xBB\xBF", 0) == 0) text.erase(0, 3);
  size_t at = 0;
  int number = 0;
  // The last line is played only if a line break ends it.
  for (size_t end; (end = text.find('\n', at)) != std::string::npos; at = end + 1) {
    ++number;
    std::string line = text.substr(at, end - at);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.empty()) continue;
    if (starts_with(line, "ZIVRO_GETS(") || starts_with(line, "ZIVRO_GETS_PART(")) continue;
    if (line.size() > kLongestLine) {
      events->stops_at_line = number;
      events->stop_reason = "longer than 511 characters";
      break;
    }
    long count = 0;
    bool periodic = false;
    for (const char* name : kOptInNames) {
      if (starts_with(line, name)) count = 1;
    }
    if (count == 0 && line.size() > kKindIndex) {
      const char kind = line[kKindIndex];
      if (kind == 'M' || kind == 'K') count = 1;
      if (kind == 'P') count = periodic_count(line);
      periodic = kind == 'P' && count > 0;
    }
    if (count == 0) {
      events->stops_at_line = number;
      events->stop_reason = "no event line: playback stops there";
      break;
    }
    events->lines.push_back({number, line, events->total + 1, count, periodic});
    events->total += count;
  }
  return true;
}

long event_of_tick(const ScriptEvents& events, long tick) {
  if (tick == 0) return 0;
  long before = 0;  // ticks of the lines before this one
  for (const ScriptEventLine& line : events.lines) {
    if (!line.periodic) continue;
    if (tick <= before + line.count) return line.first + (tick - before) - 1;
    before += line.count;
  }
  return -1;
}

long ticks_played(const ScriptEvents& events) {
  long ticks = 0;
  for (const ScriptEventLine& line : events.lines) ticks += line.periodic ? line.count : 0;
  return ticks;
}

std::string describe_after_event(const ScriptEvents& events, long played) {
  if (played <= 0) return "before the first event";
  const std::string of = " of " + std::to_string(events.total);
  for (const ScriptEventLine& line : events.lines) {
    if (played < line.first || played >= line.first + line.count) continue;
    std::string text = "after event " + std::to_string(played) + of + ", `" + line.text + "`";
    if (line.count > 1) {
      text += " (tick " + std::to_string(played - line.first + 1) + " of " +
              std::to_string(line.count) + ")";
    }
    return text;
  }
  return "after event " + std::to_string(played) + of;
}

}  // namespace grade

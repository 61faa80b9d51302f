// Recording events to ZIVRO.SCR and playing them back.
//
// Lines end in CR LF on every platform, so a script moves between builds
// unchanged; the reader takes CR LF and a lone LF alike.
//
// A recording keeps the file a complete script at every moment: each line
// is flushed as it is written, and the line of the run of ticks in progress
// is rewritten in place at each tick. Its count only grows, so each new
// version covers the old one; the run's line is the file's last until
// another event ends the run.
#include "script.h"

#include <zivro.h>

#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstring>

#include "platform/platform.h"
#include "script_testing.h"

namespace {

enum class Direction { kNone, kWriting, kReading };

struct ScriptState {
  std::FILE* file = nullptr;
  Direction direction = Direction::kNone;
  // Playback: periodic events still to be served from the last periodic
  // line read (-1 after a count of 0).
  int playback_remaining = 0;
  // Recording: ticks of the run in progress, and the count its line in the
  // file holds (0 while it has none there).
  int recorded_run = 0;
  int run_on_disk = 0;
  std::fpos_t run_start{};         // where the run's line begins
  std::fpos_t end{};               // just after the last line written whole
  bool run_open_reported = false;  // the run's failed open was reported once
  bool write_failing = false;      // a failed write was reported, none has worked since
  bool write_failed = false;       // some line was lost since the start
  bool served_event = false;       // the current wait's event came from the script
  bool recording = false;          // the run menu's Record Script is on
  bool playing = false;            // the run menu's Playback Script is on
  long events_served = 0;          // every event a playback served since the start
  // The lines played since the file was opened for reading, each ended by
  // CR LF, and where the last periodic line among them begins: a recording
  // that takes the file over begins with them.
  std::string played;
  size_t played_run_start = std::string::npos;
  int played_run_count = 0;
  std::string record_path = kScriptFileName;
  std::string play_path = kScriptFileName;
};

ScriptState script;

constexpr size_t kKindIndex = 6;  // the letter after "ZIVRO_"
constexpr int kAllModifiers = ZIVRO_MOD_SHIFT | ZIVRO_MOD_CTRL | ZIVRO_MOD_ALT;
constexpr int kAllButtons = ZIVRO_BUTTON_LEFT | ZIVRO_BUTTON_RIGHT | ZIVRO_BUTTON_MIDDLE;

bool is_digit(char c) {
  return c >= '0' && c <= '9';
}

// Finds the next number run in [*at, end): digits, and with signed also the
// minus sign, start and continue it. Converts it as atoi would (an optional
// leading minus, then digits up to the first non-digit), saturating at the
// 32-bit limits instead of overflowing. No run left gives 0.
int next_number(const char* line, size_t length, size_t* at, bool is_signed) {
  auto starts = [&](char c) { return is_digit(c) || (is_signed && c == '-'); };
  size_t i = *at;
  while (i < length && !starts(line[i])) ++i;
  const size_t begin = i;
  while (i < length && starts(line[i])) ++i;
  *at = i;

  size_t j = begin;
  const bool negative = j < i && line[j] == '-';
  if (negative) ++j;
  int64_t value = 0;
  for (; j < i && is_digit(line[j]); ++j) {
    value = value * 10 + (line[j] - '0');
    if (value > int64_t{INT_MAX} + 1) value = int64_t{INT_MAX} + 1;  // saturated
  }
  if (negative) value = -value;
  if (value > INT_MAX) return INT_MAX;
  if (value < INT_MIN) return INT_MIN;
  return static_cast<int>(value);
}

constexpr const char* kAnswerLine = "ZIVRO_GETS(";
constexpr const char* kAnswerPartLine = "ZIVRO_GETS_PART(";
// Escaped text per answer line, so that lines stay far below the reader's
// 511 characters; a longer answer takes several lines.
constexpr size_t kAnswerChunk = 200;

bool starts_with(const char* line, size_t length, const char* prefix) {
  const size_t n = std::strlen(prefix);
  return length >= n && std::memcmp(line, prefix, n) == 0;
}

// The lines of the opt-in kinds: the name with its "(", then the numbers.
enum class LineShape {
  kKey,              // key code, modifiers
  kMouse,            // x, y, modifiers
  kMouseWithButton,  // x, y, button, modifiers
};
struct OptInLine {
  int kind;
  const char* name;
  LineShape shape;
};
constexpr OptInLine kOptInLines[] = {
    {ZIVRO_KEY_PRESS, "ZIVRO_KEY_PRESS(", LineShape::kKey},
    {ZIVRO_KEY_RELEASE, "ZIVRO_KEY_RELEASE(", LineShape::kKey},
    {ZIVRO_MOUSE_RELEASE, "ZIVRO_MOUSE_RELEASE(", LineShape::kMouseWithButton},
    {ZIVRO_MOUSE_DRAG, "ZIVRO_MOUSE_DRAG(", LineShape::kMouseWithButton},
    {ZIVRO_MOUSE_RIGHT, "ZIVRO_MOUSE_RIGHT(", LineShape::kMouse},
    {ZIVRO_MOUSE_MIDDLE, "ZIVRO_MOUSE_MIDDLE(", LineShape::kMouse},
    {ZIVRO_MOUSE_MOVE, "ZIVRO_MOUSE_MOVE(", LineShape::kMouse},
    {ZIVRO_MOUSE_WHEEL, "ZIVRO_MOUSE_WHEEL(", LineShape::kMouseWithButton},
};

const OptInLine* opt_in_line(int kind) {
  for (const OptInLine& named : kOptInLines) {
    if (named.kind == kind) return &named;
  }
  return nullptr;
}

bool is_answer_line(const char* line, size_t length) {
  return starts_with(line, length, kAnswerLine) || starts_with(line, length, kAnswerPartLine);
}

bool open_for_reading() {
  script.file = platform::open_regular_file(script.play_path.c_str(), false);
  if (!script.file) return false;
  // A byte-order mark, as Notepad writes one, is no part of the first line.
  char mark[3] = {};
  if (std::fread(mark, 1, 3, script.file) != 3 || std::memcmp(mark, "\xEF\xBB\xBF", 3) != 0) {
    std::rewind(script.file);
  }
  script.direction = Direction::kReading;
  script.played.clear();
  script.played_run_start = std::string::npos;
  return true;
}

// Keeps a line that was played, as the reader took it.
void note_played(const char* line, size_t length) {
  if (length > 0 && line[length - 1] == '\n') --length;
  script.played.append(line, length);
  script.played += "\r\n";
}

// The lines played, with a periodic line whose ticks were not all served
// cut to those that were.
std::string played_lines() {
  std::string lines = script.played;
  const int served = script.played_run_count - script.playback_remaining;
  if (script.played_run_start != std::string::npos && script.playback_remaining > 0) {
    lines.resize(script.played_run_start);
    if (served > 0) lines += "ZIVRO_PERIODIC(" + std::to_string(served) + ");\r\n";
  }
  return lines;
}

}  // namespace

void script_record_to(const std::string& path) {
  script.record_path = path;
}
void script_play_from(const std::string& path) {
  script.play_path = path;
}

namespace {

void report_write_failure() {
  script.write_failed = true;
  if (script.write_failing) return;  // once per episode, not once per tick
  script.write_failing = true;
  ZIVRO_printf("Cannot write script file %s\n", kScriptFileName);
}

// A playback that is on keeps the file it reads; a recording writes nothing
// meanwhile.
bool held_by_playback() {
  return script.direction == Direction::kReading && script.playing;
}

bool put_line(const char* text, size_t length);

// Makes sure the file is open for writing. A file left open for reading by
// a playback that is no longer on (its end reached, or after Play One) is
// taken over: the lines it played begin the recording, in place of the
// rest, so that the recording replays what was shown.
bool open_for_writing(bool report) {
  if (held_by_playback()) return false;
  std::string kept;
  if (script.direction == Direction::kReading) {
    kept = played_lines();
    script_close();
  }
  if (script.file) return true;
  script.file = platform::open_regular_file(script.record_path.c_str(), true);
  if (!script.file || std::fgetpos(script.file, &script.end) != 0) {
    if (script.file) std::fclose(script.file);
    script.file = nullptr;
    script.write_failed = true;
    if (report) ZIVRO_printf("Cannot open script file %s for writing\n", kScriptFileName);
    return false;
  }
  script.direction = Direction::kWriting;
  return kept.empty() || put_line(kept.data(), kept.size());
}

// Writes text at `at` and flushes it; `end` is then just after it. Every
// write goes to a position of its own, so a failed one leaves nothing
// behind in the stream for the next.
bool put_at(const std::fpos_t& at, const char* text, size_t length) {
  std::clearerr(script.file);
  const bool written = std::fsetpos(script.file, &at) == 0 &&
                       std::fwrite(text, 1, length, script.file) == length &&
                       std::fflush(script.file) == 0 && std::fgetpos(script.file, &script.end) == 0;
  if (!written) {
    report_write_failure();
    return false;
  }
  script.write_failing = false;
  return true;
}

bool put_line(const char* text, size_t length) {
  return put_at(script.end, text, length);
}

// Brings the run's line in the file up to its count: in place of the
// line it had, or as a new last line.
bool write_run(bool report) {
  if (!open_for_writing(report)) return false;
  if (script.run_on_disk == script.recorded_run) return true;
  char line[40];
  const int length =
      std::snprintf(line, sizeof line, "ZIVRO_PERIODIC(%d);\r\n", script.recorded_run);
  if (script.run_on_disk == 0) script.run_start = script.end;
  if (!put_at(script.run_start, line, static_cast<size_t>(length))) return false;
  script.run_on_disk = script.recorded_run;
  return true;
}

// Ends the run in progress, its line written whole. False when that line
// could not be written to an open file: nothing may follow it then.
bool end_run() {
  bool kept = true;
  if (script.recorded_run > 0) {
    kept = write_run(!script.run_open_reported) || !script.file;
  }
  script.recorded_run = 0;
  script.run_on_disk = 0;
  return kept;
}

// The next line that is not empty; at_end as read_script_line sets it.
size_t read_event_line(char (&line)[512], bool* at_end) {
  size_t length = read_script_line(script.file, line, at_end);
  while (!*at_end && length > 0 && line[0] == '\n') {
    length = read_script_line(script.file, line, at_end);
  }
  return length;
}

}  // namespace

bool script_recording() {
  return script.recording;
}
bool script_playing() {
  return script.playing;
}
void script_set_playing(bool on) {
  script.playing = on;
}

int periodic_run_counter() {
  return script.recorded_run;
}
void set_periodic_run_counter(int count) {
  script.recorded_run = count;
  script.run_on_disk = 0;
}
int playback_ticks_remaining() {
  return script.playback_remaining;
}
bool script_write_failed() {
  return script.write_failed;
}

std::string escape_answer(const std::string& text) {
  std::string escaped;
  for (const char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte >= 0x20 && byte < 0x7F && c != '\\' && c != ')' && c != ';') {
      escaped += c;
    } else {
      char code[5];
      std::snprintf(code, sizeof code, "\\x%02X", byte);
      escaped += code;
    }
  }
  return escaped;
}

std::string unescape_answer(const char* text, size_t length) {
  auto hex = [](char c) {
    if (is_digit(c)) return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
  };
  std::string answer;
  for (size_t i = 0; i < length; ++i) {
    // A backslash that does not start a whole escape stands for itself.
    if (text[i] == '\\' && i + 3 < length && text[i + 1] == 'x' && hex(text[i + 2]) >= 0 &&
        hex(text[i + 3]) >= 0) {
      answer += static_cast<char>(hex(text[i + 2]) * 16 + hex(text[i + 3]));
      i += 3;
    } else {
      answer += text[i];
    }
  }
  return answer;
}

namespace {

// Where the numbers of a line's parentheses end: at the first ")" from `at`.
size_t closing_parenthesis(const char* line, size_t length, size_t at) {
  const void* close = at < length ? std::memchr(line + at, ')', length - at) : nullptr;
  return close ? static_cast<size_t>(static_cast<const char*>(close) - line) : length;
}

bool in_range(int value, int low, int high) {
  return value >= low && value <= high;
}

// The modifiers a click or character line may carry after its own numbers,
// inside its parentheses; anything else there, or beyond them, is none.
int trailing_modifiers(const char* line, size_t length, size_t at) {
  const int modifiers = next_number(line, closing_parenthesis(line, length, at), &at, true);
  return in_range(modifiers, 0, kAllModifiers) ? modifiers : 0;
}

}  // namespace

ScriptLine parse_script_line(const char* line, size_t length) {
  ScriptLine parsed;
  if (length <= kKindIndex) return parsed;
  for (const OptInLine& named : kOptInLines) {
    if (!starts_with(line, length, named.name)) continue;
    size_t at = std::strlen(named.name);
    // These lines are read within their parentheses, and each number must
    // be one the package can deliver; any other line is no event.
    const size_t end = closing_parenthesis(line, length, at);
    parsed.kind = named.kind;
    parsed.x = next_number(line, end, &at, true);
    if (named.shape != LineShape::kKey) parsed.y = next_number(line, end, &at, true);
    if (named.shape == LineShape::kMouseWithButton) {
      parsed.button = next_number(line, end, &at, true);
    }
    parsed.modifiers = next_number(line, end, &at, true);
    // A wheel's "button" is its steps: any number but none.
    const bool button_ok =
        named.kind == ZIVRO_MOUSE_WHEEL ? parsed.button != 0
        : named.kind == ZIVRO_MOUSE_DRAG
            ? in_range(parsed.button, 1, kAllButtons)
            : named.shape != LineShape::kMouseWithButton || parsed.button == ZIVRO_BUTTON_LEFT ||
                  parsed.button == ZIVRO_BUTTON_RIGHT || parsed.button == ZIVRO_BUTTON_MIDDLE;
    const bool key_ok = named.shape != LineShape::kKey || in_range(parsed.x, 0, 255);
    if (!button_ok || !key_ok || !in_range(parsed.modifiers, 0, kAllModifiers)) {
      return ScriptLine{};
    }
    return parsed;
  }
  size_t at = kKindIndex;
  switch (line[kKindIndex]) {
    case 'K':
      parsed.kind = ZIVRO_KBD;
      parsed.x = next_number(line, length, &at, true);
      parsed.modifiers = trailing_modifiers(line, length, at);
      break;
    case 'M':
      parsed.kind = ZIVRO_MOUSE;
      parsed.x = next_number(line, length, &at, true);
      parsed.y = next_number(line, length, &at, true);
      parsed.modifiers = trailing_modifiers(line, length, at);
      break;
    case 'P':
      // A minus sign before a count is skipped like any other character.
      parsed.kind = ZIVRO_PERIODIC;
      parsed.x = next_number(line, length, &at, false);
      break;
    default:
      break;
  }
  return parsed;
}

size_t read_script_line(std::FILE* file, char (&line)[512], bool* at_end) {
  size_t length = 0;
  while (length < sizeof line - 1) {
    int c = std::fgetc(file);
    if (c == EOF) {
      *at_end = std::feof(file) != 0;
      break;
    }
    if (c == '\r') {
      const int after = std::fgetc(file);
      if (after == '\n') {
        c = '\n';
      } else if (after != EOF) {
        std::ungetc(after, file);
      } else {
        *at_end = std::feof(file) != 0;
      }
    }
    line[length++] = static_cast<char>(c);
    if (c == '\n' || *at_end) break;
  }
  line[length] = '\0';
  return length;
}

void script_write_event(const Event& event) {
  if (!open_for_writing(true)) return;
  char line[96];
  int length = 0;
  const int mods = event.modifiers;
  if (event.kind == ZIVRO_MOUSE) {
    length = mods ? std::snprintf(line, sizeof line, "ZIVRO_MOUSE(%d, %d, %d);\r\n", event.x,
                                  event.y, mods)
                  : std::snprintf(line, sizeof line, "ZIVRO_MOUSE(%d, %d);\r\n", event.x, event.y);
  } else if (event.kind == ZIVRO_KBD) {
    const int key = static_cast<signed char>(event.key);
    length = mods ? std::snprintf(line, sizeof line, "ZIVRO_KBD(%d, %d);\r\n", key, mods)
                  : std::snprintf(line, sizeof line, "ZIVRO_KBD(%d);\r\n", key);
  } else if (const OptInLine* named = opt_in_line(event.kind)) {
    switch (named->shape) {
      case LineShape::kKey:
        length =
            std::snprintf(line, sizeof line, "%s%d, %d);\r\n", named->name, event.key_code, mods);
        break;
      case LineShape::kMouse:
        length = std::snprintf(line, sizeof line, "%s%d, %d, %d);\r\n", named->name, event.x,
                               event.y, mods);
        break;
      case LineShape::kMouseWithButton:
        length = std::snprintf(line, sizeof line, "%s%d, %d, %d, %d);\r\n", named->name, event.x,
                               event.y, event.button, mods);
        break;
    }
  } else {
    return;
  }
  put_line(line, static_cast<size_t>(length));
}

void script_record_event(const Event& event) {
  // Events played back are not recorded: their lines begin the recording
  // when it takes the file over.
  if (held_by_playback()) return;
  if (script.served_event && script.direction == Direction::kReading) return;
  if (event.kind != ZIVRO_PERIODIC) {
    if (end_run()) script_write_event(event);
    return;
  }
  // At the limit of the count the run's line is complete: a new run begins.
  if (script.recorded_run == INT_MAX) end_run();
  if (++script.recorded_run == 1) script.run_open_reported = false;
  // A file that cannot be opened is tried again at every tick, but reported
  // once for the run, as the one line it would have been.
  if (!write_run(!script.run_open_reported) && !script.file) {
    script.run_open_reported = true;
  }
}

void script_start_recording() {
  script.recording = true;
  script.recorded_run = 0;
  script.run_on_disk = 0;
  if (script.direction == Direction::kReading && !script.playing) script_close();
}

void script_stop_recording() {
  script.recording = false;
  if (!held_by_playback()) end_run();
  script.recorded_run = 0;
  script.run_on_disk = 0;
  if (script.direction == Direction::kWriting) script_close();
}

void script_record_answer(const char* answer) {
  if (held_by_playback() || !end_run()) return;
  if (!open_for_writing(true)) return;
  const std::string escaped = escape_answer(answer ? answer : "");
  size_t at = 0;
  do {
    // Cut between escapes, never inside one.
    size_t piece = std::min(kAnswerChunk, escaped.size() - at);
    if (at + piece < escaped.size()) {
      const size_t backslash = escaped.rfind('\\', at + piece - 1);
      if (backslash != std::string::npos && backslash >= at && backslash + 4 > at + piece) {
        piece = backslash - at;
      }
    }
    const bool last = at + piece == escaped.size();
    const std::string line =
        std::string(last ? kAnswerLine : kAnswerPartLine) + escaped.substr(at, piece) + ");\r\n";
    if (!put_line(line.data(), line.size())) return;
    at += piece;
  } while (at < escaped.size());
}

void script_wait_started() {
  script.served_event = false;
}

bool script_read_answer(char* buffer, size_t size) {
  // A playback on from the start meets a dialog before its first event.
  if (script.playing && script.direction == Direction::kNone && !open_for_reading()) return false;
  if (script.direction != Direction::kReading || script.playback_remaining > 0 || size == 0) {
    return false;
  }
  if (!script.playing && !script.served_event) return false;
  std::fpos_t before;
  if (std::fgetpos(script.file, &before) != 0) return false;
  std::string answer;
  bool more = true;
  bool found = false;
  while (more) {
    std::fpos_t line_start;
    std::fgetpos(script.file, &line_start);
    char line[512];
    bool at_end = false;
    size_t length = read_event_line(line, &at_end);
    if (at_end || !is_answer_line(line, length)) {
      // Not an answer: the line stays for the next read.
      std::fsetpos(script.file, found ? &line_start : &before);
      std::clearerr(script.file);
      break;
    }
    found = true;
    note_played(line, length);
    more = starts_with(line, length, kAnswerPartLine);
    const char* text = std::strchr(line, '(') + 1;
    if (length > 0 && line[length - 1] == '\n') --length;
    const char* close =
        static_cast<const char*>(std::memchr(text, ')', static_cast<size_t>(line + length - text)));
    answer += unescape_answer(text, static_cast<size_t>((close ? close : line + length) - text));
  }
  if (!found) return false;
  const size_t n = std::min(answer.size(), size - 1);
  std::memcpy(buffer, answer.data(), n);
  buffer[n] = '\0';
  return true;
}

bool script_read_event(Event* event) {
  if (!script.file) {
    if (!open_for_reading()) {
      ZIVRO_printf("Cannot open script file %s for reading\n", kScriptFileName);
      return false;
    }
  }
  if (script.playback_remaining > 0) {
    *event = Event{ZIVRO_PERIODIC};
    --script.playback_remaining;
    script.served_event = true;
    ++script.events_served;
    return true;
  }
  if (script.direction != Direction::kReading) return false;  // open for recording

  char line[512];
  bool at_end = false;
  size_t length = read_event_line(line, &at_end);
  // An answer whose dialog was not asked for is passed over.
  while (!at_end && is_answer_line(line, length)) length = read_event_line(line, &at_end);
  if (at_end) {
    // The file stays open at its end until something closes it.
    ZIVRO_printf("EOF encountered in script file %s\n", kScriptFileName);
    return false;
  }
  if (std::ferror(script.file) || length <= kKindIndex) return false;

  const ScriptLine parsed = parse_script_line(line, length);
  if (parsed.kind != 0) {
    if (parsed.kind == ZIVRO_PERIODIC) {
      script.played_run_start = script.played.size();
      script.played_run_count = parsed.x;
    }
    note_played(line, length);
  }
  *event = Event{parsed.kind};
  event->modifiers = parsed.modifiers;
  if (is_mouse_kind(parsed.kind)) {
    event->x = parsed.x;
    event->y = parsed.y;
    // A click's line names no button: its kind does.
    event->button = parsed.kind == ZIVRO_MOUSE          ? ZIVRO_BUTTON_LEFT
                    : parsed.kind == ZIVRO_MOUSE_RIGHT  ? ZIVRO_BUTTON_RIGHT
                    : parsed.kind == ZIVRO_MOUSE_MIDDLE ? ZIVRO_BUTTON_MIDDLE
                    : parsed.kind == ZIVRO_MOUSE_MOVE   ? 0
                                                        : parsed.button;
  } else if (parsed.kind == ZIVRO_KBD) {
    event->key = static_cast<char>(parsed.x & 0xFF);
  } else if (parsed.kind == ZIVRO_KEY_PRESS || parsed.kind == ZIVRO_KEY_RELEASE) {
    event->key_code = parsed.x;
  } else if (parsed.kind == ZIVRO_PERIODIC) {
    event->modifiers = 0;
    // A count of 0 still yields this one event, and leaves -1 behind.
    script.playback_remaining = parsed.x - 1;
  } else {
    return false;  // the line is consumed; playback stops without a message
  }
  script.served_event = true;
  ++script.events_served;
  return true;
}

long script_events_served() {
  return script.events_served;
}

void script_stop_playback() {
  script.playing = false;
  if (script.direction != Direction::kReading) return;
  // A recording that is on takes the file over now, before its lines are lost.
  if (script.recording && !script.played.empty()) {
    open_for_writing(true);
  } else {
    script_close();
  }
}

void script_close() {
  if (script.file && std::fclose(script.file) != 0 && script.direction == Direction::kWriting) {
    report_write_failure();
  }
  if (script.direction == Direction::kWriting) {
    // Whatever the run held is in the file; a later recording starts afresh.
    script.recorded_run = 0;
    script.run_on_disk = 0;
  }
  script.file = nullptr;
  script.direction = Direction::kNone;
  script.write_failing = false;
}

void reset_script_state() {
  script_close();
  script = ScriptState{};
}

// Recording events to ZIVRO.SCR and playing them back.
//
// Lines end in CR LF on every platform, so a script moves between builds
// unchanged; the reader takes CR LF and a lone LF alike.
#include "script.h"

#include <zivro.h>

#include <cerrno>
#include <climits>
#include <cstdint>
#include <cstring>

#include "events.h"

namespace {

enum class Direction { kNone, kWriting, kReading };

struct ScriptState {
  std::FILE* file = nullptr;
  Direction direction = Direction::kNone;
  int periodic_run = 0;
};

ScriptState script;

constexpr size_t kKindIndex = 6;  // the letter after "ZIVRO_"

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

bool open_script(const char* mode, Direction direction) {
  const char* path = kScriptFileName;
  if (direction == Direction::kReading) {
    if (const char* other = platform::playback_path_override()) path = other;
  }
  script.file = std::fopen(path, mode);
  if (!script.file) return false;
  script.direction = direction;
  return true;
}

}  // namespace

int periodic_run_counter() {
  return script.periodic_run;
}
void set_periodic_run_counter(int count) {
  script.periodic_run = count;
}

ScriptLine parse_script_line(const char* line, size_t length) {
  ScriptLine parsed;
  if (length <= kKindIndex) return parsed;
  size_t at = kKindIndex;
  switch (line[kKindIndex]) {
    case 'K':
      parsed.kind = ZIVRO_KBD;
      parsed.x = next_number(line, length, &at, true);
      break;
    case 'M':
      parsed.kind = ZIVRO_MOUSE;
      parsed.x = next_number(line, length, &at, true);
      parsed.y = next_number(line, length, &at, true);
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

void script_write_event(int kind, int x, int y, char key) {
  if (!script.file) {
    if (!open_script("wb", Direction::kWriting)) {
      ZIVRO_printf("Cannot open script file %s for writing\n", kScriptFileName);
      return;
    }
  }
  if (script.direction != Direction::kWriting) return;  // open for playback
  switch (kind) {
    case ZIVRO_MOUSE:
      std::fprintf(script.file, "ZIVRO_MOUSE(%d, %d);\r\n", x, y);
      break;
    case ZIVRO_KBD:
      std::fprintf(script.file, "ZIVRO_KBD(%d);\r\n",
                   static_cast<int>(static_cast<signed char>(key)));
      break;
    case ZIVRO_PERIODIC:
      std::fprintf(script.file, "ZIVRO_PERIODIC(%d);\r\n", script.periodic_run);
      break;
    default:
      return;
  }
  // Each line reaches the file at once, so a crash or a kill loses no event.
  std::fflush(script.file);
}

void script_stop_recording() {
  if (script.periodic_run > 0) {
    script_write_event(ZIVRO_PERIODIC, 0, 0, 0);
    script.periodic_run = 0;
  }
  script_close();
}

int script_read_event() {
  if (!script.file) {
    if (!open_script("rb", Direction::kReading)) {
      ZIVRO_printf("Cannot open script file %s for reading\n", kScriptFileName);
      script_stop_playback();
      return 0;
    }
  }
  PendingEvent& pending = pending_event();
  if (script.periodic_run > 0) {
    pending.kind = ZIVRO_PERIODIC;
    --script.periodic_run;
    return 1;
  }
  if (script.direction != Direction::kReading) return 0;  // open for recording

  char line[512];
  bool at_end = false;
  size_t length = read_script_line(script.file, line, &at_end);
  while (!at_end && length > 0 && line[0] == '\n') {
    length = read_script_line(script.file, line, &at_end);
  }
  if (at_end) {
    // The file stays open at its end until something closes it.
    ZIVRO_printf("EOF encountered in script file %s\n", kScriptFileName);
    script_stop_playback();
    return 0;
  }
  if (std::ferror(script.file) || length <= kKindIndex) return 0;

  const ScriptLine parsed = parse_script_line(line, length);
  switch (parsed.kind) {
    case ZIVRO_KBD:
      pending.kind = ZIVRO_KBD;
      pending.key = static_cast<char>(parsed.x & 0xFF);
      return 1;
    case ZIVRO_MOUSE:
      pending.kind = ZIVRO_MOUSE;
      pending.mouse_x = parsed.x;
      pending.mouse_y = parsed.y;
      return 1;
    case ZIVRO_PERIODIC:
      pending.kind = ZIVRO_PERIODIC;
      // A count of 0 still yields this one event, and leaves -1 behind.
      script.periodic_run = parsed.x - 1;
      return 1;
    default:
      return 0;  // the line is consumed; playback stops without a message
  }
}

void script_close() {
  if (script.file) std::fclose(script.file);
  script.file = nullptr;
  script.direction = Direction::kNone;
}

void reset_script_state() {
  script_close();
  script = ScriptState{};
}

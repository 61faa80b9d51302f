// The text window's ring of the last 25 lines, ZIVRO_printf, and the logging
// flag. The package hands over its windows when it opens them.
#include "text/text_log.h"

#include <zivro.h>

#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <optional>

#include "platform/platform.h"
#include "text/text_log_testing.h"

namespace {

// Slots hold the lines exactly as formatted, trailing newline included. The
// ring goes empty (first -1, next 0), filling (first 0), full (first = next).
struct LogRing {
  std::optional<std::string> slots[kLogRingSlots];
  int first = -1;
  int next = 0;
};

struct TextLogState {
  LogRing ring;
  bool logging = true;
  // The package's windows, once it has opened them.
  platform::Window graphics = nullptr;
  platform::Window text = nullptr;
};

TextLogState text_log;

int advance(int index) {
  return index == kLogRingSlots - 1 ? 0 : index + 1;
}

void store_line(const char* text) {
  LogRing& ring = text_log.ring;
  if (ring.first == ring.next) {
    ring.slots[ring.first].reset();
    ring.first = advance(ring.first);
  }
  ring.slots[ring.next] = std::string(text);
  if (ring.first < 0) ring.first = ring.next;
  ring.next = advance(ring.next);
}

// Redraws the stored lines oldest first, each scrolling the window up one
// line. Each stored line loses a trailing newline the first time it is drawn.
void replay_ring() {
  LogRing& ring = text_log.ring;
  int count = 0;
  for (int i = ring.first; i >= 0 && !(i == ring.next && count > 0); i = advance(i), ++count) {
    std::string& line = *ring.slots[i];
    text_window_put_line(line.data());
    line.resize(std::strlen(line.c_str()));
  }
}

}  // namespace

bool logging_flag() {
  return text_log.logging;
}
void set_logging_flag(bool on) {
  text_log.logging = on;
}

int log_ring_first() {
  return text_log.ring.first;
}
int log_ring_next() {
  return text_log.ring.next;
}
const std::string* log_ring_line(int slot) {
  if (slot < 0 || slot >= kLogRingSlots || !text_log.ring.slots[slot]) return nullptr;
  return &*text_log.ring.slots[slot];
}

void text_log_attach(platform::Window graphics, platform::Window text) {
  text_log.graphics = graphics;
  text_log.text = text;
}

void text_window_put_line(char* text) {
  platform::Window window = text_log.text;
  platform::DrawingContext context = platform::window_context(window);
  platform::select_font(context, platform::fixed_pitch_font());
  const platform::TextMetrics metrics = platform::text_metrics(context);
  const int line_height = metrics.height + metrics.external_leading;

  platform::scroll_surface(context, 0, -line_height);
  const platform::Rect client = platform::client_rect(window);
  // A borderless fill of the freed bottom rows in the background colour,
  // across the whole width. Without an outline the rectangle fills one
  // column and one row less than its box, hence the + 1 on both.
  platform::Brush background = platform::create_solid_brush(platform::background_colour(context));
  platform::Pen previous_pen = platform::select_pen(context, platform::null_pen());
  platform::Brush previous_brush = platform::select_brush(context, background);
  platform::draw_rectangle(context, client.left, client.bottom - line_height, client.right + 1,
                           client.bottom + 1);
  platform::select_pen(context, previous_pen);
  platform::select_brush(context, previous_brush);
  platform::delete_brush(background);

  size_t length = std::strlen(text);
  if (length > 0 && text[length - 1] == '\n') text[--length] = '\0';
  // Black on opaque white, as a fresh context draws; nothing wraps.
  platform::draw_text(context, client.left + 5, client.bottom - line_height, text, length);
  platform::release_window_context(window, context);
}

void text_window_show(int show) {
  platform::show_window(text_log.text, show ? SW_SHOW : SW_HIDE);
}

intptr_t text_window_proc(platform::Window window, unsigned message, uintptr_t wparam,
                          intptr_t lparam) {
  switch (message) {
    case WM_PAINT: {
      platform::DrawingContext paint = platform::begin_paint(window);
      replay_ring();
      platform::end_paint(window, paint);
      return 0;
    }
    case WM_KEYDOWN:
    case WM_KEYUP:
      // Keys typed here act exactly as if typed into the graphics window.
      platform::post_message(text_log.graphics, message, wparam, lparam);
      return 0;
    default:
      return platform::default_window_proc(window, message, wparam, lparam);
  }
}

extern "C" int ZIVRO_printf(const char* format, ...) {
  char buffer[kPrintBufferSize] = "";
  int produced = 0;
  if (format) {
    va_list arguments;
    va_start(arguments, format);
    // A longer line is cut at 1023 characters; the result still tells the
    // length the formatting produced, as printf's does.
    produced = std::vsnprintf(buffer, sizeof buffer, format, arguments);
    va_end(arguments);
    if (produced < 0) buffer[0] = '\0';
  }

  store_line(buffer);
  platform::note_printed_line(buffer);
  if (text_log.text) text_window_put_line(buffer);
  return produced;
}

void reset_text_log_state() {
  text_log = TextLogState{};
}

// Opening and closing the package: the two windows, the canvas, the timer,
// the origin, and the graphics window's window-level messages. Opening wires
// the package together: it hands the windows to the text log and routes the
// graphics window's input to the events module.
#include "package_windows.h"

#include <zivro.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include "draw/colour_table.h"
#include "events.h"
#include "package_windows_testing.h"
#include "script.h"
#include "text/text_log.h"

namespace {

struct WindowsState {
  platform::Window graphics = nullptr;
  platform::Window text = nullptr;
  HINSTANCE instance = nullptr;
  platform::DrawingContext window_context = nullptr;
  platform::Bitmap canvas = nullptr;
  platform::DrawingContext canvas_context = nullptr;
  int origin_x = 0;
  int origin_y = 0;
  bool canvas_dirty = true;  // so the first pump step shows the canvas
  bool opened = false;
  bool closed = false;
  bool warned_not_open = false;  // once per process: the first call tells the fix
};

WindowsState windows;

void copy_canvas_to_window() {
  platform::copy_block(windows.window_context, 0, 0, kCanvasWidth, kCanvasHeight,
                       windows.canvas_context, 0, 0);
}

}  // namespace

platform::Window graphics_window() {
  return windows.graphics;
}
platform::Window text_window() {
  return windows.text;
}
platform::DrawingContext canvas_context() {
  return windows.canvas_context;
}
int origin_x() {
  return windows.origin_x;
}
int origin_y() {
  return windows.origin_y;
}
bool canvas_dirty() {
  return windows.canvas_dirty;
}
void mark_canvas_dirty() {
  windows.canvas_dirty = true;
}

bool package_opened(const char* call) {
  if (windows.opened) return true;
  if (!windows.warned_not_open) {
    windows.warned_not_open = true;
    std::fprintf(stderr, "ZIVRO: %s called before ZIVRO_open; call ZIVRO_open first\n", call);
  }
  return false;
}

bool package_closed() {
  return windows.closed;
}

void present_canvas() {
  copy_canvas_to_window();
  windows.canvas_dirty = false;
}

intptr_t graphics_window_proc(platform::Window window, unsigned message, uintptr_t wparam,
                              intptr_t lparam) {
  switch (message) {
    case WM_CREATE:
      build_run_menu(window);
      return 0;
    case WM_SIZE: {
      const platform::Rect client = platform::client_rect(window);
      windows.origin_x = (client.right - client.left) / 2 + client.left;
      windows.origin_y = (client.bottom - client.top) / 2 + client.top;
      return 0;
    }
    case WM_PAINT: {
      // The copy goes through the context kept since opening, not the
      // painting context, exactly as a present does.
      platform::DrawingContext paint = platform::begin_paint(window);
      copy_canvas_to_window();
      platform::end_paint(window, paint);
      windows.canvas_dirty = false;
      return 0;
    }
    case WM_DESTROY:
    case WM_QUIT:
      platform::stop_timer(window, kAnimationTimerId);
      platform::post_quit_message(0);
      return 0;
    default:
      if (handle_input_message(message, wparam, lparam)) return 0;
      return platform::default_window_proc(window, message, wparam, lparam);
  }
}

extern "C" int ZIVRO_open(HINSTANCE instance, HINSTANCE previous, LPSTR, int show_mode) {
  // Without the layer's start-up the run would ignore its options (or, on a
  // desktop, never show a window) and look like a pass.
  if (!platform::started_through_entry()) {
    std::fprintf(stderr,
                 "ZIVRO: the program defines main(), so the package was never started; "
                 "define WinMain, not main\n");
    std::exit(3);
  }
  windows.opened = true;
  windows.closed = false;
  if (!previous) {
    platform::WindowClass window_class;
    window_class.style = CS_HREDRAW | CS_VREDRAW;
    window_class.procedure = graphics_window_proc;
    window_class.background = colour_rgb(1);
    window_class.menu_name = "generic";
    window_class.class_name = "DrawWndClass";
    platform::register_window_class(window_class);
    window_class.style = CS_HREDRAW | CS_VREDRAW;
    window_class.procedure = text_window_proc;
    window_class.class_name = "TextWndClass";
    platform::register_window_class(window_class);
  }
  const platform::Size screen = platform::screen_size();

  RunState& run = run_state();
  run.animate = false;
  run.single_step = false;

  windows.graphics = platform::create_window("DrawWndClass", "ZIVRO Graphics",
                                             WS_CAPTION | WS_SYSMENU, 0, 0, 601, 540);
  windows.text =
      platform::create_window("TextWndClass", "ZIVRO Text", WS_OVERLAPPEDWINDOW, 0,
                              (2 * screen.height) / 3 + 1, screen.width, screen.height / 3);
  text_log_attach(windows.graphics, windows.text);
  windows.instance = instance;
  windows.window_context = platform::window_context(windows.graphics);
  windows.canvas = platform::create_bitmap(windows.window_context, kCanvasWidth, kCanvasHeight);
  windows.canvas_context = platform::create_memory_context(windows.window_context);
  platform::select_bitmap(windows.canvas_context, windows.canvas);

  platform::show_window(windows.text, show_mode);
  platform::show_window(windows.graphics, show_mode);
  platform::start_timer(windows.graphics, kAnimationTimerId, kAnimationPeriodMs);
  start_run_control_if_asked();
  return 1;
}

// Restarting the timer with its own id replaces it: the next tick comes one
// new period from now. Only the pace of live ticks changes; a recording
// still counts ticks, so its playback does not depend on the period.
extern "C" int ZIVRO_set_tick(int ms) {
  if (!package_opened("ZIVRO_set_tick") || !windows.graphics) return 0;
  const int used = std::clamp(ms, kShortestTickMs, kLongestTickMs);
  if (used != ms) ZIVRO_printf("Tick of %d ms not possible, using tick of %d ms\n", ms, used);
  platform::start_timer(windows.graphics, kAnimationTimerId, static_cast<unsigned>(used));
  return 1;
}

extern "C" int ZIVRO_close(void) {
  if (!package_opened("ZIVRO_close")) return 1;
  platform::release_window_context(windows.graphics, windows.window_context);
  windows.window_context = nullptr;
  script_close();
  windows.closed = true;
  return 1;
}

void reset_windows_state() {
  windows = WindowsState{};
}

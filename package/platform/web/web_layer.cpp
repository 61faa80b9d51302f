// The web layer: the portable windows shown in a browser page (page/zivro.js
// draws each window's surface on a canvas), the page's input turned into the
// messages Windows would post, and waiting by suspending the program
// (Asyncify) until the page has input or the next timer is due, so that a
// program that waits costs the page nothing.
#include <emscripten.h>
#ifdef __wasm_simd128__
#include <wasm_simd128.h>
#endif

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <map>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "platform/portable/files.h"
#include "platform/portable/input.h"
#include "platform/portable/keyboard.h"
#include "platform/portable/layer_hooks.h"
#include "platform/portable/message_queue.h"
#include "platform/portable/objects.h"
#include "platform/portable/window_registry.h"
#include "platform/raster/text.h"
#include "platform/web/web.h"

// What the page does for the layer (page/zivro.js defines ZivroPage).
EM_JS(void, page_window_changed,
      (int id, const char* title, int visible, int destroyed, int width, int height, int main), {
        ZivroPage.windowChanged(id, UTF8ToString(title), visible, destroyed, width, height, main);
      });
EM_JS(void, page_surface_changed, (int id), { ZivroPage.surfaceChanged(id); });
EM_JS(void, page_menu_changed, (int id, const char* menu),
      { ZivroPage.menuChanged(id, JSON.parse(UTF8ToString(menu))); });
EM_JS(void, page_open_menu, (int id, int index), { ZivroPage.openMenu(id, index); });
EM_JS(void, page_frame_presented, (const uint32_t* pixels, int width, int height),
      { ZivroPage.framePresented(pixels, width, height); });
EM_JS(void, page_save_picture, (const uint32_t* pixels, int width, int height, const char* name),
      { ZivroPage.savePicture(pixels, width, height, UTF8ToString(name)); });
EM_JS(int, page_screen_width, (), { return screen.width; });
EM_JS(int, page_screen_height, (), { return screen.height; });
EM_ASYNC_JS(void, page_sleep, (double ms), { await ZivroPage.sleep(ms); });

namespace web {
namespace {

// A program that runs without waiting (a script played back) still lets
// the page paint and take input this often.
constexpr double kYieldEveryMs = 50;

// A window's surface as last fetched, as its canvas takes it (RGBA), and
// where the surface may have changed since.
struct Shown {
  std::vector<uint32_t> rgba;
  int width = 0;  // the surface's size when it was fetched
  int height = 0;
  // Whether anything but the layer's own block copies wrote the surface
  // since: the next fetch then looks at all of it.
  bool whole = true;
  // Otherwise the columns [first, end) of each row that the copies wrote
  // new pixels to (end 0 for none), in `rgba` as well as in the surface.
  std::vector<std::pair<int, int>> copied;
};

struct LayerState {
  bool started = false;
  bool test_hooks = false;
  std::set<platform::Window> dirty;  // surfaces the page has yet to fetch
  std::map<platform::Window, Shown> shown;
  // What the last fetch changed: a count, then x, y, width, height of each.
  std::vector<int32_t> changes;
  double start_ms = emscripten_get_now();
  double last_yield_ms = emscripten_get_now();
};

LayerState& layer() {
  static LayerState state;
  return state;
}

platform::Window window_of(int id) {
  for (platform::Window window : portable::all_windows()) {
    if (window_id(window) == id && !window->destroyed) return window;
  }
  return nullptr;
}

// The package's Windows-1252 bytes as UTF-8, for the page.
std::string utf8(const std::string& text) {
  std::string out;
  for (unsigned char c : text) {
    const char32_t code = raster::windows_1252_code_point(c);
    if (code < 0x80) {
      out += static_cast<char>(code);
    } else if (code < 0x800) {
      out += static_cast<char>(0xC0 | (code >> 6));
      out += static_cast<char>(0x80 | (code & 0x3F));
    } else {
      out += static_cast<char>(0xE0 | (code >> 12));
      out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (code & 0x3F));
    }
  }
  return out;
}

std::string json_string(const std::string& text) {
  std::string out = "\"";
  for (char c : utf8(text)) {
    if (c == '"' || c == '\\') {
      out += '\\';
      out += c;
    } else if (static_cast<unsigned char>(c) < 0x20) {
      char escaped[8];
      std::snprintf(escaped, sizeof escaped, "\\u%04x", c);
      out += escaped;
    } else {
      out += c;
    }
  }
  return out + "\"";
}

// The menu bar as the page draws it: each popup's items with their label
// (before the tab), shortcut (after it), command, check mark and gray state.
std::string menu_json(platform::Menu menu) {
  std::string out = "[";
  if (menu) {
    for (const platform::MenuItem& top : menu->items) {
      if (out.size() > 1) out += ',';
      out += "{\"label\":" + json_string(top.label) + ",\"id\":" + std::to_string(top.id) +
             ",\"items\":[";
      static const std::vector<platform::MenuItem> kNoItems;
      bool first = true;
      for (const platform::MenuItem& item : top.popup ? top.popup->items : kNoItems) {
        if (!first) out += ',';
        first = false;
        const size_t tab = item.label.find('\t');
        out += "{\"label\":" + json_string(item.label.substr(0, tab)) + ",\"shortcut\":" +
               json_string(tab == std::string::npos ? "" : item.label.substr(tab + 1)) +
               ",\"id\":" + std::to_string(item.id) +
               ",\"separator\":" + ((item.flags & MF_SEPARATOR) ? "true" : "false") +
               ",\"grayed\":" + ((item.flags & MF_GRAYED) ? "true" : "false") +
               ",\"checked\":" + ((item.flags & MF_CHECKED) ? "true" : "false") + "}";
      }
      out += "]}";
    }
  }
  return out + "]";
}

// Rows whose changes are fewer than this many rows apart are sent to the
// canvas as one rectangle: each rectangle costs the canvas a call.
constexpr int kRowsApartJoined = 16;

// A surface word 0x00RRGGBB as the canvas's bytes R, G, B, 255.
uint32_t canvas_bytes(uint32_t pixel) {
  return 0xFF000000u | ((pixel & 0xFFu) << 16) | (pixel & 0xFF00u) | ((pixel >> 16) & 0xFFu);
}
#ifdef __wasm_simd128__
// Four of them at once.
v128_t canvas_bytes(v128_t pixels) {
  return wasm_v128_or(
      wasm_i8x16_shuffle(pixels, pixels, 2, 1, 0, 3, 6, 5, 4, 7, 10, 9, 8, 11, 14, 13, 12, 15),
      wasm_i32x4_splat(static_cast<int32_t>(0xFF000000u)));
}
#endif

// The surface's 0x00RRGGBB words as the canvas's bytes R, G, B, 255 (a
// little-endian word 0xFFBBGGRR), written over what `out` already holds only
// where they differ from it. The columns written (first, end), or end 0 for
// none.
std::pair<int, int> convert_row(const uint32_t* in, uint32_t* out, int width) {
  int first = width, end = 0;
  int x = 0;
#ifdef __wasm_simd128__
  // Four pixels at a time, a group written whole when any of it changed;
  // sixteen looked at together first, as most of them have not.
  const auto converted = [&](int at) { return canvas_bytes(wasm_v128_load(in + at)); };
  const auto differs = [&](int at, v128_t bytes) {
    return wasm_v128_xor(bytes, wasm_v128_load(out + at));
  };
  for (; x + 16 <= width; x += 16) {
    const v128_t a = converted(x), b = converted(x + 4), c = converted(x + 8),
                 d = converted(x + 12);
    if (!wasm_v128_any_true(wasm_v128_or(wasm_v128_or(differs(x, a), differs(x + 4, b)),
                                         wasm_v128_or(differs(x + 8, c), differs(x + 12, d))))) {
      continue;
    }
    const v128_t groups[4] = {a, b, c, d};
    for (int g = 0; g < 4; ++g) {
      const int at = x + 4 * g;
      if (wasm_v128_any_true(differs(at, groups[g]))) {
        wasm_v128_store(out + at, groups[g]);
        first = std::min(first, at);
        end = at + 4;
      }
    }
  }
  for (; x + 4 <= width; x += 4) {
    const v128_t bytes = converted(x);
    if (wasm_v128_any_true(differs(x, bytes))) {
      wasm_v128_store(out + x, bytes);
      first = std::min(first, x);
      end = x + 4;
    }
  }
#endif
  for (; x < width; ++x) {
    const uint32_t bytes = canvas_bytes(in[x]);
    if (bytes != out[x]) {
      out[x] = bytes;
      first = std::min(first, x);
      end = x + 1;
    }
  }
  return {first, end};
}

// Copies a row of n pixels, writing only the groups of four that differ
// (and the pixels past the last group, one by one), and each written group
// also to `rgba` as the canvas's bytes when it is given. The columns that
// differed (first, end), or end 0 for none.
std::pair<int, int> copy_row(const uint32_t* in, uint32_t* out, uint32_t* rgba, int n) {
  int first = n, end = 0;
  int x = 0;
#ifdef __wasm_simd128__
  const auto differs = [&](int at) {
    return wasm_v128_xor(wasm_v128_load(in + at), wasm_v128_load(out + at));
  };
  for (; x + 16 <= n; x += 16) {
    if (!wasm_v128_any_true(wasm_v128_or(wasm_v128_or(differs(x), differs(x + 4)),
                                         wasm_v128_or(differs(x + 8), differs(x + 12))))) {
      continue;
    }
    for (int at = x; at < x + 16; at += 4) {
      if (wasm_v128_any_true(differs(at))) {
        const v128_t pixels = wasm_v128_load(in + at);
        wasm_v128_store(out + at, pixels);
        if (rgba) wasm_v128_store(rgba + at, canvas_bytes(pixels));
        first = std::min(first, at);
        end = at + 4;
      }
    }
  }
#endif
  for (; x + 4 <= n; x += 4) {
    if (in[x] != out[x] || in[x + 1] != out[x + 1] || in[x + 2] != out[x + 2] ||
        in[x + 3] != out[x + 3]) {
      std::memcpy(out + x, in + x, 4 * sizeof(uint32_t));
      if (rgba) {
        for (int i = x; i < x + 4; ++i) rgba[i] = canvas_bytes(in[i]);
      }
      first = std::min(first, x);
      end = x + 4;
    }
  }
  for (; x < n; ++x) {
    if (in[x] != out[x]) {
      out[x] = in[x];
      if (rgba) rgba[x] = canvas_bytes(in[x]);
      first = std::min(first, x);
      end = x + 1;
    }
  }
  return {first, end};
}

// Brings `shown` up to date with the surface and lists in `changes` the
// rectangles where it changed: bands of changed rows, each as wide as the
// columns changed in it. When only the layer's copies wrote the surface
// since the last fetch, they have written `shown` too: the columns each
// noted are the row's changes, and nothing is compared.
void convert_changes(const platform::BitmapObject& surface, Shown& shown,
                     std::vector<int32_t>& changes) {
  changes.assign(1, 0);
  const std::vector<uint32_t>& pixels = platform::settled_pixels(surface);
  std::vector<uint32_t>& rgba = shown.rgba;
  if (shown.width != surface.width || shown.height != surface.height) shown.whole = true;
  // An all-zero buffer (new, or of another size) differs everywhere.
  if (rgba.size() != pixels.size()) rgba.assign(pixels.size(), 0);
  const bool whole = shown.whole;
  if (whole || shown.copied.size() != static_cast<size_t>(surface.height)) {
    shown.copied.assign(static_cast<size_t>(surface.height), {0, 0});
  }
  shown.width = surface.width;
  shown.height = surface.height;
  shown.whole = false;
  int top = -1, bottom = 0, left = 0, right = 0;  // the band being gathered
  const auto close_band = [&] {
    if (top < 0) return;
    changes.insert(changes.end(), {left, top, right - left, bottom - top});
    ++changes[0];
    top = -1;
  };
  for (int y = 0; y < surface.height; ++y) {
    std::pair<int, int> changed;
    if (whole) {
      const size_t at = static_cast<size_t>(y) * static_cast<size_t>(surface.width);
      changed = convert_row(&pixels[at], &rgba[at], surface.width);
    } else {
      auto& copied = shown.copied[static_cast<size_t>(y)];
      changed = copied;
      copied = {0, 0};
    }
    const auto [first, end] = changed;
    if (end == 0) continue;
    if (top >= 0 && y - bottom < kRowsApartJoined) {
      left = std::min(left, first);
      right = std::max(right, end);
    } else {
      close_band();
      top = y;
      left = first;
      right = end;
    }
    bottom = y + 1;
  }
  close_band();
}

// The page fetches the pixels at its next animation frame; one request per
// window until then, however many drawing calls come.
void request_fetch(platform::Window window) {
  if (layer().dirty.insert(window).second) page_surface_changed(window_id(window));
}

bool any_window_open() {
  for (platform::Window window : portable::all_windows()) {
    if (!window->destroyed) return true;
  }
  return false;
}

}  // namespace

// ==== The layer's own interface (web.h) ======================================

void mark_started() {
  layer().started = true;
}

void set_test_hooks(bool on) {
  layer().test_hooks = on;
}

void sleep_until_input(double ms) {
  page_sleep(ms);
  layer().last_yield_ms = emscripten_get_now();
}

double ms_until_next_timer() {
  auto due = portable::queue_next_timer_due();
  if (!due) return -1;
  const uint64_t now = portable::layer_now_ms();
  return *due > now ? static_cast<double>(*due - now) : 0.0;
}

int window_id(platform::Window window) {
  return static_cast<int>(reinterpret_cast<uintptr_t>(window));
}

}  // namespace web

// ==== What the page calls: its input, and the pixels it shows ===============

extern "C" {

// A key went down or up, in the terms of portable::KeyInput: `physical` is
// the page's number for the key, `code_point` the character it types or -1.
EMSCRIPTEN_KEEPALIVE void web_key(int window_id, int down, int physical, int key, int code_point,
                                  int shift, int control, int alt, int caps_lock) {
  platform::Window window = window_id ? web::window_of(window_id) : portable::active_window();
  if (!window) window = portable::main_window();
  portable::post_key({window, down != 0, physical, static_cast<unsigned>(key), code_point,
                      shift != 0, control != 0, alt != 0, caps_lock != 0});
}

// A mouse message with client coordinates, as Windows posts it.
EMSCRIPTEN_KEEPALIVE void web_mouse(int window_id, int message, int wparam, int x, int y) {
  portable::post_mouse(web::window_of(window_id), static_cast<unsigned>(message),
                       static_cast<uintptr_t>(wparam), x, y);
}

EMSCRIPTEN_KEEPALIVE void web_command(int window_id, int command) {
  platform::post_message(web::window_of(window_id), WM_COMMAND, static_cast<uintptr_t>(command), 0);
}

// The close box, or the page going away: the window is asked to close and
// its procedure decides, as on Windows.
EMSCRIPTEN_KEEPALIVE void web_close(int window_id) {
  platform::Window window = window_id ? web::window_of(window_id) : portable::main_window();
  platform::post_message(window, WM_CLOSE, 0, 0);
}

EMSCRIPTEN_KEEPALIVE void web_activate(int window_id) {
  if (platform::Window window = web::window_of(window_id)) portable::set_active_window(window);
}

// The window's surface as RGBA bytes for the page's canvas, or null when
// the window is gone; its size through the two functions after it, and
// the rectangles that changed since the last fetch through web_window_changes.
EMSCRIPTEN_KEEPALIVE const uint8_t* web_window_rgba(int window_id) {
  platform::Window window = web::window_of(window_id);
  if (!window) return nullptr;
  web::layer().dirty.erase(window);
  web::Shown& shown = web::layer().shown[window];
  web::convert_changes(window->surface, shown, web::layer().changes);
  return reinterpret_cast<const uint8_t*>(shown.rgba.data());
}
// A count, then x, y, width and height of each rectangle.
EMSCRIPTEN_KEEPALIVE const int32_t* web_window_changes() {
  return web::layer().changes.data();
}
EMSCRIPTEN_KEEPALIVE int web_window_width(int window_id) {
  platform::Window window = web::window_of(window_id);
  return window ? window->surface.width : 0;
}
EMSCRIPTEN_KEEPALIVE int web_window_height(int window_id) {
  platform::Window window = web::window_of(window_id);
  return window ? window->surface.height : 0;
}

}  // extern "C"

// ==== Portable hooks (portable/layer_hooks.h) ================================

namespace portable {

uint64_t layer_now_ms() {
  return static_cast<uint64_t>(emscripten_get_now() - web::layer().start_ms);
}

void layer_surface_changed(platform::Window window) {
  web::layer().shown[window].whole = true;
  web::request_fetch(window);
}

void layer_surface_rewritten(platform::Window window) {
  web::layer().shown[window].whole = true;
}

// The layer copies the block itself, noting which columns of which rows
// got new pixels and writing them to what the page is shown as well, so
// that the fetch compares nothing: the pixels the copy compared are
// converted once, while they are at hand.
bool layer_block_copied(platform::Window window, const platform::BitmapObject& source,
                        const BlockCopy& block) {
  if (web::layer().test_hooks && window == portable::main_window() &&
      portable::shows_new_frame(window, source)) {
    page_frame_presented(platform::settled_pixels(source).data(), source.width, source.height);
  }
  // A copy within the surface itself may overlap: the shared code makes it.
  if (&source == &window->surface) return true;
  platform::BitmapObject& surface = window->surface;
  const std::vector<uint32_t>& from = platform::settled_pixels(source);
  std::vector<uint32_t>& to = platform::settled_pixels(surface);
  web::Shown& shown = web::layer().shown[window];
  const bool noting =
      !shown.whole && shown.width == surface.width && shown.height == surface.height &&
      shown.copied.size() == static_cast<size_t>(surface.height) && shown.rgba.size() == to.size();
  for (int row = 0; row < block.height; ++row) {
    const size_t in =
        static_cast<size_t>(block.source_y + row) * static_cast<size_t>(source.width) +
        static_cast<size_t>(block.source_x);
    const size_t out = static_cast<size_t>(block.y + row) * static_cast<size_t>(surface.width) +
                       static_cast<size_t>(block.x);
    const auto [first, end] =
        web::copy_row(&from[in], &to[out], noting ? &shown.rgba[out] : nullptr, block.width);
    if (noting && end > 0) {
      auto& copied = shown.copied[static_cast<size_t>(block.y + row)];
      const int left = block.x + first, right = block.x + end;
      copied = copied.second == 0
                   ? std::pair{left, right}
                   : std::pair{std::min(copied.first, left), std::max(copied.second, right)};
    }
  }
  web::request_fetch(window);
  return false;
}

void layer_menu_changed(platform::Window window) {
  page_menu_changed(web::window_id(window), web::menu_json(window->menu).c_str());
}

// The page opens the popup and returns at once; a choice in it is posted
// as WM_COMMAND when the user makes it.
void layer_open_menu(platform::Window window, size_t index) {
  if (window->menu && index < window->menu->items.size()) {
    page_open_menu(web::window_id(window), static_cast<int>(index));
  }
}

void layer_window_changed(platform::Window window) {
  if (window->destroyed) {
    web::layer().dirty.erase(window);
    web::layer().shown.erase(window);
  }
  page_window_changed(web::window_id(window), web::utf8(window->title).c_str(), window->visible,
                      window->destroyed, window->client.width, window->client.height,
                      window == portable::main_window());
  if (!window->destroyed && window->menu) layer_menu_changed(window);
  if (!window->destroyed && window->visible) layer_surface_changed(window);
}

}  // namespace portable

// ==== Platform interface (platform.h): the layer's own part ==================

namespace platform {

// Input reaches the queue only while the program is suspended, so a program
// that keeps taking messages without waiting yields now and then.
bool take_message(Message* message) {
  if (emscripten_get_now() - web::layer().last_yield_ms >= web::kYieldEveryMs) {
    web::sleep_until_input(0);
  }
  return portable::queue_take(message, portable::layer_now_ms());
}

void wait_for_message() {
  while (!portable::queue_ready(portable::layer_now_ms())) {
    if (!web::any_window_open()) return;  // nothing can ever post again
    web::sleep_until_input(web::ms_until_next_timer());
  }
}

bool save_context_png(DrawingContext context, const char* path) {
  const BitmapObject* bitmap = context ? context->bitmap : nullptr;
  if (!bitmap || !path) return false;
  // The page has no files of the user's to write: it offers a download.
  page_save_picture(platform::settled_pixels(*bitmap).data(), bitmap->width, bitmap->height, path);
  return true;
}

Size screen_size() {
  return {page_screen_width(), page_screen_height()};
}

void note_printed_line(const char*) {}

bool started_through_entry() {
  return web::layer().started;
}

}  // namespace platform

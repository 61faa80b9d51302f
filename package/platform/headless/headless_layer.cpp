// The headless layer: in-memory windows, synthetic input, a virtual clock.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <map>
#include <optional>
#include <utility>

#include "platform/headless/frame_digest.h"
#include "platform/headless/headless.h"
#include "platform/portable/dialog_template.h"
#include "platform/portable/dialogs.h"
#include "platform/portable/files.h"
#include "platform/portable/keyboard.h"
#include "platform/portable/layer_hooks.h"
#include "platform/portable/message_queue.h"
#include "platform/portable/objects.h"
#include "platform/portable/png_files.h"
#include "platform/portable/window_registry.h"

namespace headless {
namespace {

constexpr platform::Size kScreen{1024, 768};

struct LayerState {
  uint64_t now_ms = 0;
  uint64_t limit_ms = 0;
  bool blocking = true;
  bool started = false;
  std::multimap<uint64_t, Input> scheduled;
  std::vector<Input> at_start;
  bool set_up = false;       // by the runner's main or a test's reset()
  bool keep_printed = true;  // the whole transcript in memory, for tests
  std::vector<std::string> printed;
  std::FILE* transcript = nullptr;
  bool transcript_ok = true;
  long taken = 0;
  long empty = 0;
  const platform::BitmapObject* presented = nullptr;
  bool keep_main_surface = true;  // copies into the main window fill its surface
  std::string frames_directory;
  std::vector<long> frames_written;  // sorted; empty: every frame
  FrameObserver frame_observer = nullptr;
  std::optional<uint64_t> last_digest;  // of the last new frame, while observed
  long frames = 0;
  bool frames_ok = true;
  std::vector<std::string> answers;
  size_t answers_used = 0;
  std::vector<DialogSeen> dialogs;
  std::vector<std::string> menus_opened;
};

LayerState layer;

bool menu_allows(platform::Menu menu, unsigned id) {
  if (!menu) return false;
  for (const platform::MenuItem& item : menu->items) {
    if (item.popup && menu_allows(item.popup, id)) return true;
    if (!item.popup && !(item.flags & (MF_SEPARATOR | MF_GRAYED)) && item.id == id) return true;
  }
  return false;
}

// Input without a target goes to the graphics window, whichever window is
// active: a user's menu command can only come from its menu.
void deliver(const Input& input) {
  platform::Window target = input.target ? input.target : portable::main_window();
  if (!target || target->destroyed) return;
  if (input.number == WM_COMMAND && !menu_allows(target->menu, static_cast<unsigned>(input.wparam)))
    return;
  portable::queue_post({target, input.number, input.wparam, input.lparam});
  if (input.with_release) portable::queue_post({target, WM_LBUTTONUP, 0, input.lparam});
}

void release_due_inputs() {
  while (!layer.scheduled.empty() && layer.scheduled.begin()->first <= layer.now_ms) {
    Input input = layer.scheduled.begin()->second;
    layer.scheduled.erase(layer.scheduled.begin());
    deliver(input);
  }
}

// When something can next happen: a scheduled input, or a timer within the limit.
std::optional<uint64_t> next_wake() {
  std::optional<uint64_t> wake;
  if (!layer.scheduled.empty()) wake = layer.scheduled.begin()->first;
  if (auto due = portable::queue_next_timer_due(); due && *due <= layer.limit_ms) {
    wake = wake ? std::min(*wake, *due) : *due;
  }
  return wake;
}

// No input left and no clock time left: the user closes the main window. If
// it is already gone the application is waiting after its run ended, and the
// quit message keeps it from waiting forever.
void end_of_run() {
  platform::Window window = portable::main_window();
  if (window && !window->destroyed) {
    portable::queue_post({window, WM_CLOSE, 0, 0});
  } else {
    portable::queue_post_quit(0);
  }
}

// A poll that finds nothing lets one millisecond pass, if anything is to come.
void poll_found_nothing() {
  if (std::optional<uint64_t> wake = next_wake()) {
    layer.now_ms = std::min(layer.now_ms + 1, std::max(layer.now_ms, *wake));
    release_due_inputs();
  }
}

// The application has nothing to do until a message comes. Blocking jumps
// the clock to the next wake; spinning lets the polls move it. With nothing
// left to come the run ends either way.
void application_idle(bool blocking) {
  while (!portable::queue_ready(layer.now_ms)) {
    std::optional<uint64_t> wake = next_wake();
    if (!wake) {
      end_of_run();
      return;
    }
    if (!blocking) return;
    layer.now_ms = std::max(layer.now_ms, *wake);
    release_due_inputs();
  }
}

}  // namespace

// ==== The layer's own interface (headless.h) =================================

Input click(int x, int y) {
  return {WM_LBUTTONDOWN, 0x0001 /* MK_LBUTTON */, platform::make_lparam(x, y), true, nullptr};
}
Input mouse_button(unsigned button_message, int x, int y) {
  unsigned held = 0;
  if (button_message == WM_LBUTTONDOWN) held = MK_LBUTTON;
  if (button_message == WM_RBUTTONDOWN) held = MK_RBUTTON;
  if (button_message == WM_MBUTTONDOWN) held = MK_MBUTTON;
  return {button_message, held, platform::make_lparam(x, y), false, nullptr};
}
Input mouse_move(int x, int y, unsigned held) {
  return {WM_MOUSEMOVE, held, platform::make_lparam(x, y), false, nullptr};
}
Input mouse_wheel(int x, int y, int delta) {
  const auto word = static_cast<uint16_t>(static_cast<int16_t>(delta));
  return {WM_MOUSEWHEEL, uintptr_t{word} << 16, platform::make_lparam(x, y), false, nullptr};
}
Input key_down(unsigned virtual_key) {
  return {WM_KEYDOWN, virtual_key, 1, false, nullptr};
}
Input key_up(unsigned virtual_key) {
  return {WM_KEYUP, virtual_key, static_cast<intptr_t>(0xC0000001u), false, nullptr};
}
Input sys_key_down(unsigned virtual_key) {
  return {WM_SYSKEYDOWN, virtual_key, 0x20000001, false, nullptr};  // context bit: Alt
}
Input sys_key_up(unsigned virtual_key) {
  return {WM_SYSKEYUP, virtual_key, static_cast<intptr_t>(0xE0000001u), false, nullptr};
}
Input character_key_down(char character) {
  return {WM_KEYDOWN, VK_PACKET,
          portable::packet_lparam(static_cast<unsigned char>(character), false), false, nullptr};
}
Input character_key_up(char character) {
  return {WM_KEYUP, VK_PACKET, portable::packet_lparam(static_cast<unsigned char>(character), true),
          false, nullptr};
}
void set_caps_lock(bool on) {
  portable::translate_set_caps_lock(on);
}
Input typed(char character) {
  return {WM_CHAR, static_cast<unsigned char>(character), 1, false, nullptr};
}
Input menu_command(unsigned id) {
  return {WM_COMMAND, id, 0, false, nullptr};
}
Input close_window() {
  return {WM_CLOSE, 0, 0, false, nullptr};
}
Input message(unsigned number, uintptr_t wparam, intptr_t lparam) {
  return {number, wparam, lparam, false, nullptr};
}
Input to(platform::Window target, Input input) {
  input.target = target;
  return input;
}

void post_input(const Input& input, uint64_t at_ms) {
  if (at_ms <= layer.now_ms) {
    deliver(input);
  } else {
    layer.scheduled.emplace(at_ms, input);
  }
}

void post_at_start(const Input& input) {
  layer.at_start.push_back(input);
}

uint64_t now_ms() {
  return layer.now_ms;
}
void set_clock_limit_ms(uint64_t limit_ms) {
  layer.limit_ms = limit_ms;
}
void set_blocking_wait(bool blocking) {
  layer.blocking = blocking;
}
const std::vector<std::string>& printed_lines() {
  return layer.printed;
}
void keep_printed_lines(bool keep) {
  layer.keep_printed = keep;
  if (!keep) layer.printed = {};
}

bool open_transcript(const std::string& path) {
  if (layer.transcript) std::fclose(layer.transcript);
  layer.transcript = std::fopen(path.c_str(), "wb");
  layer.transcript_ok = layer.transcript != nullptr;
  return layer.transcript_ok;
}
bool close_transcript() {
  if (layer.transcript && std::fclose(layer.transcript) != 0) layer.transcript_ok = false;
  layer.transcript = nullptr;
  return layer.transcript_ok;
}

void mark_set_up() {
  layer.set_up = true;
}

platform::Window find_window(const std::string& title) {
  for (platform::Window window : portable::all_windows()) {
    if (window->title == title) return window;
  }
  return nullptr;
}

long present_count(platform::Window window) {
  return window ? window->presents : 0;
}
long messages_taken() {
  return layer.taken;
}
long empty_polls() {
  return layer.empty;
}

void keep_main_window_surface(bool keep) {
  layer.keep_main_surface = keep;
}

void set_frames_directory(const std::string& directory) {
  layer.frames_directory = directory;
}
bool frames_written_ok() {
  return layer.frames_ok;
}
void set_frames_written(std::vector<long> numbers) {
  std::sort(numbers.begin(), numbers.end());
  layer.frames_written = std::move(numbers);
}
bool write_frame_png(const std::string& directory, long number, const uint32_t* pixels, int width,
                     int height) {
  char name[32];
  std::snprintf(name, sizeof name, "/%06ld.png", number);
  return portable::write_png(directory + name, pixels, width, height);
}
void set_frame_observer(FrameObserver observer) {
  layer.frame_observer = observer;
}

bool write_presented_png(const std::string& path) {
  const platform::BitmapObject* canvas = layer.presented;
  return canvas && portable::write_png(path, platform::settled_pixels(*canvas).data(),
                                       canvas->width, canvas->height);
}

bool presented_pixels(std::vector<uint32_t>* pixels, int* width, int* height) {
  const platform::BitmapObject* canvas = layer.presented;
  if (!canvas) return false;
  *pixels = platform::settled_pixels(*canvas);
  *width = canvas->width;
  *height = canvas->height;
  return true;
}

bool write_window_png(platform::Window window, const std::string& path) {
  return window && portable::write_png(path, platform::settled_pixels(window->surface).data(),
                                       window->surface.width, window->surface.height);
}

void queue_dialog_answer(const std::string& text) {
  layer.answers.push_back(text);
}
const std::vector<DialogSeen>& dialogs_seen() {
  return layer.dialogs;
}

const std::vector<std::string>& menus_opened() {
  return layer.menus_opened;
}

void reset() {
  portable::reset_portable_state();
  close_transcript();
  layer = LayerState{};
  layer.set_up = true;
}

}  // namespace headless

// ==== Portable hooks (portable/layer_hooks.h) ================================

namespace portable {

uint64_t layer_now_ms() {
  return headless::layer.now_ms;
}

void layer_surface_changed(platform::Window) {}

void layer_surface_rewritten(platform::Window) {}

// Each frame is written from the canvas as it is presented, so the frames
// need no copy in the window's surface.
bool layer_block_copied(platform::Window window, const platform::BitmapObject& source,
                        const BlockCopy&) {
  using headless::layer;
  if (window != portable::main_window()) return true;
  layer.presented = &source;
  const bool counting = !layer.frames_directory.empty() || layer.frame_observer;
  if (!counting) return layer.keep_main_surface;
  const uint32_t* pixels = platform::settled_pixels(source).data();
  uint64_t digest = 0;
  if (layer.frame_observer) {
    // The observer is given the digest anyway, and it tells a paint that
    // shows the last frame again as surely as a copy of that frame would,
    // without copying the canvas at every present.
    digest = headless::frame_digest(pixels, source.width, source.height, &source.written);
    if (window->painting && layer.last_digest == digest) return layer.keep_main_surface;
    layer.last_digest = digest;
  } else if (!portable::shows_new_frame(window, source)) {
    return layer.keep_main_surface;
  }
  const long number = ++layer.frames;
  if (layer.frame_observer) {
    layer.frame_observer(number, pixels, source.width, source.height, digest);
  }
  const std::vector<long>& chosen = layer.frames_written;
  if (!layer.frames_directory.empty() &&
      (chosen.empty() || std::binary_search(chosen.begin(), chosen.end(), number))) {
    layer.frames_ok = headless::write_frame_png(layer.frames_directory, number, pixels,
                                                source.width, source.height) &&
                      layer.frames_ok;
  }
  return layer.keep_main_surface;
}
void layer_menu_changed(platform::Window) {}
void layer_window_changed(platform::Window) {}
void layer_open_menu(platform::Window window, size_t index) {
  if (window->menu && index < window->menu->items.size()) {
    headless::layer.menus_opened.push_back(window->menu->items[index].label);
  }
}

}  // namespace portable

// ==== Platform interface (platform.h): the layer's own part ==================

namespace platform {

bool take_message(Message* message) {
  using headless::layer;
  if (!layer.started) {
    layer.started = true;
    for (const headless::Input& input : layer.at_start) headless::deliver(input);
    layer.at_start.clear();
  }
  headless::release_due_inputs();
  if (portable::queue_take(message, layer.now_ms)) {
    ++layer.taken;
    return true;
  }
  ++layer.empty;
  headless::poll_found_nothing();
  return false;
}

void wait_for_message() {
  headless::application_idle(headless::layer.blocking);
}

Size screen_size() {
  return headless::kScreen;
}

// The user reads the dialog, types the next queued answer into its edit
// field and presses its default button, all at once.
intptr_t run_modal_dialog(const uint8_t* dialog_template, size_t size, Window, DialogProc procedure,
                          intptr_t init) {
  using headless::layer;
  DialogObject dialog;
  if (!portable::open_dialog(dialog_template, size, procedure, &dialog)) return -1;
  headless::DialogSeen seen;
  seen.caption = dialog.layout.caption;
  for (const portable::DialogControl& control : dialog.layout.controls) {
    if (control.kind == portable::ControlKind::kStatic) seen.static_texts.push_back(control.title);
  }
  const int edit_id = portable::first_edit_id(dialog.layout);
  const int default_button = portable::default_button_id(dialog.layout);
  procedure(&dialog, WM_INITDIALOG, 0, init);
  if (layer.answers_used < layer.answers.size()) seen.answer = layer.answers[layer.answers_used++];
  if (edit_id >= 0) dialog.texts[edit_id] = seen.answer;
  layer.dialogs.push_back(seen);
  if (!dialog.ended) procedure(&dialog, WM_COMMAND, static_cast<uintptr_t>(default_button), 0);
  // A dialog that refuses its default button would wait forever for a user.
  return dialog.ended ? dialog.result : 0;
}

// The transcript gets each line as it is printed, ended by exactly one
// newline, and flushed, so that a run that aborts keeps what it printed.
void note_printed_line(const char* text) {
  using headless::layer;
  if (!text) text = "";
  if (layer.keep_printed) layer.printed.emplace_back(text);
  if (!layer.transcript) return;
  if (!portable::write_log_line(layer.transcript, text)) layer.transcript_ok = false;
}

bool started_through_entry() {
  return headless::layer.set_up;
}

}  // namespace platform

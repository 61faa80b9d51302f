// The event wait, the pump step, run control, the run menu and its Ctrl-key
// accelerators.
#include "events.h"

#include <zivro.h>

#include <bitset>
#include <cstdint>

#include "events_testing.h"
#include "held_input.h"
#include "package_windows.h"
#include "script.h"
#include "text/text_log.h"
#include "wait_progress.h"

namespace {

struct EventsState {
  Event pending;
  RunState run;
  platform::Menu run_menu = nullptr;
  bool record_from_open = false;
  bool play_from_open = false;
  int wanted = 0;  // the ZIVRO_WANT_ groups the program asked for
  // Shift and Alt as the key messages leave them (Ctrl is the run state's).
  bool shift_held = false;
  bool alt_held = false;
  // Keys whose press ran an accelerator: their release makes no event either.
  std::bitset<256> accelerator_keys_down;
  int wheel_rest = 0;  // wheel turns short of a whole step, in WHEEL_DELTA parts
};

EventsState events;
WaitProgress wait_progress_record;

constexpr int kEveryGroup = ZIVRO_WANT_ALL | ZIVRO_WANT_MOVE | ZIVRO_WANT_WHEEL;

struct MenuEntry {
  unsigned id;
  unsigned flags;
  const char* label;  // null for a separator
};

constexpr MenuEntry kRunMenu[] = {
    {kCommandAnimate, MF_STRING, "&Animate\tCtrl+A"},
    {kCommandHalt, MF_STRING, "&Halt animation\tCtrl+H"},
    {kCommandAdvanceFrame, MF_STRING, "Advance one &frame\tCtrl+F"},
    {0, MF_SEPARATOR, nullptr},
    {kCommandLogging, MF_CHECKED, "&Logging\tCtrl+L"},
    {0, MF_SEPARATOR, nullptr},
    {kCommandRecord, MF_STRING, "&Record Script\tCtrl+R"},
    {kCommandPlayback, MF_STRING, "&Playback Script\tCtrl+P"},
    {kCommandPlayOne, MF_STRING, "Play &One Script\tCtrl+O"},
    {0, MF_SEPARATOR, nullptr},
    {kCommandQuit, MF_STRING, "&Quit\tCtrl+Q"},
    {0, MF_SEPARATOR, nullptr},
    {kCommandContact, MF_GRAYED, "MAC: zivro-mac@example.org"},
    {kCommandContact, MF_GRAYED, "WINDOWS: zivro-windows@example.org"},
    {kCommandContact, MF_GRAYED, "UPDATES: https://zivro.example.org/updates"},
};

// Ctrl plus a letter runs a command. Both codes of each letter are accepted:
// letter keys send the upper-case code, and the lower-case codes are those
// of keypad and function keys, which thus run the same commands.
unsigned accelerator_command(unsigned key) {
  switch (key) {
    case 'A':
    case 'a':
      return kCommandAnimate;
    case 'H':
    case 'h':
      return kCommandHalt;
    case 'F':
    case 'f':
      return kCommandAdvanceFrame;
    case 'L':
    case 'l':
      return kCommandLogging;
    case 'R':
    case 'r':
      return kCommandRecord;
    case 'P':
    case 'p':
      return kCommandPlayback;
    case 'O':
    case 'o':
      return kCommandPlayOne;
    case 'Q':
    case 'q':
      return kCommandQuit;
    default:
      return 0;
  }
}

// The logging flag and its check mark in the run menu go together.
void set_logging(bool on) {
  set_logging_flag(on);
  set_run_menu_check(kCommandLogging, logging_flag());
}

void stop_playback() {
  script_set_playing(false);
  events.run.play_one = false;
  set_run_menu_check(kCommandPlayback, false);
}

bool wants(int group) {
  return (events.wanted & group) != 0;
}

// Whether the program asked for events of this kind; the four kinds of
// every program always count.
bool kind_wanted(int kind) {
  switch (kind) {
    case ZIVRO_KEY_PRESS:
    case ZIVRO_KEY_RELEASE:
      return wants(ZIVRO_WANT_KEYS);
    case ZIVRO_MOUSE_RELEASE:
      return wants(ZIVRO_WANT_RELEASE);
    case ZIVRO_MOUSE_DRAG:
      return wants(ZIVRO_WANT_DRAG);
    case ZIVRO_MOUSE_RIGHT:
    case ZIVRO_MOUSE_MIDDLE:
      return wants(ZIVRO_WANT_BUTTONS);
    case ZIVRO_MOUSE_MOVE:
      return wants(ZIVRO_WANT_MOVE);
    case ZIVRO_MOUSE_WHEEL:
      return wants(ZIVRO_WANT_WHEEL);
    default:
      return true;
  }
}

// Makes the script's event the pending one. Fields the event does not have
// keep what a message of the same step may have set.
void take_script_event(const Event& event) {
  Event& pending = events.pending;
  pending.kind = event.kind;
  // A program that asked for nothing sees no modifiers, as it records none.
  pending.modifiers = events.wanted ? event.modifiers : 0;
  if (is_mouse_kind(event.kind)) {
    pending.x = event.x;
    pending.y = event.y;
    pending.button = event.button;
  } else if (event.kind == ZIVRO_KBD) {
    pending.key = event.key;
  } else if (event.kind == ZIVRO_KEY_PRESS || event.kind == ZIVRO_KEY_RELEASE) {
    pending.key_code = event.key_code;
  }
}

// The next script event of a kind the program asked for; events of other
// kinds are passed over, as their input would make no event.
bool read_wanted_script_event(Event* event) {
  while (script_read_event(event)) {
    if (kind_wanted(event->kind)) return true;
  }
  return false;
}

void run_command(unsigned id) {
  RunState& run = events.run;
  switch (id) {
    case kCommandAnimate:
      run.animate = true;
      break;
    case kCommandHalt:
      run.animate = false;  // a pending single step stays
      break;
    case kCommandAdvanceFrame:
      run.animate = false;
      run.single_step = true;
      break;
    case kCommandLogging:
      set_logging(!logging_flag());
      break;
    case kCommandRecord:
      if (script_recording()) {
        set_run_menu_check(kCommandRecord, false);
        script_stop_recording();
      } else {
        // The file is opened, and emptied, by the first line written.
        set_run_menu_check(kCommandRecord, true);
        script_start_recording();
      }
      break;
    case kCommandPlayback:
      if (script_playing()) {
        set_run_menu_check(kCommandPlayback, false);
        script_stop_playback();  // a recording keeps its file
      } else {
        run.animate = false;
        run.single_step = false;
        script_set_playing(true);
        set_run_menu_check(kCommandPlayback, true);
      }
      break;
    case kCommandPlayOne:
      run.play_one = true;
      run.animate = false;
      run.single_step = false;
      break;
    case kCommandQuit:
      platform::post_quit_message(0);
      break;
    default:
      break;  // other ids, the grayed contact lines among them, do nothing
  }
}

bool still_waiting(const Event& pending, const RunState& run) {
  return pending.kind == kNoEvent || (pending.kind == ZIVRO_PERIODIC && !run.tick);
}

}  // namespace

Event& pending_event() {
  return events.pending;
}
const WaitProgress& event_wait_progress() {
  return wait_progress_record;
}
RunState& run_state() {
  return events.run;
}
platform::Menu run_menu() {
  return events.run_menu;
}

bool pump_one_message() {
  platform::Message message;
  const bool took = platform::take_message(&message);
  if (took && message.number == WM_QUIT) {
    // Not dispatched, and the canvas is not presented in this step.
    events.pending.kind = ZIVRO_QUIT;
    return true;
  }
  if (took) {
    platform::translate_message(message);
    platform::dispatch_message(message);
  }
  if (canvas_dirty()) present_canvas();
  return took;
}

namespace {

// The wait itself, for every entry once it knows the package is open.
int wait_for_event(ZIVRO_Event* event) {
  Event& pending = events.pending;
  RunState& run = events.run;
  pending = Event{};
  script_wait_started();

  while (still_waiting(pending, run)) {
    const bool took = pump_one_message();
    if (pending.kind != ZIVRO_QUIT && (run.play_one || script_playing())) {
      run.play_one = false;
      Event event;
      if (read_wanted_script_event(&event)) {
        take_script_event(event);
        break;  // a script event does not wait for a tick
      }
      stop_playback();
    }
    if ((run.single_step || run.animate) && pending.kind == kNoEvent) {
      pending.kind = ZIVRO_PERIODIC;
      run.tick = false;
      run.single_step = false;
      run.play_one = false;
    }
    // Nothing taken and nothing a further step could produce on its own:
    // sleep in the layer until a message comes instead of spinning.
    if (!took && !run.play_one && !script_playing() && still_waiting(pending, run)) {
      platform::wait_for_message();
    }
  }

  if (script_recording()) {
    script_record_event(pending);
  }

  const int kind = run.quit_requested ? ZIVRO_QUIT : pending.kind;
  *event = ZIVRO_Event{};
  event->kind = kind;
  event->x = pending.x;
  event->y = pending.y;
  const bool key_event = pending.kind == ZIVRO_KEY_PRESS || pending.kind == ZIVRO_KEY_RELEASE;
  event->key = key_event ? pending.key_code : pending.key;
  event->button = pending.button;
  event->modifiers = pending.modifiers;
  note_given_event(*event, events.wanted);
  return kind;
}

}  // namespace

namespace {

// Before ZIVRO_open nothing could ever come: the run is over before it
// began; after ZIVRO_close it is over.
int wait_entry(const char* name, ZIVRO_Event* event) {
  WaitProgress& progress = wait_progress_record;
  progress.calls.fetch_add(1, std::memory_order_relaxed);
  progress.inside.store(true, std::memory_order_relaxed);
  if (package_opened(name) && !package_closed()) {
    wait_for_event(event);
  } else {
    *event = ZIVRO_Event{ZIVRO_QUIT, 0, 0, 0, 0, 0};
  }
  progress.kind.store(event->kind, std::memory_order_relaxed);
  progress.x.store(event->x, std::memory_order_relaxed);
  progress.y.store(event->y, std::memory_order_relaxed);
  progress.key.store(event->key, std::memory_order_relaxed);
  progress.inside.store(false, std::memory_order_relaxed);
  return event->kind;
}

}  // namespace

extern "C" int ZIVRO_wait_event_ex(ZIVRO_Event* event) {
  ZIVRO_Event full{};
  const int kind = wait_entry("ZIVRO_wait_event_ex", &full);
  if (event) *event = full;
  return kind;
}

extern "C" int ZIVRO_wait_event_rec(EventRecord* record) {
  ZIVRO_Event full{};
  const int kind = wait_entry("ZIVRO_wait_event_rec", &full);
  if (record) *record = EventRecord{full.x, full.y, full.key};
  return kind;
}

extern "C" int ZIVRO_wait_event(int* x, int* y, char* key) {
  ZIVRO_Event full{};
  const int kind = wait_entry("ZIVRO_wait_event", &full);
  if (x) *x = full.x;
  if (y) *y = full.y;
  if (key) *key = static_cast<char>(full.key);
  return kind;
}

extern "C" int ZIVRO_want_events(int mask) {
  const int before = events.wanted;
  events.wanted = mask & kEveryGroup;
  forget_unwanted_held(events.wanted);
  return before;
}

extern "C" int ZIVRO_run_control(int what) {
  if (!package_opened("ZIVRO_run_control") || !graphics_window()) return 0;
  RunState& run = events.run;
  switch (what) {
    case ZIVRO_RUN_HALT:
      run.single_step = false;
      run.animate = false;
      break;
    case ZIVRO_RUN_STEP:
      run.single_step = true;
      break;
    case ZIVRO_RUN_ANIMATE:
      run.animate = true;
      break;
    case ZIVRO_RUN_QUIT:
      run.quit_requested = true;
      break;
    default:
      break;
  }
  return 1;
}

namespace {

int modifier_bits() {
  if (!events.wanted) return 0;
  return (events.shift_held ? ZIVRO_MOD_SHIFT : 0) | (events.run.ctrl_held ? ZIVRO_MOD_CTRL : 0) |
         (events.alt_held ? ZIVRO_MOD_ALT : 0);
}

void note_modifier_key(unsigned key, bool down) {
  if (key == VK_SHIFT) events.shift_held = down;
  if (key == VK_MENU) events.alt_held = down;
}

// A key's press or release, if the program asked for keys.
void key_event(int kind, unsigned key) {
  if (!wants(ZIVRO_WANT_KEYS)) return;
  events.pending.kind = kind;
  events.pending.key_code = static_cast<int>(key & 0xFF);
  events.pending.modifiers = modifier_bits();
}

// Mouse events other than the left click: client coordinates as signed
// words, since a drag may leave the window.
void mouse_event(int kind, int button, intptr_t lparam) {
  Event& pending = events.pending;
  pending.kind = kind;
  pending.x = static_cast<int16_t>(platform::low_word(lparam)) - origin_x();
  pending.y = origin_y() - static_cast<int16_t>(platform::high_word(lparam));
  pending.button = button;
  pending.modifiers = modifier_bits();
}

int buttons_held(uintptr_t key_state) {
  return ((key_state & MK_LBUTTON) ? ZIVRO_BUTTON_LEFT : 0) |
         ((key_state & MK_RBUTTON) ? ZIVRO_BUTTON_RIGHT : 0) |
         ((key_state & MK_MBUTTON) ? ZIVRO_BUTTON_MIDDLE : 0);
}

}  // namespace

// Messages of events nobody asked for are handled as they always were:
// those that made no event before still go to the default procedure.
bool handle_input_message(unsigned message, uintptr_t wparam, intptr_t lparam) {
  Event& pending = events.pending;
  RunState& run = events.run;
  const auto key = static_cast<unsigned>(wparam);
  switch (message) {
    case WM_LBUTTONDOWN:
      pending.x = static_cast<int>(platform::low_word(lparam)) - origin_x();
      pending.y = origin_y() - static_cast<int>(platform::high_word(lparam));
      pending.kind = ZIVRO_MOUSE;
      pending.button = ZIVRO_BUTTON_LEFT;
      pending.modifiers = modifier_bits();
      return true;
    case WM_CHAR:
      // With Ctrl held the character belongs to an accelerator.
      if (!run.ctrl_held) {
        pending.kind = ZIVRO_KBD;
        pending.key = static_cast<char>(wparam & 0xFF);
        pending.modifiers = modifier_bits();
      }
      return true;
    case WM_KEYDOWN:
      if (key == VK_CONTROL) {
        run.ctrl_held = true;
      } else if (run.ctrl_held) {
        const unsigned command = accelerator_command(key);
        run_command(command);
        if (command) {
          events.accelerator_keys_down.set(key & 0xFF);
          return true;  // the accelerator's key makes no event
        }
      }
      note_modifier_key(key, true);
      key_event(ZIVRO_KEY_PRESS, key);
      return true;
    case WM_KEYUP:
      if (key == VK_CONTROL) run.ctrl_held = false;
      note_modifier_key(key, false);
      if (events.accelerator_keys_down.test(key & 0xFF)) {
        events.accelerator_keys_down.reset(key & 0xFF);
      } else {
        key_event(ZIVRO_KEY_RELEASE, key);
      }
      return true;
    case WM_SYSKEYDOWN:
    case WM_SYSKEYUP:
      // Keys typed with Alt held, and F10: the menu bar still takes them.
      note_modifier_key(key, message == WM_SYSKEYDOWN);
      key_event(message == WM_SYSKEYDOWN ? ZIVRO_KEY_PRESS : ZIVRO_KEY_RELEASE, key);
      return false;
    case WM_LBUTTONUP:
    case WM_RBUTTONUP:
    case WM_MBUTTONUP: {
      // A release comes for the buttons whose presses come.
      const bool left = message == WM_LBUTTONUP;
      if (!wants(ZIVRO_WANT_RELEASE) || (!left && !wants(ZIVRO_WANT_BUTTONS))) return false;
      const int button = left                      ? ZIVRO_BUTTON_LEFT
                         : message == WM_RBUTTONUP ? ZIVRO_BUTTON_RIGHT
                                                   : ZIVRO_BUTTON_MIDDLE;
      mouse_event(ZIVRO_MOUSE_RELEASE, button, lparam);
      return true;
    }
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
      if (!wants(ZIVRO_WANT_BUTTONS)) return false;
      if (message == WM_RBUTTONDOWN) {
        mouse_event(ZIVRO_MOUSE_RIGHT, ZIVRO_BUTTON_RIGHT, lparam);
      } else {
        mouse_event(ZIVRO_MOUSE_MIDDLE, ZIVRO_BUTTON_MIDDLE, lparam);
      }
      return true;
    case WM_MOUSEMOVE:
      if (!wants(ZIVRO_WANT_DRAG) && !wants(ZIVRO_WANT_MOVE)) return false;
      if (!buttons_held(wparam)) {
        if (wants(ZIVRO_WANT_MOVE)) mouse_event(ZIVRO_MOUSE_MOVE, 0, lparam);
      } else if (wants(ZIVRO_WANT_DRAG)) {
        mouse_event(ZIVRO_MOUSE_DRAG, buttons_held(wparam), lparam);
      }
      return true;
    case WM_MOUSEWHEEL: {
      if (!wants(ZIVRO_WANT_WHEEL)) return false;
      // A fine wheel sends parts of a step; they add up to whole steps.
      events.wheel_rest += static_cast<int16_t>(platform::high_word(static_cast<intptr_t>(wparam)));
      const int steps = events.wheel_rest / WHEEL_DELTA;
      events.wheel_rest %= WHEEL_DELTA;
      if (steps != 0) {
        mouse_event(ZIVRO_MOUSE_WHEEL, steps,
                    platform::wheel_client_position(graphics_window(), lparam));
      }
      return true;
    }
    case WM_TIMER:
      run.tick = true;
      return true;
    case WM_COMMAND:
      // The whole word parameter is the id, so no higher bits may be set.
      if (wparam >= kCommandAnimate && wparam <= kCommandQuit) {
        run_command(static_cast<unsigned>(wparam));
      }
      return true;
    default:
      return false;
  }
}

void build_run_menu(platform::Window window) {
  platform::Menu bar = platform::create_menu_bar();
  events.run_menu = platform::create_popup_menu();
  for (const MenuEntry& entry : kRunMenu) {
    platform::append_menu_item(events.run_menu, entry.flags, entry.id, entry.label);
  }
  platform::append_popup_menu(bar, events.run_menu, "&Run");
  platform::attach_menu(window, bar);
  platform::redraw_menu_bar(window);
}

void set_run_menu_check(unsigned command_id, bool checked) {
  platform::check_menu_item(events.run_menu, command_id, checked);
}

extern "C" int ZIVRO_logging(int on) {
  if (!package_opened("ZIVRO_logging") || !graphics_window()) return 0;
  set_logging(on != 0);
  if (logging_flag()) text_window_show(1);
  return 1;
}

void ask_for_recording_from_open() {
  events.record_from_open = true;
}

void ask_for_playback_from_open() {
  events.play_from_open = true;
}

void start_run_control_if_asked() {
  if (events.record_from_open && !script_recording()) run_command(kCommandRecord);
  if (events.play_from_open && !script_playing()) run_command(kCommandPlayback);
}

void reset_events_state() {
  events = EventsState{};
  reset_held_input();
}

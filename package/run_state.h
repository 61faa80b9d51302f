// The package's one pending event, its run-control flags and the run
// menu's command ids. The events module owns the single instance of each;
// whether recording and playback are on is the script module's to say.
#pragma once

#include <zivro.h>

constexpr int kNoEvent = -1;

// One event as the package carries it: made by the input or read from a
// script, handed to the program, written into a recording. Only the fields
// of its kind mean anything: x and y for the mouse kinds, key for a
// character, key_code for a key press or release, button for the mouse
// kinds; modifiers go with every kind but the periodic one.
struct Event {
  int kind = kNoEvent;
  int x = 0;  // package coordinates
  int y = 0;
  char key = 0;
  // The details that only the opt-in events and ZIVRO_wait_event_ex carry.
  int key_code = 0;   // ZIVRO_KEY_PRESS, ZIVRO_KEY_RELEASE
  int button = 0;     // ZIVRO_BUTTON_ bits
  int modifiers = 0;  // ZIVRO_MOD_ bits; 0 unless the program wants some events
};

// Whether an event of this kind is one of the mouse's, with a position and
// a button (or, for the wheel, its steps).
constexpr bool is_mouse_kind(int kind) {
  return kind == ZIVRO_MOUSE || kind == ZIVRO_MOUSE_RELEASE || kind == ZIVRO_MOUSE_DRAG ||
         kind == ZIVRO_MOUSE_RIGHT || kind == ZIVRO_MOUSE_MIDDLE || kind == ZIVRO_MOUSE_MOVE ||
         kind == ZIVRO_MOUSE_WHEEL;
}

struct RunState {
  bool animate = false;
  bool single_step = false;
  bool quit_requested = false;
  bool play_one = false;
  bool ctrl_held = false;
  bool tick = false;
};

// Run-menu command ids; the menu's items and the Ctrl accelerators run them.
enum RunCommand : unsigned {
  kCommandAnimate = 1,
  kCommandHalt = 2,
  kCommandAdvanceFrame = 3,
  kCommandLogging = 4,
  kCommandRecord = 5,
  kCommandPlayback = 6,
  kCommandPlayOne = 7,
  kCommandQuit = 8,
  kCommandContact = 9,  // the grayed contact lines
};

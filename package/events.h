// The pending event, the run-control flags, the message pump and the run
// menu: the package's spine. ZIVRO_wait_event is the only pump.
#pragma once

#include <cstdint>

#include "platform/platform.h"

constexpr int kNoEvent = -1;

struct PendingEvent {
  int kind = kNoEvent;
  int mouse_x = 0;
  int mouse_y = 0;
  char key = 0;
};

struct RunState {
  bool animate = false;
  bool single_step = false;
  bool quit_requested = false;
  bool play_one = false;
  bool playback = false;
  bool recording = false;
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

PendingEvent& pending_event();
RunState& run_state();

// One step of the pump: takes at most one message, never waits. Returns
// whether a message was taken.
bool pump_one_message();

// The input messages of the graphics window (click, character, keys, timer,
// menu command). Returns false for any other message.
bool handle_input_message(unsigned message, uintptr_t wparam, intptr_t lparam);

// Builds the "&Run" menu and attaches it to the window being created.
void build_run_menu(platform::Window window);
void set_run_menu_check(unsigned command_id, bool checked);
platform::Menu run_menu();

void script_stop_playback();

void reset_events_state();

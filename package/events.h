// The pending event, the run-control flags, the message pump and the run
// menu: the package's spine. ZIVRO_wait_event is the only pump.
#pragma once

#include <cstdint>
#include <string>

#include "platform/platform.h"
#include "run_state.h"
#include "wait_progress.h"

Event& pending_event();
// What startup.h's wait_progress() shows.
const WaitProgress& event_wait_progress();
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

// Recording or playback from the program's start, as a layer's main asks
// through startup.h: ZIVRO_open switches it on as it finishes
// (start_run_control_if_asked), so the program's first event, and the
// answer of a dialog it shows before its first wait, are in the script or
// come from it.
void ask_for_recording_from_open();
void ask_for_playback_from_open();
void start_run_control_if_asked();

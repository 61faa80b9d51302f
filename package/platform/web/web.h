// The web layer's own interface, between its files.
#pragma once

#include <cstdint>

#include "platform/layer_only.h"
#include "platform/platform.h"

namespace web {

// Called by the layer's main before WinMain.
void mark_started();
// The page asked for its test hooks: every presented frame is handed to it.
void set_test_hooks(bool on);
// Suspends the program until the page has input for it or ms have passed
// (ms < 0: until input). The page stays live meanwhile.
void sleep_until_input(double ms);
// How long until the next timer message falls due; -1 when none is running.
double ms_until_next_timer();
// Where a window is known to the page: its handle as a number.
int window_id(platform::Window window);

}  // namespace web

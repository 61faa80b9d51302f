// What only the tests ask of the script module: its counters, and a fresh
// start for each test.
#pragma once

#include "script.h"

// The recording's ticks not yet ended by another event (their line is
// already in the file), and the periodic events still to be served from
// the last periodic line played.
int periodic_run_counter();
int playback_ticks_remaining();
// Sets the recording's count as if that many ticks had been counted, with
// no line for them in the file yet: lets a test start near the limit.
void set_periodic_run_counter(int count);
void reset_script_state();

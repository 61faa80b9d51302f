// Puts the package and the headless layer back as a fresh process has them,
// so that tests and benchmarks can open the package again and again.
#pragma once

#include "draw/colour_table_testing.h"
#include "draw/pictures_testing.h"
#include "events_testing.h"
#include "package_windows_testing.h"
#include "platform/headless/headless.h"
#include "script_testing.h"
#include "startup.h"
#include "text/text_log_testing.h"

inline void reset_package() {
  headless::reset();
  reset_events_state();
  reset_windows_state();
  reset_script_state();
  reset_text_log_state();
  reset_colour_table();
  reset_pictures_state();
}

// What only the tests ask of the windows module: a fresh start.
#pragma once

#include "package_windows.h"

void reset_windows_state();

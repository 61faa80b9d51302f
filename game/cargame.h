// The car game's whole run: start-up, the event loop, closing. Returns the
// exit code.
#pragma once

#include <zivro.h>

int run_cargame(HINSTANCE instance, HINSTANCE previous, LPSTR command_line, int show_mode);

// The desktop layer's own interface.
#pragma once

#include <string>

#include "platform/layer_only.h"

namespace desktop {

// true: waiting for a message returns at once, so the package spins as its
// pump step alone would. For measuring what blocking saves.
void set_spinning_wait(bool spinning);
// Every line printed to the text window is also written to the file at
// path, for checking a run from outside; false if it cannot be opened.
bool set_log_path(const char* path);
// Called by the layer's main before WinMain; ZIVRO_open refuses to run
// without it (a program that defines its own main gets no display checks).
void mark_started();
// Opens FLTK's display with the keyboard's repeats detectable: a held key
// then repeats as key presses alone, without the release X would send
// before each, as Windows repeats its key-down.
// Whether there is a display to open windows on (on Linux an X server that
// answers; elsewhere FLTK's own display is always there).
bool display_available();
void open_display();
// Text of the package, bytes in the Windows code page, as UTF-8 for FLTK.
std::string utf8_of_code_page(const std::string& bytes);

}  // namespace desktop

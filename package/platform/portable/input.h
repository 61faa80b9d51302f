// The user's keys and mouse as Windows would post them, for the layers that
// take their input from a toolkit: each layer maps its toolkit's codes to a
// KeyInput or a mouse message and hands it here.
#pragma once

#include <cstdint>

#include "platform/layer_only.h"
#include "platform/platform.h"

namespace portable {

// One key going down (again, while held) or up. `physical` names the key on
// the keyboard in the toolkit's own numbers, so that its key-up goes as its
// key-down went; `key` is its virtual-key code (0 where Windows has none)
// and `code_point` the Unicode character it types (-1 for none).
struct KeyInput {
  platform::Window window = nullptr;
  bool down = false;
  int physical = 0;
  unsigned key = 0;
  int code_point = -1;
  bool shift = false;
  bool control = false;
  bool alt = false;
  bool caps_lock = false;
};

// Posts the key's WM_KEYDOWN or WM_KEYUP. With Alt held (and Ctrl not), and
// for F10, they are system keys. A character the US layout would not make
// from that key, or one typed by a key without a code, comes as VK_PACKET
// carrying its Windows-1252 byte, so that it reaches the package through
// the same key-down wherever it was typed; one the code page lacks types
// nothing. A held key repeats as further key-downs with bit 30 (the key was
// down already) set, and comes up once.
void post_key(const KeyInput& input);

// Posts a mouse message with client coordinates; `held` is the MK_ bits of
// the buttons held after it, as Windows' word parameter.
void post_mouse(platform::Window window, unsigned message, uintptr_t held, int x, int y);

// Forgets which keys are down.
void reset_input_state();

}  // namespace portable

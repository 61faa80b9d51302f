#include "held_input.h"

#include <bitset>

namespace {

struct HeldInput {
  std::bitset<256> keys;
  int buttons = 0;  // ZIVRO_BUTTON_ bits
};
HeldInput held;

constexpr int kAllButtons = ZIVRO_BUTTON_LEFT | ZIVRO_BUTTON_RIGHT | ZIVRO_BUTTON_MIDDLE;

}  // namespace

void forget_unwanted_held(int wanted) {
  if (!(wanted & ZIVRO_WANT_KEYS)) held.keys.reset();
  if (!(wanted & ZIVRO_WANT_RELEASE)) held.buttons = 0;
}

void note_given_event(const ZIVRO_Event& event, int wanted) {
  switch (event.kind) {
    case ZIVRO_KEY_PRESS:
      held.keys.set(static_cast<unsigned>(event.key) & 0xFF);
      break;
    case ZIVRO_KEY_RELEASE:
      held.keys.reset(static_cast<unsigned>(event.key) & 0xFF);
      break;
    case ZIVRO_MOUSE:
    case ZIVRO_MOUSE_RIGHT:
    case ZIVRO_MOUSE_MIDDLE:
      // Only the release says a press is over; without releases a click is
      // a moment, not a hold.
      if (wanted & ZIVRO_WANT_RELEASE) held.buttons |= event.button & kAllButtons;
      break;
    case ZIVRO_MOUSE_RELEASE:
      held.buttons &= ~event.button;
      break;
    case ZIVRO_MOUSE_DRAG:
      // A drag names every button held as it moved.
      if (wanted & ZIVRO_WANT_RELEASE) held.buttons = event.button & kAllButtons;
      break;
    default:
      break;
  }
}

void reset_held_input() {
  held = HeldInput{};
}

extern "C" int ZIVRO_key_held(int key_code) {
  return key_code >= 0 && key_code < 256 && held.keys.test(static_cast<size_t>(key_code));
}

extern "C" int ZIVRO_button_held(int button) {
  const bool one_button =
      button == ZIVRO_BUTTON_LEFT || button == ZIVRO_BUTTON_RIGHT || button == ZIVRO_BUTTON_MIDDLE;
  return one_button && (held.buttons & button) != 0;
}

// Key-down to character translation, with the Shift, Ctrl and Caps Lock
// state seen in the key messages that pass through it, for a US keyboard
// layout. Keys typed with Alt held come as system keys and translate to
// system characters, which the menu bar takes as mnemonics.
#include "platform/portable/keyboard.h"
#include "platform/portable/message_queue.h"

namespace platform {
namespace {

struct KeyboardState {
  bool shift = false;
  bool control = false;
  bool caps_lock = false;  // toggled on
  bool caps_key_down = false;
};

KeyboardState keyboard;

}  // namespace
}  // namespace platform

namespace portable {

// Caps Lock turns letters, and only letters, to upper case; Shift turns
// them back.
int key_character(unsigned key, bool shift, bool control, bool caps_lock) {
  if (key >= 'A' && key <= 'Z') {
    if (control) return static_cast<int>(key - 'A' + 1);
    return static_cast<int>(shift != caps_lock ? key : key - 'A' + 'a');
  }
  if (control) return 0;
  if (key >= '0' && key <= '9') return shift ? ")!@#$%^&*("[key - '0'] : static_cast<int>(key);
  if (key >= 0x60 && key <= 0x69) return static_cast<int>('0' + (key - 0x60));  // keypad digits
  switch (key) {
    case VK_SPACE:
      return ' ';
    case VK_RETURN:
      return '\r';
    case VK_BACK:
      return '\b';
    case VK_TAB:
      return '\t';
    case VK_ESCAPE:
      return 0x1B;
    case 0x6A:
      return '*';
    case 0x6B:
      return '+';
    case 0x6D:
      return '-';
    case 0x6E:
      return '.';
    case 0x6F:
      return '/';
    case 0xBA:
      return shift ? ':' : ';';
    case 0xBB:
      return shift ? '+' : '=';
    case 0xBC:
      return shift ? '<' : ',';
    case 0xBD:
      return shift ? '_' : '-';
    case 0xBE:
      return shift ? '>' : '.';
    case 0xBF:
      return shift ? '?' : '/';
    case 0xC0:
      return shift ? '~' : '`';
    case 0xDB:
      return shift ? '{' : '[';
    case 0xDC:
      return shift ? '|' : '\\';
    case 0xDD:
      return shift ? '}' : ']';
    case 0xDE:
      return shift ? '"' : '\'';
    default:
      return 0;
  }
}

void translate_set_caps_lock(bool on) {
  platform::keyboard.caps_lock = on;
}

bool translate_caps_lock() {
  return platform::keyboard.caps_lock;
}

void translate_reset() {
  platform::keyboard = platform::KeyboardState{};
}

}  // namespace portable

namespace platform {

void translate_message(const Message& message) {
  const bool system = message.number == WM_SYSKEYDOWN || message.number == WM_SYSKEYUP;
  if (!system && message.number != WM_KEYDOWN && message.number != WM_KEYUP) return;
  const auto key = static_cast<unsigned>(message.wparam);
  const bool down = message.number == WM_KEYDOWN || message.number == WM_SYSKEYDOWN;
  if (key == VK_SHIFT) keyboard.shift = down;
  if (key == VK_CONTROL) keyboard.control = down;
  if (key == VK_CAPITAL) {
    // The toggle flips when the key goes down, not on its repeats.
    if (down && !keyboard.caps_key_down) keyboard.caps_lock = !keyboard.caps_lock;
    keyboard.caps_key_down = down;
  }
  if (!down) return;
  int character = 0;
  if (key == VK_PACKET) {
    if (!keyboard.control) character = static_cast<int>((message.lparam >> 16) & 0xFF);
  } else {
    character = portable::key_character(key, keyboard.shift, keyboard.control, keyboard.caps_lock);
  }
  if (character) {
    // The character is the next message taken, right after its key-down.
    portable::queue_post_next({message.window, system ? unsigned{WM_SYSCHAR} : unsigned{WM_CHAR},
                               static_cast<uintptr_t>(character), message.lparam});
  }
}

}  // namespace platform

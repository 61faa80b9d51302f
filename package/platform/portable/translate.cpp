// Key-down to character translation, with the shift and Ctrl state seen in
// the key messages that pass through it, for a US keyboard layout.
#include "platform/portable/message_queue.h"

namespace platform {
namespace {

struct KeyboardState {
  bool shift = false;
  bool control = false;
};

KeyboardState keyboard;

// The character a key makes, or 0 for keys that make none.
int character_of(unsigned key, bool shift, bool control) {
  if (key >= 'A' && key <= 'Z') {
    if (control) return static_cast<int>(key - 'A' + 1);
    return static_cast<int>(shift ? key : key - 'A' + 'a');
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

}  // namespace

void translate_message(const Message& message) {
  if (message.number != WM_KEYDOWN && message.number != WM_KEYUP) return;
  const auto key = static_cast<unsigned>(message.wparam);
  const bool down = message.number == WM_KEYDOWN;
  if (key == VK_SHIFT) keyboard.shift = down;
  if (key == VK_CONTROL) keyboard.control = down;
  if (!down) return;
  if (int character = character_of(key, keyboard.shift, keyboard.control)) {
    // The character is the next message taken, right after its key-down.
    portable::queue_post_next(
        {message.window, WM_CHAR, static_cast<uintptr_t>(character), message.lparam});
  }
}

}  // namespace platform

namespace portable {
void translate_reset() {
  platform::keyboard = platform::KeyboardState{};
}
}  // namespace portable

// Key and mouse messages posted as Windows posts them (portable/input.h).
#include "platform/portable/input.h"

#include <map>

#include "platform/portable/keyboard.h"
#include "platform/portable/message_queue.h"
#include "platform/portable/objects.h"
#include "platform/raster/text.h"

namespace portable {
namespace {

struct KeyDown {
  unsigned key = 0;    // the virtual key its key-down posted
  int character = -1;  // for VK_PACKET, the byte it carried
};

struct InputState {
  std::map<int, KeyDown> keys_down;  // by the toolkit's key number
};

InputState input;

}  // namespace

void post_key(const KeyInput& in) {
  const int character = in.code_point < 0 ? -1 : raster::windows_1252_byte(in.code_point);
  if (!in.down) {
    // A key that went down elsewhere comes up with its own code.
    KeyDown was{in.key, -1};
    if (auto found = input.keys_down.find(in.physical); found != input.keys_down.end()) {
      was = found->second;
      input.keys_down.erase(found);
    }
    if (!was.key) return;
    const bool system = !in.control && (in.alt || was.key == VK_F10);
    platform::post_message(in.window, system ? WM_SYSKEYUP : WM_KEYUP, was.key,
                           was.key == VK_PACKET
                               ? packet_lparam(static_cast<unsigned char>(was.character), true)
                               : static_cast<intptr_t>(0xC0000001u) | (system ? 0x20000000 : 0));
    return;
  }
  const bool repeat = input.keys_down.count(in.physical) != 0;
  unsigned key = in.key;
  // The real Caps Lock state, while no earlier key waits for translation.
  if (key != VK_CAPITAL && !queue_has_posted()) translate_set_caps_lock(in.caps_lock);
  if (character >= 0x20 && character != 0x7F && !in.control && !in.alt &&
      (!key || key_character(key, in.shift, false, in.caps_lock) != character)) {
    key = VK_PACKET;
  }
  if (!key) return;
  const bool system = !in.control && (in.alt || key == VK_F10);
  input.keys_down[in.physical] = {key, character};
  const intptr_t lparam = key == VK_PACKET
                              ? packet_lparam(static_cast<unsigned char>(character), false)
                              : (system ? 0x20000001 : 1);
  platform::post_message(in.window, system ? WM_SYSKEYDOWN : WM_KEYDOWN, key,
                         lparam | (repeat ? 0x40000000 : 0));
}

void post_mouse(platform::Window window, unsigned message, uintptr_t held, int x, int y) {
  platform::post_message(window, message, held, platform::make_lparam(x, y));
}

void reset_input_state() {
  input = InputState{};
}

}  // namespace portable

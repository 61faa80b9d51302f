// Keyboard messages and keys that only the platform layers use: system keys
// (typed with Alt held, and F10), Caps Lock, and keys that carry their
// character, for the portable layers' key translation and menu mnemonics.
#pragma once

#include <cstdint>

#include "platform/layer_only.h"
#include "platform/platform.h"

#ifndef WM_SYSCHAR
#define WM_SYSCHAR 0x0106
#define VK_CAPITAL 0x14
#define VK_F10 0x79
#define VK_PACKET 0xE7
#endif

namespace portable {

// The character a key makes with this modifier state on a US layout, or 0.
int key_character(unsigned key, bool shift, bool control, bool caps_lock);

// Caps Lock as the translation sees it: the Caps Lock key toggles it, and a
// layer that knows the real state sets it.
void translate_set_caps_lock(bool on);
bool translate_caps_lock();

// A key of another layout, or a composed character, has no key code of its
// own: it comes as VK_PACKET with its Latin-1 character in the scan-code
// bits of the long parameter, and translates to that character.
inline intptr_t packet_lparam(unsigned char character, bool up) {
  const uint32_t flags = up ? 0xC0000001u : 0x00000001u;
  return static_cast<intptr_t>(flags | (static_cast<uint32_t>(character) << 16));
}

}  // namespace portable

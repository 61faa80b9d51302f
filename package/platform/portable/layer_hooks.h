// What each portable layer (headless, desktop, web) supplies to the shared
// code under portable/. The shared code implements the rest of platform.h.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/layer_only.h"
#include "platform/platform.h"
#include "platform/portable/objects.h"

namespace portable {

// The layer's clock in milliseconds: virtual for headless, monotonic for the
// desktop and the web page.
uint64_t layer_now_ms();
// A window's surface received new pixels and should be shown.
void layer_surface_changed(platform::Window window);
// A block of pixels is being copied into a window from this surface. Returns
// whether the window's own surface must receive the pixels: a layer that
// shows nothing may know that nobody will read them.
bool layer_block_copied(platform::Window window, const platform::BitmapObject& source);
// A window's menu bar was attached, redrawn, or had an item changed.
void layer_menu_changed(platform::Window window);
// A window was created, shown or destroyed.
void layer_window_changed(platform::Window window);
// The user opened a popup of the window's menu bar from the keyboard (a
// mnemonic with Alt, or F10); index is the popup's place on the bar. Returns
// once the menu is closed; a choice made in it is posted as WM_COMMAND.
void layer_open_menu(platform::Window window, size_t index);

}  // namespace portable

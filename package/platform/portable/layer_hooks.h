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
// The block a copy into a window moves, clipped to both surfaces: from
// (source_x, source_y) of the source to (x, y) of the window's surface.
// Width or height may be 0, when nothing of it lies on both.
struct BlockCopy {
  int x = 0;
  int y = 0;
  int source_x = 0;
  int source_y = 0;
  int width = 0;
  int height = 0;
};
// A block of pixels is being copied into a window from this surface. Returns
// whether the shared code must still copy the pixels into the window's own
// surface (and then call layer_surface_changed): a layer that shows nothing
// may know that nobody will read them, and a layer may copy them itself.
bool layer_block_copied(platform::Window window, const platform::BitmapObject& source,
                        const BlockCopy& block);
// A window's surface was written otherwise than by a drawing call or a block
// copy (begin_paint's erase, a resize). It is shown only with what is drawn
// next, as before.
void layer_surface_rewritten(platform::Window window);
// A window's menu bar was attached, redrawn, or had an item changed.
void layer_menu_changed(platform::Window window);
// A window was created, shown or destroyed.
void layer_window_changed(platform::Window window);
// The user opened a popup of the window's menu bar from the keyboard (a
// mnemonic with Alt, or F10); index is the popup's place on the bar. Returns
// once the menu is closed; a choice made in it is posted as WM_COMMAND.
void layer_open_menu(platform::Window window, size_t index);

}  // namespace portable

// Window classes and windows of the portable layers.
#pragma once

#include <vector>

#include "platform/layer_only.h"
#include "platform/portable/objects.h"

namespace portable {

// Every window created and not yet forgotten, in creation order.
const std::vector<platform::Window>& all_windows();
// The first window created and not yet forgotten: the graphics window,
// whose frames a layer shows or counts.
platform::Window main_window();
// The window the user's keys go to: the last one shown with an activating mode.
platform::Window active_window();
void set_active_window(platform::Window window);
// Destroys a window as Windows does: WM_DESTROY, then nothing more reaches it.
void destroy_window(platform::Window window);
// The client size Windows gives a window of that style and outer size, with
// or without a menu bar, so that package coordinates match on every layer:
// a frame of 3 pixels, a caption of 20 and a menu bar of 13.
platform::Size client_size(uint32_t style, int width, int height, bool has_menu);
// The user resized a window's client area: new surface (old pixels kept
// top-left), WM_SIZE at once, and a paint request.
void resize_client(platform::Window window, int width, int height);
// Whether a block copied into a window shows a picture it did not show
// before. A present always does; a repaint (inside WM_PAINT) of the picture
// the last frame showed does not, so a run shows its first picture once
// whether or not the window's first paint came after it. Keeps a copy of
// the last frame: only layers that count frames ask.
bool shows_new_frame(platform::Window window, const platform::BitmapObject& source);
// Gives a window's own context the objects and modes of a fresh one.
void reset_context_state(platform::DrawingContextObject& context);

// Forgets every class, window, menu, surface, queued message and key state,
// so that a test starts from a fresh process.
void reset_portable_state();

}  // namespace portable

// The in-memory objects behind the portable layers' handles: windows, menus,
// bitmaps and drawing contexts. Shared by the headless, desktop and web layers.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "platform/layer_only.h"
#include "platform/platform.h"
#include "platform/portable/deferred_fills.h"
#include "platform/portable/dialog_template.h"
#include "platform/raster/shapes.h"

namespace platform {

struct MenuItem {
  unsigned flags = 0;  // MF_ flags; MF_CHECKED mirrors the check mark
  unsigned id = 0;
  std::string label;
  Menu popup = nullptr;  // set for a popup appended to a menu bar
};

struct MenuObject {
  bool is_bar = false;
  std::vector<MenuItem> items;
};

// A 32-bit pixel surface, 0x00RRGGBB per pixel, rows top to bottom. Box
// fills may be held back (see deferred_fills.h): read and write the pixels
// through settled_pixels() or surface_of(), which write them first. Held
// fills change what the memory holds, not the pixels the bitmap shows, so
// a const bitmap settles them too.
struct BitmapObject {
  int width = 0;
  int height = 0;
  mutable std::vector<uint32_t> unsettled_pixels;
  // Kept by the layer that digests the bitmap's frames, once it starts to;
  // every writer of the pixels tells it what it wrote.
  mutable raster::WrittenRows written;
  mutable portable::DeferredFills deferred;
};

// The bitmap as a surface for the rasterizer, its writes tracked where they
// are, with fills still held: for drawing that settles the rows it touches.
inline raster::Surface unsettled_surface(const BitmapObject& bitmap) {
  return {bitmap.unsettled_pixels.data(), bitmap.width, bitmap.height,
          bitmap.written.enabled ? &bitmap.written : nullptr};
}

// The bitmap as a surface for the rasterizer, every held fill written.
inline raster::Surface surface_of(const BitmapObject& bitmap) {
  const raster::Surface surface = unsettled_surface(bitmap);
  portable::settle_all(bitmap.deferred, surface);
  return surface;
}

// The bitmap's pixels, every held fill written.
inline const std::vector<uint32_t>& settled_pixels(const BitmapObject& bitmap) {
  portable::settle_all(bitmap.deferred, unsettled_surface(bitmap));
  return bitmap.unsettled_pixels;
}
inline std::vector<uint32_t>& settled_pixels(BitmapObject& bitmap) {
  portable::settle_all(bitmap.deferred, unsettled_surface(bitmap));
  return bitmap.unsettled_pixels;
}

// A colour reference (0x00BBGGRR, as Windows takes colours) as a pixel.
inline uint32_t pixel_of(uint32_t colour) {
  return ((colour & 0xFFu) << 16) | (colour & 0xFF00u) | ((colour >> 16) & 0xFFu);
}

struct PenObject {
  bool null = false;
  int width = 1;
  uint32_t colour = 0;  // colour reference 0x00BBGGRR
};

struct BrushObject {
  bool hollow = false;
  uint32_t colour = 0x00FFFFFFu;
};

struct FontObject {
  bool fixed_pitch = false;  // the stock fixed-pitch font, else the canvas face
  int em_height = 0;         // pixels; 0 picks the default
};

struct DrawingContextObject {
  Bitmap bitmap = nullptr;  // the surface drawn on: selected or the window's
  Window window = nullptr;  // set for a window's own context
  Pen pen = nullptr;        // null means the initial object of its kind
  Brush brush = nullptr;
  Font font = nullptr;
  int background_mode = OPAQUE;
  uint32_t background_colour = 0x00FFFFFFu;
  uint32_t text_colour = 0;
  Vertex position;
};

struct WindowObject {
  std::string class_name;
  std::string title;
  WindowProc procedure = nullptr;
  uint32_t background = 0x00FFFFFFu;  // the class's, colour reference
  uint32_t style = 0;
  int x = 0;
  int y = 0;
  int width = 0;  // outer size, frame included
  int height = 0;
  Size client;
  Menu menu = nullptr;
  bool visible = false;
  bool destroyed = false;
  BitmapObject surface;  // what the window shows, client size
  DrawingContextObject context;
  long presents = 0;                 // block copies made into the window
  bool painting = false;             // between begin_paint and end_paint
  std::vector<uint32_t> last_frame;  // kept by shows_new_frame only
};

// A modal dialog while it runs: its layout, the texts of its controls (the
// edit field's as the user typed it) and how it ended.
struct DialogObject {
  portable::DialogLayout layout;
  DialogProc procedure = nullptr;
  std::map<int, std::string> texts;
  bool ended = false;
  intptr_t result = 0;
};

}  // namespace platform

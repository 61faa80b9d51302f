// Pixel surfaces and the drawing contexts that select them.
#include <algorithm>
#include <memory>
#include <vector>

#include "platform/portable/layer_hooks.h"
#include "platform/portable/objects.h"
#include "platform/portable/window_registry.h"

namespace platform {
namespace {

struct SurfaceStore {
  std::vector<std::unique_ptr<BitmapObject>> bitmaps;
  std::vector<std::unique_ptr<DrawingContextObject>> contexts;
};

SurfaceStore store;

// A memory context starts with a one-pixel surface selected, as GDI's does.
Bitmap default_bitmap() {
  static BitmapObject one_pixel{1, 1, {0}, {}, {}};
  return &one_pixel;
}

}  // namespace

DrawingContext window_context(Window window) {
  if (!window || window->destroyed) return nullptr;
  portable::reset_context_state(window->context);
  return &window->context;
}

void release_window_context(Window, DrawingContext) {}

DrawingContext create_memory_context(DrawingContext) {
  store.contexts.push_back(std::make_unique<DrawingContextObject>());
  store.contexts.back()->bitmap = default_bitmap();
  return store.contexts.back().get();
}

Bitmap create_bitmap(DrawingContext, int width, int height) {
  auto bitmap = std::make_unique<BitmapObject>();
  bitmap->width = std::max(width, 0);
  bitmap->height = std::max(height, 0);
  // Content is undefined until drawn; black keeps it deterministic.
  bitmap->unsettled_pixels.assign(
      static_cast<size_t>(bitmap->width) * static_cast<size_t>(bitmap->height), 0);
  store.bitmaps.push_back(std::move(bitmap));
  return store.bitmaps.back().get();
}

Bitmap select_bitmap(DrawingContext context, Bitmap bitmap) {
  if (!context || context->window || !bitmap) return nullptr;
  Bitmap previous = context->bitmap;
  context->bitmap = bitmap;
  return previous;
}

}  // namespace platform

namespace portable {

bool shows_new_frame(platform::Window window, const platform::BitmapObject& source) {
  const std::vector<uint32_t>& pixels = settled_pixels(source);
  const bool repeated = window->painting && window->last_frame == pixels;
  if (!repeated) window->last_frame = pixels;
  return !repeated;
}

}  // namespace portable

namespace platform {

void copy_block(DrawingContext destination, int x, int y, int width, int height,
                DrawingContext source, int source_x, int source_y) {
  if (!destination || !source || !destination->bitmap || !source->bitmap) return;
  BitmapObject& to = *destination->bitmap;
  const BitmapObject& from = *source->bitmap;
  // Clip in 64 bits so that no coordinate can overflow.
  int64_t dx = x, dy = y, sx = source_x, sy = source_y, w = width, h = height;
  if (dx < 0) {
    sx -= dx;
    w += dx;
    dx = 0;
  }
  if (dy < 0) {
    sy -= dy;
    h += dy;
    dy = 0;
  }
  if (sx < 0) {
    dx -= sx;
    w += sx;
    sx = 0;
  }
  if (sy < 0) {
    dy -= sy;
    h += sy;
    sy = 0;
  }
  w = std::min({w, int64_t{to.width} - dx, int64_t{from.width} - sx});
  h = std::min({h, int64_t{to.height} - dy, int64_t{from.height} - sy});
  const bool any = w > 0 && h > 0;
  if (destination->window) {
    ++destination->window->presents;
    // With nothing to copy the offsets may lie off the surfaces: the layer
    // is given an empty block at the origin.
    const portable::BlockCopy block =
        any ? portable::BlockCopy{static_cast<int>(dx), static_cast<int>(dy), static_cast<int>(sx),
                                  static_cast<int>(sy), static_cast<int>(w),  static_cast<int>(h)}
            : portable::BlockCopy{};
    if (!portable::layer_block_copied(destination->window, *source->bitmap, block)) return;
  }
  if (any) {
    const std::vector<uint32_t>& from_pixels = settled_pixels(from);
    std::vector<uint32_t>& to_pixels = settled_pixels(to);
    for (int64_t row = 0; row < h; ++row) {
      const uint32_t* in = &from_pixels[static_cast<size_t>((sy + row) * from.width + sx)];
      uint32_t* out = &to_pixels[static_cast<size_t>((dy + row) * to.width + dx)];
      std::copy(in, in + w, out);
      if (to.written.enabled) raster::note_written(&to.written, dy + row, dx, dx + w - 1);
    }
  }
  if (destination->window) portable::layer_surface_changed(destination->window);
}

}  // namespace platform

namespace portable {
void surfaces_reset() {
  platform::store = platform::SurfaceStore{};
}
}  // namespace portable

// Drawing on the portable surfaces with GDI's pixel rules.
#include <algorithm>
#include <memory>
#include <vector>

#include "platform/portable/layer_hooks.h"
#include "platform/portable/objects.h"

namespace platform {
namespace {

std::vector<std::unique_ptr<BrushObject>> brushes;

// Surfaces hold 0x00RRGGBB; colour references are 0x00BBGGRR.
uint32_t pixel_of(uint32_t colour) {
  return ((colour & 0xFFu) << 16) | (colour & 0xFF00u) | ((colour >> 16) & 0xFFu);
}

// Fills columns left..right-1 and rows top..bottom-1, clipped to the surface.
void fill(BitmapObject& surface, int64_t left, int64_t top, int64_t right, int64_t bottom,
          uint32_t pixel) {
  left = std::max<int64_t>(left, 0);
  top = std::max<int64_t>(top, 0);
  right = std::min<int64_t>(right, surface.width);
  bottom = std::min<int64_t>(bottom, surface.height);
  for (int64_t row = top; row < bottom; ++row) {
    auto begin = surface.pixels.begin() + static_cast<ptrdiff_t>(row * surface.width);
    std::fill(begin + static_cast<ptrdiff_t>(left), begin + static_cast<ptrdiff_t>(right), pixel);
  }
}

}  // namespace

Brush create_solid_brush(uint32_t colour) {
  brushes.push_back(std::make_unique<BrushObject>(BrushObject{colour}));
  return brushes.back().get();
}

Brush select_brush(DrawingContext context, Brush brush) {
  if (!context) return nullptr;
  static BrushObject initial_white;
  Brush previous = context->brush ? context->brush : &initial_white;
  context->brush = brush == &initial_white ? nullptr : brush;
  return previous;
}

void delete_brush(Brush brush) {
  std::erase_if(brushes, [&](const auto& owned) { return owned.get() == brush; });
}

void draw_rectangle(DrawingContext context, int left, int top, int right, int bottom) {
  if (!context || !context->bitmap) return;
  BitmapObject& surface = *context->bitmap;
  int64_t l = std::min(left, right), r = std::max(left, right);
  int64_t t = std::min(top, bottom), b = std::max(top, bottom);
  if (r - l < 1 || b - t < 1) return;
  const uint32_t brush = pixel_of(context->brush ? context->brush->colour : 0x00FFFFFFu);
  const uint32_t pen = pixel_of(context->pen_colour);
  fill(surface, l + 1, t + 1, r - 1, b - 1, brush);
  fill(surface, l, t, r, t + 1, pen);
  fill(surface, l, b - 1, r, b, pen);
  fill(surface, l, t, l + 1, b, pen);
  fill(surface, r - 1, t, r, b, pen);
  if (context->window) portable::layer_surface_changed(context->window);
}

}  // namespace platform

namespace portable {
void drawing_reset() {
  platform::brushes.clear();
}
}  // namespace portable

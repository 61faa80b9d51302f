// Box fills held back until something else touches their rows change no
// pixel: random mixes of drawing calls give the same bitmap as the same
// calls with every held fill written after each one.
#include <gtest/gtest.h>

#include <random>
#include <string>

#include "platform/portable/objects.h"

namespace {

constexpr int kWidth = 48, kHeight = 40;

int pick(std::mt19937& random, int low, int high) {
  return std::uniform_int_distribution<int>(low, high)(random);
}

// Draws one call, chosen by `random`, on `context`; `other` is a second
// bitmap's context to copy blocks from.
void draw_one(std::mt19937& random, platform::DrawingContext context,
              platform::DrawingContext other) {
  const uint32_t colours[] = {0x000000u, 0xFFFFFFu, 0x0000FFu, 0x00FF00u};
  const uint32_t colour = colours[pick(random, 0, 3)];
  const auto x = [&] { return pick(random, -8, kWidth + 8); };
  const auto y = [&] { return pick(random, -8, kHeight + 8); };
  // Pens and brushes that make one plain box and ones that do not.
  platform::Pen pen = nullptr;
  switch (pick(random, 0, 3)) {
    case 0:
      pen = platform::null_pen();
      break;
    case 1:
      pen = platform::create_pen(1, colour);
      break;
    case 2:
      pen = platform::create_pen(1, colours[pick(random, 0, 3)]);
      break;
    default:
      pen = platform::create_pen(3, colour);
      break;
  }
  platform::Brush brush =
      pick(random, 0, 5) == 0 ? platform::hollow_brush() : platform::create_solid_brush(colour);
  platform::Pen old_pen = platform::select_pen(context, pen);
  platform::Brush old_brush = platform::select_brush(context, brush);
  const int kind = pick(random, 0, 13);
  if (kind <= 3) {  // boxes as wide as the bitmap, which hold back the most
    platform::draw_rectangle(context, pick(random, -2, 1), y(), kWidth + pick(random, 0, 2), y());
  } else if (kind <= 6) {
    platform::draw_rectangle(context, x(), y(), x(), y());
  } else if (kind == 7) {
    platform::draw_ellipse(context, x(), y(), x(), y());
  } else if (kind == 8) {
    platform::move_to(context, x(), y());
    platform::line_to(context, x(), y());
  } else if (kind == 9) {
    const platform::Vertex corners[] = {{x(), y()}, {x(), y()}, {x(), y()}};
    platform::draw_polygon(context, corners, 3);
  } else if (kind == 10) {
    platform::set_pixel(context, x(), y(), colour);
  } else if (kind == 11) {
    platform::set_text_colour(context, colour);
    platform::draw_text(context, x(), y(), "Held", 4);
  } else if (kind == 12) {
    platform::scroll_surface(context, pick(random, -3, 3), pick(random, -3, 3));
  } else {
    platform::copy_block(context, x(), y(), pick(random, 1, 20), pick(random, 1, 20), other, x(),
                         y());
  }
  platform::select_pen(context, old_pen);
  platform::select_brush(context, old_brush);
  platform::delete_pen(pen);
  platform::delete_brush(brush);
}

platform::DrawingContext new_context() {
  platform::DrawingContext context = platform::create_memory_context(nullptr);
  platform::select_bitmap(context, platform::create_bitmap(context, kWidth, kHeight));
  return context;
}

TEST(DeferredFills, HeldFillsChangeNoPixel) {
  platform::DrawingContext source = new_context();
  std::mt19937 fill_source(5);
  for (int i = 0; i < 30; ++i) draw_one(fill_source, source, source);
  for (int sequence = 0; sequence < 300; ++sequence) {
    platform::DrawingContext held = new_context(), settled = new_context();
    std::mt19937 random_held(static_cast<unsigned>(sequence)),
        random_settled(static_cast<unsigned>(sequence));
    const int calls = pick(random_held, 1, 12);
    pick(random_settled, 1, 12);
    for (int call = 0; call < calls; ++call) {
      draw_one(random_held, held, source);
      draw_one(random_settled, settled, source);
      settled_pixels(*settled->bitmap);
    }
    ASSERT_EQ(settled_pixels(*held->bitmap), settled_pixels(*settled->bitmap))
        << "sequence " << sequence << " of " << calls << " calls";
  }
}

}  // namespace

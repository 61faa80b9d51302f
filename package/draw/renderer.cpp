#include "draw/renderer.h"

#include "draw/colour_table.h"
#include "windows.h"

void clear_canvas() {
  platform::DrawingContext canvas = canvas_context();
  platform::Brush white = platform::create_solid_brush(colour_rgb(1));
  platform::Brush previous = platform::select_brush(canvas, white);
  // Canvas pixels, not package coordinates; the one-pixel black pen that the
  // context always holds frames the edges.
  platform::draw_rectangle(canvas, 0, 0, kCanvasWidth, kCanvasHeight);
  platform::select_brush(canvas, previous);
  platform::delete_brush(white);
  mark_canvas_dirty();
}

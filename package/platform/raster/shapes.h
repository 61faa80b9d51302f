// Shapes on 32-bit pixel surfaces with GDI's pixel rules. Any coordinates
// are accepted: everything is clipped to the surface, nothing is written
// outside it, and no arithmetic overflows.
#pragma once

#include <cstdint>

#include "platform/layer_only.h"
#include "platform/raster/written_rows.h"

namespace raster {

// A view of pixels 0x00RRGGBB, rows top to bottom, `width` pixels a row;
// `written`, where set, is told every pixel written.
struct Surface {
  uint32_t* pixels = nullptr;
  int width = 0;
  int height = 0;
  WrittenRows* written = nullptr;
};

struct Pen {
  bool null = false;  // the stock null pen: draws nothing
  int width = 1;      // 0 and 1 both mean one pixel
  uint32_t colour = 0;
};

struct Brush {
  bool hollow = false;  // the stock hollow brush: fills nothing
  uint32_t colour = 0x00FFFFFFu;
};

struct Vertex {
  int x = 0;
  int y = 0;
};

void set_pixel(const Surface& surface, int x, int y, uint32_t colour);

// A segment with the pen. A one-pixel pen paints Bresenham's pixels from the
// start, ties broken per octant as GDI does, and leaves the end pixel
// unpainted. A wider pen is centred on that path and paints its end too.
void draw_line(const Surface& surface, int x0, int y0, int x1, int y1, const Pen& pen);

// The box excludes its right column and bottom row. A one-pixel pen outlines
// columns left..right-1 and rows top..bottom-1; the brush fills the inside.
// With the null pen the brush fills columns left..right-2, rows top..bottom-2.
void draw_rectangle(const Surface& surface, int left, int top, int right, int bottom,
                    const Pen& pen, const Brush& brush);

// The integer midpoint ellipse of the box, interior filled, outline on top.
// With the null pen the brush fills the outline's pixels and the interior.
void draw_ellipse(const Surface& surface, int left, int top, int right, int bottom, const Pen& pen,
                  const Brush& brush);

// A closed polygon: interior by the alternate rule with the brush, then the
// closed outline with the pen, vertices included.
void draw_polygon(const Surface& surface, const Vertex* vertices, int count, const Pen& pen,
                  const Brush& brush);

// An open chain of segments with the pen, each drawn as draw_line draws it:
// a one-pixel pen leaves the last vertex unpainted.
void draw_polyline(const Surface& surface, const Vertex* vertices, int count, const Pen& pen);

// A rectangle whose corners are quarters of the ellipse of a box
// ellipse_width by ellipse_height (each held to the box's own size): the
// corners are that ellipse's quarters as draw_ellipse traces them, joined by
// the straight sides; interior with the brush, outline with the pen. Corners
// of 2 pixels or less draw the plain rectangle.
void draw_round_rectangle(const Surface& surface, int left, int top, int right, int bottom,
                          int ellipse_width, int ellipse_height, const Pen& pen,
                          const Brush& brush);

// GDI's Arc and Pie, counter-clockwise, the only direction GDI draws by
// default. The curve is the outline of draw_ellipse's ellipse in the box,
// from where the ray from the box's centre (left + width/2, top + height/2)
// through (start_x, start_y) crosses it, counter-clockwise on the screen, up
// to where the ray through (end_x, end_y) does; the same ray twice makes the
// whole ellipse. The arc is an open chain of the curve's pixels, drawn with
// the pen as draw_polyline draws it (a one-pixel pen leaves the last
// unpainted); the pie closes the chain through the centre, and fills it with
// the brush like draw_polygon. Boxes wider or taller than 131072 pixels draw
// nothing.
void draw_arc(const Surface& surface, int left, int top, int right, int bottom, int start_x,
              int start_y, int end_x, int end_y, const Pen& pen);
void draw_pie(const Surface& surface, int left, int top, int right, int bottom, int start_x,
              int start_y, int end_x, int end_y, const Pen& pen, const Brush& brush);

// A box of one colour on a surface: columns x0..x1 and rows y0..y1, inclusive.
struct FilledBox {
  int x0 = 0;
  int y0 = 0;
  int x1 = -1;
  int y1 = -1;
  uint32_t colour = 0;
};

// Whether draw_rectangle, with this pen and brush, paints one box of one
// colour and nothing else; if so, sets *box to its part on the surface, which
// is not empty.
bool rectangle_is_one_box(const Surface& surface, int left, int top, int right, int bottom,
                          const Pen& pen, const Brush& brush, FilledBox* box);

// Fills columns left..right-1 and rows top..bottom-1.
void fill_rectangle(const Surface& surface, int left, int top, int right, int bottom,
                    uint32_t colour);

// Moves the whole surface's content by (dx, dy); what nothing moves onto
// keeps its old pixels.
void scroll(const Surface& surface, int dx, int dy);

}  // namespace raster

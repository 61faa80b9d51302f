// The renderer: each command creates the drawing objects it needs, selects
// them into the canvas context, paints, and selects the previous ones back,
// so between commands the context always holds its initial objects.
#include "draw/renderer.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstring>
#include <vector>

#include "package_windows.h"

namespace {

// Package coordinates to canvas pixels. Coordinates beyond the 32-bit range
// after the shift are held at its ends; they lie far off the canvas anyway.
int clamp_to_int(int64_t value) {
  return static_cast<int>(value < INT_MIN ? INT_MIN : value > INT_MAX ? INT_MAX : value);
}
int column(int x) {
  return clamp_to_int(int64_t{origin_x()} + x);
}
int row(int y) {
  return clamp_to_int(int64_t{origin_y()} - y);
}

// The pen and brush a shape is painted with, selected for the time it is
// painted: a solid pen of its width and colour, and a solid brush of its
// colour when filled, else the hollow one.
struct ShapeObjects {
  platform::Pen pen;
  platform::Brush brush;
  platform::Pen previous_pen;
  platform::Brush previous_brush;
};

ShapeObjects select_shape_objects(platform::DrawingContext canvas, const DrawCommand& command) {
  ShapeObjects objects;
  objects.pen = platform::create_pen(command.width, colour_rgb(command.colour));
  objects.brush = command.width == 0 ? platform::create_solid_brush(colour_rgb(command.colour))
                                     : platform::hollow_brush();
  objects.previous_pen = platform::select_pen(canvas, objects.pen);
  objects.previous_brush = platform::select_brush(canvas, objects.brush);
  return objects;
}

void restore_shape_objects(platform::DrawingContext canvas, const ShapeObjects& objects) {
  platform::select_pen(canvas, objects.previous_pen);
  platform::select_brush(canvas, objects.previous_brush);
  platform::delete_pen(objects.pen);
  platform::delete_brush(objects.brush);
}

void paint(platform::DrawingContext canvas, const DrawCommand& command,
           const TriangleShape& triangle) {
  const ShapeObjects objects = select_shape_objects(canvas, command);
  const platform::Vertex vertices[3] = {{column(triangle.first.x), row(triangle.first.y)},
                                        {column(triangle.second.x), row(triangle.second.y)},
                                        {column(triangle.third.x), row(triangle.third.y)}};
  platform::draw_polygon(canvas, vertices, 3);
  restore_shape_objects(canvas, objects);
}

// Rectangles and ellipses: the +1 on the right and bottom makes both given
// corners part of the shape, since the box excludes its right and bottom.
void paint(platform::DrawingContext canvas, const DrawCommand& command, const BoxShape& box) {
  const ShapeObjects objects = select_shape_objects(canvas, command);
  const int left = column(box.upper_left.x);
  const int top = row(box.upper_left.y);
  const int right = clamp_to_int(int64_t{origin_x()} + box.lower_right.x + 1);
  const int bottom = clamp_to_int(int64_t{origin_y()} - box.lower_right.y + 1);
  if (box.ellipse) {
    platform::draw_ellipse(canvas, left, top, right, bottom);
  } else {
    platform::draw_rectangle(canvas, left, top, right, bottom);
  }
  restore_shape_objects(canvas, objects);
}

// The box of an oval, round rectangle or arc in canvas pixels, right and
// bottom excluded, as paint(BoxShape) computes it.
platform::Rect canvas_box(Point upper_left, Point lower_right) {
  return {column(upper_left.x), row(upper_left.y),
          clamp_to_int(int64_t{origin_x()} + lower_right.x + 1),
          clamp_to_int(int64_t{origin_y()} - lower_right.y + 1)};
}

void paint(platform::DrawingContext canvas, const DrawCommand& command, const PathShape& path) {
  std::vector<platform::Vertex> vertices;
  vertices.reserve(path.points.size());
  for (const Point& p : path.points) vertices.push_back({column(p.x), row(p.y)});
  const int count = static_cast<int>(vertices.size());
  if (path.closed) {
    const ShapeObjects objects = select_shape_objects(canvas, command);
    platform::draw_polygon(canvas, vertices.data(), count);
    restore_shape_objects(canvas, objects);
    return;
  }
  platform::Pen pen = platform::create_pen(command.width, colour_rgb(command.colour));
  platform::Pen previous_pen = platform::select_pen(canvas, pen);
  platform::draw_polyline(canvas, vertices.data(), count);
  platform::select_pen(canvas, previous_pen);
  platform::delete_pen(pen);
}

// The corners' ellipse is 2 * radius + 1 pixels across, the box of a
// circle of that radius, so each corner is a quarter of that circle.
void paint(platform::DrawingContext canvas, const DrawCommand& command,
           const RoundBoxShape& shape) {
  const ShapeObjects objects = select_shape_objects(canvas, command);
  const platform::Rect box = canvas_box(shape.upper_left, shape.lower_right);
  const int across = clamp_to_int(2 * int64_t{shape.radius} + 1);
  platform::draw_round_rectangle(canvas, box.left, box.top, box.right, box.bottom, across, across);
  restore_shape_objects(canvas, objects);
}

// The point kRayLength pixels from the centre (cx, cy) at `degrees`
// counter-clockwise from 3 o'clock, rows growing downwards. Right angles are
// exact, so a quarter arc starts and ends on the axes.
constexpr int64_t kRayLength = 16384;
platform::Vertex ray_point(int64_t cx, int64_t cy, int64_t degrees) {
  degrees %= 360;
  if (degrees < 0) degrees += 360;
  int64_t dx = 0, dy = 0;
  if (degrees % 90 == 0) {
    const int64_t quarter = degrees / 90;
    dx = quarter == 0 ? kRayLength : quarter == 2 ? -kRayLength : 0;
    dy = quarter == 1 ? kRayLength : quarter == 3 ? -kRayLength : 0;
  } else {
    const double radians = static_cast<double>(degrees) * 3.14159265358979323846 / 180.0;
    dx = std::llround(static_cast<double>(kRayLength) * std::cos(radians));
    dy = std::llround(static_cast<double>(kRayLength) * std::sin(radians));
  }
  return {clamp_to_int(cx + dx), clamp_to_int(cy - dy)};
}

// Arcs and pies as GDI's Arc and Pie: the end points are the rays from the
// box's centre at the start angle and at start + sweep, and GDI draws
// counter-clockwise from the first to the second. Boxes beyond 131072
// pixels on a side are not drawn, on any layer.
constexpr int64_t kLargestArcBox = int64_t{1} << 17;
void paint(platform::DrawingContext canvas, const DrawCommand& command, const ArcShape& arc) {
  const platform::Rect box = canvas_box(arc.upper_left, arc.lower_right);
  const int64_t width = int64_t{box.right} - box.left, height = int64_t{box.bottom} - box.top;
  if (width <= 0 || height <= 0 || width > kLargestArcBox || height > kLargestArcBox) return;
  const int64_t cx = box.left + width / 2, cy = box.top + height / 2;
  const platform::Vertex start = ray_point(cx, cy, arc.start_degrees);
  const platform::Vertex end = ray_point(cx, cy, int64_t{arc.start_degrees} + arc.sweep_degrees);
  if (arc.pie) {
    const ShapeObjects objects = select_shape_objects(canvas, command);
    platform::draw_pie(canvas, box.left, box.top, box.right, box.bottom, start.x, start.y, end.x,
                       end.y);
    restore_shape_objects(canvas, objects);
    return;
  }
  platform::Pen pen = platform::create_pen(command.width, colour_rgb(command.colour));
  platform::Pen previous_pen = platform::select_pen(canvas, pen);
  platform::draw_arc(canvas, box.left, box.top, box.right, box.bottom, start.x, start.y, end.x,
                     end.y);
  platform::select_pen(canvas, previous_pen);
  platform::delete_pen(pen);
}

void paint(platform::DrawingContext canvas, const DrawCommand& command, const LineShape& line) {
  platform::Pen pen = platform::create_pen(command.width, colour_rgb(command.colour));
  platform::Pen previous_pen = platform::select_pen(canvas, pen);
  platform::move_to(canvas, column(line.start.x), row(line.start.y));
  platform::line_to(canvas, column(line.end.x), row(line.end.y));
  platform::select_pen(canvas, previous_pen);
  platform::delete_pen(pen);
}

// The font a text of a point size is drawn in, selected into the canvas for
// as long as this lives; the one before is selected back and this deleted.
struct TextFont {
  TextFont(platform::DrawingContext canvas, int point_size)
      : canvas(canvas),
        font(platform::create_font(point_size)),
        previous(platform::select_font(canvas, font)) {}
  ~TextFont() {
    platform::select_font(canvas, previous);
    platform::delete_font(font);
  }
  TextFont(const TextFont&) = delete;
  TextFont& operator=(const TextFont&) = delete;
  platform::DrawingContext canvas;
  platform::Font font;
  platform::Font previous;
};

// Text: line 0 stands on the reference point (its cell ends on the row just
// above it); each newline starts a line one pitch lower.
void paint(platform::DrawingContext canvas, const DrawCommand& command, const TextShape& shape) {
  platform::set_text_colour(canvas, colour_rgb(command.colour));
  const int previous_mode = platform::background_mode(canvas);
  platform::set_background_mode(canvas, TRANSPARENT);
  const TextFont font(canvas, shape.point_size);

  const char* text = shape.text;
  const size_t length = text ? std::strlen(text) : 0;
  const int64_t pitch = platform::text_extent(canvas, text ? text : "", length).height;
  const int left = column(shape.at.x);
  const int64_t reference_row = int64_t{origin_y()} - shape.at.y;
  size_t start = 0;
  for (int64_t line = 0; text; ++line) {
    const char* newline = static_cast<const char*>(std::memchr(text + start, '\n', length - start));
    const size_t count = newline ? static_cast<size_t>(newline - (text + start)) : length - start;
    platform::draw_text(canvas, left, clamp_to_int(reference_row + (line - 1) * pitch),
                        text + start, count);
    if (!newline) break;
    start += count + 1;
  }

  platform::set_background_mode(canvas, previous_mode);
}

void paint(platform::DrawingContext canvas, const DrawCommand& command, const PixelShape& pixel) {
  platform::set_pixel(canvas, column(pixel.at.x), row(pixel.at.y), colour_rgb(command.colour));
}

}  // namespace

void draw_command(const DrawCommand& command) {
  platform::DrawingContext canvas = canvas_context();
  std::visit([&](const auto& shape) { paint(canvas, command, shape); }, command.shape);
  mark_canvas_dirty();
}

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

int text_width(int point_size, const char* text) {
  platform::DrawingContext canvas = canvas_context();
  const TextFont font(canvas, point_size);
  int widest = 0;
  for (const char* line = text;;) {
    const char* newline = std::strchr(line, '\n');
    const size_t count = newline ? static_cast<size_t>(newline - line) : std::strlen(line);
    widest = std::max(widest, platform::text_extent(canvas, line, count).width);
    if (!newline) break;
    line = newline + 1;
  }
  return widest;
}

int text_line_height(int point_size) {
  platform::DrawingContext canvas = canvas_context();
  const TextFont font(canvas, point_size);
  // The pitch the renderer steps each line by, which is the same for any text.
  return platform::text_extent(canvas, " ", 1).height;
}

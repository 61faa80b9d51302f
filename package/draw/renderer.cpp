// The renderer: each command creates the drawing objects it needs, selects
// them into the canvas context, paints, and selects the previous ones back,
// so between commands the context always holds its initial objects.
#include "draw/renderer.h"

#include <algorithm>
#include <climits>
#include <cstring>

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

void paint(platform::DrawingContext canvas, const DrawCommand& command, const LineShape& line) {
  platform::Pen pen = platform::create_pen(command.width, colour_rgb(command.colour));
  platform::Pen previous_pen = platform::select_pen(canvas, pen);
  platform::move_to(canvas, column(line.start.x), row(line.start.y));
  platform::line_to(canvas, column(line.end.x), row(line.end.y));
  platform::select_pen(canvas, previous_pen);
  platform::delete_pen(pen);
}

// Text: line 0 stands on the reference point (its cell ends on the row just
// above it); each newline starts a line one pitch lower.
void paint(platform::DrawingContext canvas, const DrawCommand& command, const TextShape& shape) {
  platform::set_text_colour(canvas, colour_rgb(command.colour));
  const int previous_mode = platform::background_mode(canvas);
  platform::set_background_mode(canvas, TRANSPARENT);
  platform::Font font = platform::create_font(shape.point_size);
  platform::Font previous_font = platform::select_font(canvas, font);

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
  platform::select_font(canvas, previous_font);
  platform::delete_font(font);
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

namespace {

// The canvas with the font a text of `point_size` is drawn in selected;
// measure, then hand the font back to restore_font.
platform::Font select_text_font(platform::DrawingContext canvas, int point_size,
                                platform::Font* previous) {
  platform::Font font = platform::create_font(point_size);
  *previous = platform::select_font(canvas, font);
  return font;
}

void restore_font(platform::DrawingContext canvas, platform::Font font, platform::Font previous) {
  platform::select_font(canvas, previous);
  platform::delete_font(font);
}

}  // namespace

int text_width(int point_size, const char* text) {
  platform::DrawingContext canvas = canvas_context();
  platform::Font previous = nullptr;
  platform::Font font = select_text_font(canvas, point_size, &previous);
  int widest = 0;
  for (const char* line = text;;) {
    const char* newline = std::strchr(line, '\n');
    const size_t count = newline ? static_cast<size_t>(newline - line) : std::strlen(line);
    widest = std::max(widest, platform::text_extent(canvas, line, count).width);
    if (!newline) break;
    line = newline + 1;
  }
  restore_font(canvas, font, previous);
  return widest;
}

int text_line_height(int point_size) {
  platform::DrawingContext canvas = canvas_context();
  platform::Font previous = nullptr;
  platform::Font font = select_text_font(canvas, point_size, &previous);
  // The pitch the renderer steps each line by, which is the same for any text.
  const int height = platform::text_extent(canvas, " ", 1).height;
  restore_font(canvas, font, previous);
  return height;
}

// GDI's drawing objects and calls on the portable surfaces, painted by the
// software rasterizer.
#include <algorithm>
#include <climits>
#include <memory>
#include <vector>

#include "platform/portable/layer_hooks.h"
#include "platform/portable/objects.h"
#include "platform/raster/shapes.h"
#include "platform/raster/text.h"

namespace platform {
namespace {

// The objects a fresh context holds, and the stock objects.
PenObject initial_pen;
BrushObject initial_brush;
FontObject system_font;
PenObject stock_null_pen{true, 1, 0};
BrushObject stock_hollow_brush{true, 0};
FontObject stock_fixed_font{true, 13};

// Created objects, freed when deleted or when the layer is reset.
struct ObjectStore {
  std::vector<std::unique_ptr<PenObject>> pens;
  std::vector<std::unique_ptr<BrushObject>> brushes;
  std::vector<std::unique_ptr<FontObject>> fonts;
};
ObjectStore objects;

template <typename T>
T* keep(std::vector<std::unique_ptr<T>>& store, T object) {
  store.push_back(std::make_unique<T>(object));
  return store.back().get();
}

template <typename T>
void release(std::vector<std::unique_ptr<T>>& store, T* object) {
  std::erase_if(store, [&](const auto& owned) { return owned.get() == object; });
}

const PenObject& pen_of(DrawingContext context) {
  return context->pen ? *context->pen : initial_pen;
}
const BrushObject& brush_of(DrawingContext context) {
  return context->brush ? *context->brush : initial_brush;
}
const FontObject& font_of(DrawingContext context) {
  return context->font ? *context->font : system_font;
}

raster::Surface surface_of(DrawingContext context) {
  if (!context || !context->bitmap) return {};
  return platform::surface_of(*context->bitmap);
}

// The surface, with the held fills written on rows y0..y1 (any values):
// for a shape that touches no other row.
raster::Surface rows_of(DrawingContext context, int64_t y0, int64_t y1) {
  if (!context || !context->bitmap) return {};
  const raster::Surface surface = unsettled_surface(*context->bitmap);
  portable::settle_rows(context->bitmap->deferred, surface, y0, y1);
  return surface;
}

// The rows a shape with this pen can touch between y0 and y1: a wide pen
// reaches half its width past the path, and one more for its rounding.
raster::Surface rows_of(DrawingContext context, int64_t y0, int64_t y1, const raster::Pen& pen) {
  const int64_t reach = std::max(pen.width, 1);
  return rows_of(context, std::min(y0, y1) - reach, std::max(y0, y1) + reach);
}

template <typename Points>
raster::Surface rows_of(DrawingContext context, const Points& points, const raster::Pen& pen) {
  int64_t top = INT64_MAX, bottom = INT64_MIN;
  for (const auto& point : points) {
    top = std::min<int64_t>(top, point.y);
    bottom = std::max<int64_t>(bottom, point.y);
  }
  return rows_of(context, top, bottom, pen);
}

raster::Pen raster_pen(DrawingContext context) {
  const PenObject& pen = pen_of(context);
  return {pen.null, pen.width, pixel_of(pen.colour)};
}

raster::Brush raster_brush(DrawingContext context) {
  const BrushObject& brush = brush_of(context);
  return {brush.hollow, pixel_of(brush.colour)};
}

const raster::Font* raster_font(DrawingContext context) {
  const FontObject& font = font_of(context);
  return raster::find_font(
      font.fixed_pitch ? raster::FontFamily::kMonospace : raster::FontFamily::kSans,
      font.em_height);
}

void painted(DrawingContext context) {
  if (context->window) portable::layer_surface_changed(context->window);
}

}  // namespace

Pen create_pen(int width, uint32_t colour) {
  return keep(objects.pens, PenObject{false, std::max(width, 1), colour});
}
Pen null_pen() {
  return &stock_null_pen;
}
Brush create_solid_brush(uint32_t colour) {
  return keep(objects.brushes, BrushObject{false, colour});
}
Brush hollow_brush() {
  return &stock_hollow_brush;
}
Font create_font(int em_height) {
  return keep(objects.fonts, FontObject{false, em_height});
}
Font fixed_pitch_font() {
  return &stock_fixed_font;
}

Pen select_pen(DrawingContext context, Pen pen) {
  if (!context || !pen) return nullptr;
  Pen previous = context->pen ? context->pen : &initial_pen;
  context->pen = pen == &initial_pen ? nullptr : pen;
  return previous;
}

Brush select_brush(DrawingContext context, Brush brush) {
  if (!context || !brush) return nullptr;
  Brush previous = context->brush ? context->brush : &initial_brush;
  context->brush = brush == &initial_brush ? nullptr : brush;
  return previous;
}

Font select_font(DrawingContext context, Font font) {
  if (!context || !font) return nullptr;
  Font previous = context->font ? context->font : &system_font;
  context->font = font == &system_font ? nullptr : font;
  return previous;
}

void delete_pen(Pen pen) {
  release(objects.pens, pen);
}
void delete_brush(Brush brush) {
  release(objects.brushes, brush);
}
void delete_font(Font font) {
  release(objects.fonts, font);
}

void set_text_colour(DrawingContext context, uint32_t colour) {
  if (context) context->text_colour = colour;
}
int background_mode(DrawingContext context) {
  return context ? context->background_mode : 0;
}
void set_background_mode(DrawingContext context, int mode) {
  if (context && (mode == TRANSPARENT || mode == OPAQUE)) context->background_mode = mode;
}
uint32_t background_colour(DrawingContext context) {
  return context ? context->background_colour : 0x00FFFFFFu;
}

void set_pixel(DrawingContext context, int x, int y, uint32_t colour) {
  if (!context) return;
  raster::set_pixel(rows_of(context, y, y), x, y, pixel_of(colour));
  painted(context);
}

void move_to(DrawingContext context, int x, int y) {
  if (context) context->position = {x, y};
}

void line_to(DrawingContext context, int x, int y) {
  if (!context) return;
  const raster::Pen pen = raster_pen(context);
  raster::draw_line(rows_of(context, context->position.y, y, pen), context->position.x,
                    context->position.y, x, y, pen);
  context->position = {x, y};
  painted(context);
}

void draw_polygon(DrawingContext context, const Vertex* vertices, int count) {
  if (!context || !vertices || count <= 0) return;
  std::vector<raster::Vertex> points(static_cast<size_t>(count));
  for (int i = 0; i < count; ++i) points[static_cast<size_t>(i)] = {vertices[i].x, vertices[i].y};
  const raster::Pen pen = raster_pen(context);
  raster::draw_polygon(rows_of(context, points, pen), points.data(), count, pen,
                       raster_brush(context));
  painted(context);
}

void draw_polyline(DrawingContext context, const Vertex* vertices, int count) {
  if (!context || !vertices || count <= 0) return;
  std::vector<raster::Vertex> points(static_cast<size_t>(count));
  for (int i = 0; i < count; ++i) points[static_cast<size_t>(i)] = {vertices[i].x, vertices[i].y};
  const raster::Pen pen = raster_pen(context);
  raster::draw_polyline(rows_of(context, points, pen), points.data(), count, pen);
  painted(context);
}

void draw_round_rectangle(DrawingContext context, int left, int top, int right, int bottom,
                          int ellipse_width, int ellipse_height) {
  if (!context) return;
  const raster::Pen pen = raster_pen(context);
  raster::draw_round_rectangle(rows_of(context, top, bottom, pen), left, top, right, bottom,
                               ellipse_width, ellipse_height, pen, raster_brush(context));
  painted(context);
}

void draw_arc(DrawingContext context, int left, int top, int right, int bottom, int start_x,
              int start_y, int end_x, int end_y) {
  if (!context) return;
  const raster::Pen pen = raster_pen(context);
  raster::draw_arc(rows_of(context, top, bottom, pen), left, top, right, bottom, start_x, start_y,
                   end_x, end_y, pen);
  painted(context);
}

void draw_pie(DrawingContext context, int left, int top, int right, int bottom, int start_x,
              int start_y, int end_x, int end_y) {
  if (!context) return;
  const raster::Pen pen = raster_pen(context);
  raster::draw_pie(rows_of(context, top, bottom, pen), left, top, right, bottom, start_x, start_y,
                   end_x, end_y, pen, raster_brush(context));
  painted(context);
}

void draw_rectangle(DrawingContext context, int left, int top, int right, int bottom) {
  if (!context) return;
  const raster::Pen pen = raster_pen(context);
  const raster::Brush brush = raster_brush(context);
  BitmapObject* bitmap = context->bitmap;
  raster::FilledBox box;
  if (bitmap && raster::rectangle_is_one_box(unsettled_surface(*bitmap), left, top, right, bottom,
                                             pen, brush, &box)) {
    portable::defer_fill(bitmap->deferred, unsettled_surface(*bitmap), box);
  } else {
    raster::draw_rectangle(rows_of(context, top, bottom, pen), left, top, right, bottom, pen,
                           brush);
  }
  painted(context);
}

void draw_ellipse(DrawingContext context, int left, int top, int right, int bottom) {
  if (!context) return;
  const raster::Pen pen = raster_pen(context);
  raster::draw_ellipse(rows_of(context, top, bottom, pen), left, top, right, bottom, pen,
                       raster_brush(context));
  painted(context);
}

void draw_text(DrawingContext context, int x, int y, const char* text, size_t count) {
  if (!context || !text) return;
  const raster::Font* font = raster_font(context);
  const raster::Surface surface = surface_of(context);
  if (context->background_mode == OPAQUE) {
    const int64_t right = int64_t{x} + raster::text_width(font, text, count);
    const int64_t bottom = int64_t{y} + raster::font_metrics(font).height;
    raster::fill_rectangle(surface, x, y, static_cast<int>(std::min<int64_t>(right, INT_MAX)),
                           static_cast<int>(std::min<int64_t>(bottom, INT_MAX)),
                           pixel_of(context->background_colour));
  }
  raster::draw_text(surface, font, x, y, text, count, pixel_of(context->text_colour));
  painted(context);
}

Size text_extent(DrawingContext context, const char* text, size_t count) {
  if (!context || !text) return {};
  const raster::Font* font = raster_font(context);
  return {raster::text_width(font, text, count), raster::font_metrics(font).height};
}

TextMetrics text_metrics(DrawingContext context) {
  if (!context) return {};
  const raster::FontMetrics metrics = raster::font_metrics(raster_font(context));
  return {metrics.height,           metrics.ascent,           metrics.descent,
          metrics.internal_leading, metrics.external_leading, metrics.average_width};
}

void scroll_surface(DrawingContext context, int dx, int dy) {
  if (!context) return;
  raster::scroll(surface_of(context), dx, dy);
  painted(context);
}

}  // namespace platform

namespace portable {

void drawing_reset() {
  platform::objects = platform::ObjectStore{};
}

// A window's context is handed out fresh: its objects and modes as new.
void reset_context_state(platform::DrawingContextObject& context) {
  context.pen = nullptr;
  context.brush = nullptr;
  context.font = nullptr;
  context.background_mode = OPAQUE;
  context.background_colour = 0x00FFFFFFu;
  context.text_colour = 0;
  context.position = {};
}

}  // namespace portable

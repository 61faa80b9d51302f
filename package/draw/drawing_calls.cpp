// The application's drawing calls: repair the arguments with a warning,
// log the call while logging is on, and hand one command to the renderer.
#include <zivro.h>

#include <climits>
#include <cstdarg>
#include <cstdio>
#include <string>
#include <utility>
#include <vector>

#include "draw/colour_table.h"
#include "draw/renderer.h"
#include "package_windows.h"
#include "text/text_log.h"

namespace {

constexpr int kMaxPointSize = 127;
// More points than any picture on the canvas needs; a longer list is cut.
constexpr int kMostPathPoints = 10000;

int check_colour(int colour) {
  if (is_colour(colour)) return colour;
  ZIVRO_printf("Illegal color %d; using RED.\n", colour);
  return ZIVRO_RED;
}

// The magnitude of v; INT_MIN, whose negation does not fit, becomes INT_MAX.
int magnitude(int v) {
  return v == INT_MIN ? INT_MAX : -v;
}

int repair_sign(int value, const char* warning) {
  if (value >= 0) return value;
  const int used = magnitude(value);
  ZIVRO_printf(warning, value, used);
  return used;
}

int repair_radius(int radius) {
  return repair_sign(radius, "Radius of %d not possible, using radius %d\n");
}
int repair_width(int width) {
  return repair_sign(width, "Width of %d not possible, using width %d\n");
}
int repair_point_size(int ptsize) {
  ptsize = repair_sign(ptsize, "ptsize of %d not possible, using ptsize %d\n");
  if (ptsize > kMaxPointSize) {
    ZIVRO_printf("ptsize of %d not possible, using ptsize %d\n", ptsize, kMaxPointSize);
    ptsize = kMaxPointSize;
  }
  return ptsize;
}

// The points of a polygon or polyline, or an empty list (with a warning)
// when there are too few to draw; too many are cut to kMostPathPoints.
std::vector<Point> repair_points(const char* shape, int count, const Point* points) {
  if (!points) {
    ZIVRO_printf("%s without points not possible, drawing nothing\n", shape);
    return {};
  }
  if (count < 2) {
    ZIVRO_printf("%s of %d points not possible, drawing nothing\n", shape, count);
    return {};
  }
  if (count > kMostPathPoints) {
    ZIVRO_printf("%s of %d points not possible, using %d points\n", shape, count, kMostPathPoints);
    count = kMostPathPoints;
  }
  return std::vector<Point>(points, points + count);
}

// A sweep beyond a whole turn either way is held to one.
int repair_sweep(int sweep) {
  if (sweep >= -360 && sweep <= 360) return sweep;
  const int used = sweep < 0 ? -360 : 360;
  ZIVRO_printf("Sweep of %d degrees not possible, using %d degrees\n", sweep, used);
  return used;
}

// Upper-left first, lower-right second; y grows upwards.
void order_corners(Point& first, Point& second) {
  if (first.x > second.x) std::swap(first.x, second.x);
  if (first.y < second.y) std::swap(first.y, second.y);
}

// Centre plus or minus a radius, held within 32 bits.
int offset(int value, int delta) {
  const int64_t sum = int64_t{value} + delta;
  return static_cast<int>(sum < INT_MIN ? INT_MIN : sum > INT_MAX ? INT_MAX : sum);
}

int format_text(char (&buffer)[kPrintBufferSize], const char* format, va_list arguments) {
  buffer[0] = '\0';
  if (!format) return 0;
  const int produced = std::vsnprintf(buffer, sizeof buffer, format, arguments);
  if (produced < 0) buffer[0] = '\0';
  return produced;
}

}  // namespace

extern "C" {

int ZIVRO_pixel_at(int colour, Point at) {
  if (!package_opened("ZIVRO_pixel_at")) return 1;
  colour = check_colour(colour);
  if (logging_flag()) ZIVRO_printf("%s pixel at (%d,%d)\n", colour_name(colour), at.x, at.y);
  draw_command({PixelShape{at}, colour});
  return 1;
}

int ZIVRO_circle_at(int colour, Point centre, int radius) {
  if (!package_opened("ZIVRO_circle_at")) return 1;
  colour = check_colour(colour);
  radius = repair_radius(radius);
  if (logging_flag()) {
    ZIVRO_printf("%s circle at (%d,%d), radius %d\n", colour_name(colour), centre.x, centre.y,
                 radius);
  }
  const Point upper_left{offset(centre.x, -radius), offset(centre.y, radius)};
  const Point lower_right{offset(centre.x, radius), offset(centre.y, -radius)};
  draw_command({BoxShape{upper_left, lower_right, true}, colour, 0});  // always filled
  return 1;
}

int ZIVRO_triangle_at(int colour, Point first, Point second, Point third, int width) {
  if (!package_opened("ZIVRO_triangle_at")) return 1;
  colour = check_colour(colour);
  width = repair_width(width);
  if (logging_flag()) {
    ZIVRO_printf("%s triangle at (%d,%d), (%d,%d), (%d,%d)\n", colour_name(colour), first.x,
                 first.y, second.x, second.y, third.x, third.y);
  }
  draw_command({TriangleShape{first, second, third}, colour, width});
  return 1;
}

int ZIVRO_rectangle_at(int colour, Point first, Point second, int width) {
  if (!package_opened("ZIVRO_rectangle_at")) return 1;
  order_corners(first, second);
  colour = check_colour(colour);
  width = repair_width(width);
  if (logging_flag()) {
    if (width != 0) {
      ZIVRO_printf("%s rectangle with bounding box (%d,%d) to (%d,%d) with line width %d\n",
                   colour_name(colour), first.x, first.y, second.x, second.y, width);
    } else {
      ZIVRO_printf("%s rectangle with bounding box (%d,%d) to (%d,%d), filled\n",
                   colour_name(colour), first.x, first.y, second.x, second.y);
    }
  }
  draw_command({BoxShape{first, second, false}, colour, width});
  return 1;
}

int ZIVRO_oval_at(int colour, Point first, Point second, int width) {
  if (!package_opened("ZIVRO_oval_at")) return 1;
  // The oval repairs its width before its colour, unlike the rectangle.
  order_corners(first, second);
  width = repair_width(width);
  colour = check_colour(colour);
  if (logging_flag()) {
    if (width != 0) {
      ZIVRO_printf("%s oval with bounding box (%d,%d) to (%d,%d), line width %d\n",
                   colour_name(colour), first.x, first.y, second.x, second.y, width);
    } else {
      ZIVRO_printf("%s oval with bounding box (%d,%d) to (%d,%d), filled\n", colour_name(colour),
                   first.x, first.y, second.x, second.y);
    }
  }
  draw_command({BoxShape{first, second, true}, colour, width});
  return 1;
}

int ZIVRO_line_at(int colour, Point start, Point end, int width) {
  if (!package_opened("ZIVRO_line_at")) return 1;
  width = repair_width(width);
  colour = check_colour(colour);
  if (logging_flag()) {
    ZIVRO_printf("%s line from (%d,%d) to (%d,%d), width %d\n", colour_name(colour), start.x,
                 start.y, end.x, end.y, width);
  }
  draw_command({LineShape{start, end}, colour, width == 0 ? 1 : width});
  return 1;
}

int ZIVRO_polygon(int colour, int count, const Point* points, int width) {
  if (!package_opened("ZIVRO_polygon")) return 1;
  colour = check_colour(colour);
  width = repair_width(width);
  std::vector<Point> path = repair_points("Polygon", count, points);
  if (path.empty()) return 1;
  if (logging_flag()) {
    if (width != 0) {
      ZIVRO_printf("%s polygon of %d points from (%d,%d), width %d\n", colour_name(colour),
                   static_cast<int>(path.size()), path[0].x, path[0].y, width);
    } else {
      ZIVRO_printf("%s polygon of %d points from (%d,%d), filled\n", colour_name(colour),
                   static_cast<int>(path.size()), path[0].x, path[0].y);
    }
  }
  draw_command({PathShape{std::move(path), true}, colour, width});
  return 1;
}

int ZIVRO_polyline(int colour, int count, const Point* points, int width) {
  if (!package_opened("ZIVRO_polyline")) return 1;
  colour = check_colour(colour);
  width = repair_width(width);
  std::vector<Point> path = repair_points("Polyline", count, points);
  if (path.empty()) return 1;
  if (logging_flag()) {
    ZIVRO_printf("%s polyline of %d points from (%d,%d), width %d\n", colour_name(colour),
                 static_cast<int>(path.size()), path[0].x, path[0].y, width);
  }
  draw_command({PathShape{std::move(path), false}, colour, width == 0 ? 1 : width});
  return 1;
}

int ZIVRO_round_rectangle(int colour, int x1, int y1, int x2, int y2, int radius, int width) {
  if (!package_opened("ZIVRO_round_rectangle")) return 1;
  Point first{x1, y1}, second{x2, y2};
  order_corners(first, second);
  colour = check_colour(colour);
  radius = repair_radius(radius);
  width = repair_width(width);
  if (logging_flag()) {
    if (width != 0) {
      ZIVRO_printf(
          "%s rounded rectangle with bounding box (%d,%d) to (%d,%d), radius %d, line width %d\n",
          colour_name(colour), first.x, first.y, second.x, second.y, radius, width);
    } else {
      ZIVRO_printf("%s rounded rectangle with bounding box (%d,%d) to (%d,%d), radius %d, filled\n",
                   colour_name(colour), first.x, first.y, second.x, second.y, radius);
    }
  }
  draw_command({RoundBoxShape{first, second, radius}, colour, width});
  return 1;
}

namespace {

// Arcs and pies share their repairs and their log sentence. A negative
// sweep runs clockwise: the same part of the oval as the counter-clockwise
// sweep from the other end, which is how it is drawn. A sweep of 0 draws
// nothing.
void draw_arc_call(const char* shape, int colour, int x1, int y1, int x2, int y2, int start,
                   int sweep, int width, bool pie) {
  Point first{x1, y1}, second{x2, y2};
  order_corners(first, second);
  colour = check_colour(colour);
  width = repair_width(width);
  sweep = repair_sweep(sweep);
  if (logging_flag()) {
    if (width != 0 || !pie) {
      ZIVRO_printf(
          "%s %s with bounding box (%d,%d) to (%d,%d) from %d degrees sweeping %d degrees, "
          "width %d\n",
          colour_name(colour), shape, first.x, first.y, second.x, second.y, start, sweep, width);
    } else {
      ZIVRO_printf(
          "%s %s with bounding box (%d,%d) to (%d,%d) from %d degrees sweeping %d degrees, "
          "filled\n",
          colour_name(colour), shape, first.x, first.y, second.x, second.y, start, sweep);
    }
  }
  if (sweep == 0) return;
  int64_t from = start;
  if (sweep < 0) from += sweep;
  const int from_degrees = static_cast<int>(from % 360);
  const int over = sweep < 0 ? -sweep : sweep;
  draw_command(
      {ArcShape{first, second, from_degrees, over, pie}, colour, pie || width != 0 ? width : 1});
}

}  // namespace

int ZIVRO_arc(int colour, int x1, int y1, int x2, int y2, int start_degrees, int sweep_degrees,
              int width) {
  if (!package_opened("ZIVRO_arc")) return 1;
  draw_arc_call("arc", colour, x1, y1, x2, y2, start_degrees, sweep_degrees, width, false);
  return 1;
}

int ZIVRO_pie(int colour, int x1, int y1, int x2, int y2, int start_degrees, int sweep_degrees,
              int width) {
  if (!package_opened("ZIVRO_pie")) return 1;
  draw_arc_call("pie", colour, x1, y1, x2, y2, start_degrees, sweep_degrees, width, true);
  return 1;
}

int ZIVRO_text_at(int colour, Point at, int ptsize, const char* text) {
  if (!package_opened("ZIVRO_text_at")) return 1;
  ptsize = repair_point_size(ptsize);
  colour = check_colour(colour);
  if (!text) text = "";
  if (logging_flag()) {
    ZIVRO_printf("%s text at (%d,%d), \"%s\"\n", colour_name(colour), at.x, at.y, text);
  }
  // The renderer reads its own copy; the caller's string is never kept.
  const std::string copy(text);
  draw_command({TextShape{at, ptsize, copy.c_str()}, colour});
  return 1;
}

int ZIVRO_text_width(int ptsize, const char* text) {
  if (!package_opened("ZIVRO_text_width")) return 0;
  ptsize = repair_point_size(ptsize);
  return text ? text_width(ptsize, text) : 0;
}

int ZIVRO_text_height(int ptsize) {
  if (!package_opened("ZIVRO_text_height")) return 0;
  return text_line_height(repair_point_size(ptsize));
}

int ZIVRO_pixel(int colour, int x, int y) {
  if (!package_opened("ZIVRO_pixel")) return 1;
  return ZIVRO_pixel_at(colour, {x, y});
}

int ZIVRO_circle(int colour, int x, int y, int radius) {
  if (!package_opened("ZIVRO_circle")) return 1;
  return ZIVRO_circle_at(colour, {x, y}, radius);
}

int ZIVRO_triangle(int colour, int x1, int y1, int x2, int y2, int x3, int y3, int width) {
  if (!package_opened("ZIVRO_triangle")) return 1;
  return ZIVRO_triangle_at(colour, {x1, y1}, {x2, y2}, {x3, y3}, width);
}

int ZIVRO_rectangle(int colour, int x1, int y1, int x2, int y2, int width) {
  if (!package_opened("ZIVRO_rectangle")) return 1;
  return ZIVRO_rectangle_at(colour, {x1, y1}, {x2, y2}, width);
}

int ZIVRO_oval(int colour, int x1, int y1, int x2, int y2, int width) {
  if (!package_opened("ZIVRO_oval")) return 1;
  return ZIVRO_oval_at(colour, {x1, y1}, {x2, y2}, width);
}

int ZIVRO_line(int colour, int x1, int y1, int x2, int y2, int width) {
  if (!package_opened("ZIVRO_line")) return 1;
  return ZIVRO_line_at(colour, {x1, y1}, {x2, y2}, width);
}

int ZIVRO_text(int colour, int x, int y, int ptsize, const char* text) {
  if (!package_opened("ZIVRO_text")) return 1;
  return ZIVRO_text_at(colour, {x, y}, ptsize, text);
}

// Formatted text is cut at 1023 characters; the result is the length that
// the formatting produced.
int ZIVRO_textf(int colour, int x, int y, int ptsize, const char* format, ...) {
  char buffer[kPrintBufferSize];
  va_list arguments;
  va_start(arguments, format);
  const int produced = format_text(buffer, format, arguments);
  va_end(arguments);
  if (package_opened("ZIVRO_textf")) ZIVRO_text(colour, x, y, ptsize, buffer);
  return produced;
}

int ZIVRO_textf2(int colour, int x, int y, int ptsize, const char* format, ...) {
  char buffer[kPrintBufferSize];
  va_list arguments;
  va_start(arguments, format);
  const int produced = format_text(buffer, format, arguments);
  va_end(arguments);
  if (package_opened("ZIVRO_textf2")) ZIVRO_text_at(colour, {x, y}, ptsize, buffer);
  return produced;
}

int ZIVRO_clear(void) {
  if (!package_opened("ZIVRO_clear")) return 1;
  if (logging_flag()) ZIVRO_printf("Clearing the graphics window\n");
  clear_canvas();
  return 1;
}

int ZIVRO_undo(void) {
  ZIVRO_printf("ZIVRO_undo is no longer supported.\n");
  return 1;
}

}  // extern "C"

// Draws the same shapes through GDI and through the software canvas and
// compares every pixel. A Windows console program: build it with mingw-w64
// and run it under Wine (run_gdi_vs_canvas.sh does both). GDI's output is the
// reference; every difference is printed with a picture of its region.
//
// Usage: gdi_vs_canvas [--pictures] [--canvas-texts FILE] [GROUP...]
//   GROUP      runs only the groups whose names start with it (all if none);
//   --pictures draws every difference, not only the first few of a group;
//   --canvas-texts FILE  the software canvas's drawings of the game's texts,
//              made by canvas_texts (the canvas's text needs FreeType, which
//              this program is not built with); the group "text" compares
//              them with GDI's.
#include <windows.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#include "game_texts.h"
#include "platform/raster/shapes.h"

namespace {

enum class Kind {
  kPixel,
  kLine,
  kRectangle,
  kEllipse,
  kPolygon,
  kClear,
  kPolyline,
  kRoundRect,
  kArc,
  kPie
};

constexpr int kMostPoints = 12;

// One drawing operation with GDI's arguments. The pen is either the stock
// null pen or a solid pen; the clear uses the context's initial pen.
struct Shape {
  Kind kind = Kind::kPixel;
  int count = 0;  // points used: 1 pixel, 2 line or box, 3 triangle, up to kMostPoints
  int x[kMostPoints] = {};
  int y[kMostPoints] = {};
  int corner_width = 0, corner_height = 0;  // a round rectangle's corner ellipse
  bool pen_null = false;
  int pen_width = 1;
  uint32_t pen_colour = 0;
  bool brush_hollow = true;
  uint32_t brush_colour = 0;
};

struct Case {
  std::string group;
  int width = 0, height = 0;
  uint32_t background = 0;
  Shape shape;
};

constexpr uint32_t kBackground = 0x00203040u;
constexpr uint32_t kInk = 0x00E01020u;
constexpr uint32_t kPaint = 0x0030C050u;

COLORREF colour_ref(uint32_t rgb) {  // 0x00RRGGBB to GDI's 0x00BBGGRR
  return RGB((rgb >> 16) & 0xFF, (rgb >> 8) & 0xFF, rgb & 0xFF);
}

const char* kind_name(Kind k) {
  switch (k) {
    case Kind::kPixel:
      return "SetPixel";
    case Kind::kLine:
      return "Line";
    case Kind::kRectangle:
      return "Rectangle";
    case Kind::kEllipse:
      return "Ellipse";
    case Kind::kPolygon:
      return "Polygon";
    case Kind::kClear:
      return "Clear";
    case Kind::kPolyline:
      return "Polyline";
    case Kind::kRoundRect:
      return "RoundRect";
    case Kind::kArc:
      return "Arc";
    case Kind::kPie:
      return "Pie";
  }
  return "?";
}

std::string describe(const Case& c) {
  const Shape& s = c.shape;
  std::string text = c.group + ": " + kind_name(s.kind) + "(";
  for (int i = 0; i < s.count; ++i) {
    if (i > 0) text += ", ";
    text += std::to_string(s.x[i]) + "," + std::to_string(s.y[i]);
  }
  if (s.kind == Kind::kRoundRect) {
    text += ", " + std::to_string(s.corner_width) + "," + std::to_string(s.corner_height);
  }
  text += ")";
  if (s.kind != Kind::kPixel && s.kind != Kind::kClear) {
    text += s.pen_null ? " null pen" : " pen " + std::to_string(s.pen_width);
    if (s.kind != Kind::kLine && s.kind != Kind::kPolyline && s.kind != Kind::kArc) {
      text += s.brush_hollow                   ? " hollow brush"
              : s.brush_colour == s.pen_colour ? " brush in the pen's colour"
                                               : " brush in its own colour";
    }
  }
  text += " on " + std::to_string(c.width) + "x" + std::to_string(c.height);
  return text;
}

// A memory context holding a top-down 32-bit DIB section, whose pixels read
// as 0x00RRGGBB.
struct GdiSurface {
  HDC dc = nullptr;
  HBITMAP bitmap = nullptr;
  HGDIOBJ old_bitmap = nullptr;
  uint32_t* bits = nullptr;
  int width = 0, height = 0;
};

bool make_surface(GdiSurface& g, int width, int height) {
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  g.dc = CreateCompatibleDC(nullptr);
  if (g.dc == nullptr) return false;
  g.bitmap = CreateDIBSection(g.dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  if (g.bitmap == nullptr || bits == nullptr) return false;
  g.old_bitmap = SelectObject(g.dc, g.bitmap);
  g.bits = static_cast<uint32_t*>(bits);
  g.width = width;
  g.height = height;
  return true;
}

void free_surface(GdiSurface& g) {
  SelectObject(g.dc, g.old_bitmap);
  DeleteObject(g.bitmap);
  DeleteDC(g.dc);
  g = {};
}

void draw_with_gdi(HDC dc, const Shape& s) {
  if (s.kind == Kind::kPixel) {
    SetPixel(dc, s.x[0], s.y[0], colour_ref(s.pen_colour));
    return;
  }
  if (s.kind == Kind::kClear) {  // the initial black one-pixel pen, a white brush
    HBRUSH white = CreateSolidBrush(RGB(255, 255, 255));
    HGDIOBJ old_brush = SelectObject(dc, white);
    Rectangle(dc, s.x[0], s.y[0], s.x[1], s.y[1]);
    SelectObject(dc, old_brush);
    DeleteObject(white);
    return;
  }
  HGDIOBJ pen = s.pen_null ? GetStockObject(NULL_PEN)
                           : CreatePen(PS_SOLID, s.pen_width, colour_ref(s.pen_colour));
  HGDIOBJ brush =
      s.brush_hollow ? GetStockObject(NULL_BRUSH) : CreateSolidBrush(colour_ref(s.brush_colour));
  HGDIOBJ old_pen = SelectObject(dc, pen);
  HGDIOBJ old_brush = SelectObject(dc, brush);
  switch (s.kind) {
    case Kind::kLine:
      MoveToEx(dc, s.x[0], s.y[0], nullptr);
      LineTo(dc, s.x[1], s.y[1]);
      break;
    case Kind::kRectangle:
      Rectangle(dc, s.x[0], s.y[0], s.x[1], s.y[1]);
      break;
    case Kind::kEllipse:
      Ellipse(dc, s.x[0], s.y[0], s.x[1], s.y[1]);
      break;
    case Kind::kPolygon:
    case Kind::kPolyline: {
      POINT points[kMostPoints];
      for (int i = 0; i < s.count; ++i) points[i] = {s.x[i], s.y[i]};
      if (s.kind == Kind::kPolygon) {
        Polygon(dc, points, s.count);
      } else {
        Polyline(dc, points, s.count);
      }
      break;
    }
    case Kind::kRoundRect:
      RoundRect(dc, s.x[0], s.y[0], s.x[1], s.y[1], s.corner_width, s.corner_height);
      break;
    case Kind::kArc:
      Arc(dc, s.x[0], s.y[0], s.x[1], s.y[1], s.x[2], s.y[2], s.x[3], s.y[3]);
      break;
    case Kind::kPie:
      Pie(dc, s.x[0], s.y[0], s.x[1], s.y[1], s.x[2], s.y[2], s.x[3], s.y[3]);
      break;
    default:
      break;
  }
  SelectObject(dc, old_pen);
  SelectObject(dc, old_brush);
  DeleteObject(pen);  // no effect on stock objects
  DeleteObject(brush);
}

void draw_with_canvas(const raster::Surface& surface, const Shape& s) {
  const raster::Pen pen{s.pen_null, s.pen_width, s.pen_colour};
  const raster::Brush brush{s.brush_hollow, s.brush_colour};
  switch (s.kind) {
    case Kind::kPixel:
      raster::set_pixel(surface, s.x[0], s.y[0], s.pen_colour);
      break;
    case Kind::kLine:
      raster::draw_line(surface, s.x[0], s.y[0], s.x[1], s.y[1], pen);
      break;
    case Kind::kRectangle:
      raster::draw_rectangle(surface, s.x[0], s.y[0], s.x[1], s.y[1], pen, brush);
      break;
    case Kind::kEllipse:
      raster::draw_ellipse(surface, s.x[0], s.y[0], s.x[1], s.y[1], pen, brush);
      break;
    case Kind::kPolygon:
    case Kind::kPolyline: {
      raster::Vertex v[kMostPoints];
      for (int i = 0; i < s.count; ++i) v[i] = {s.x[i], s.y[i]};
      if (s.kind == Kind::kPolygon) {
        raster::draw_polygon(surface, v, s.count, pen, brush);
      } else {
        raster::draw_polyline(surface, v, s.count, pen);
      }
      break;
    }
    case Kind::kRoundRect:
      raster::draw_round_rectangle(surface, s.x[0], s.y[0], s.x[1], s.y[1], s.corner_width,
                                   s.corner_height, pen, brush);
      break;
    case Kind::kArc:
      raster::draw_arc(surface, s.x[0], s.y[0], s.x[1], s.y[1], s.x[2], s.y[2], s.x[3], s.y[3],
                       pen);
      break;
    case Kind::kPie:
      raster::draw_pie(surface, s.x[0], s.y[0], s.x[1], s.y[1], s.x[2], s.y[2], s.x[3], s.y[3], pen,
                       brush);
      break;
    case Kind::kClear:
      raster::draw_rectangle(surface, s.x[0], s.y[0], s.x[1], s.y[1],
                             raster::Pen{false, 1, 0x00000000u}, raster::Brush{false, 0x00FFFFFFu});
      break;
  }
}

char symbol(uint32_t pixel, const Case& c) {
  if (pixel == c.background) return '.';
  if (pixel == c.shape.pen_colour) return '#';
  if (pixel == c.shape.brush_colour) return 'o';
  if (pixel == 0x00FFFFFFu) return 'w';
  if (pixel == 0x00000000u) return 'k';
  return '?';
}

// The region around the differing pixels: GDI, the canvas, and an X for
// each pixel where they disagree.
void print_region(const Case& c, const uint32_t* gdi, const uint32_t* canvas) {
  int x0 = c.width, y0 = c.height, x1 = -1, y1 = -1;
  for (int y = 0; y < c.height; ++y) {
    for (int x = 0; x < c.width; ++x) {
      const size_t i = static_cast<size_t>(y) * c.width + x;
      if (gdi[i] != canvas[i]) {
        x0 = std::min(x0, x), x1 = std::max(x1, x);
        y0 = std::min(y0, y), y1 = std::max(y1, y);
      }
    }
  }
  x0 = std::max(0, x0 - 2), y0 = std::max(0, y0 - 2);
  x1 = std::min({c.width - 1, x1 + 2, x0 + 47});
  y1 = std::min({c.height - 1, y1 + 2, y0 + 29});
  std::printf("  columns %d..%d, rows %d..%d: GDI | canvas | differences\n", x0, x1, y0, y1);
  for (int y = y0; y <= y1; ++y) {
    std::string gdi_row, canvas_row, diff_row;
    for (int x = x0; x <= x1; ++x) {
      const size_t i = static_cast<size_t>(y) * c.width + x;
      gdi_row += symbol(gdi[i], c);
      canvas_row += symbol(canvas[i], c);
      diff_row += gdi[i] == canvas[i] ? '.' : 'X';
    }
    std::printf("  %4d %s | %s | %s\n", y, gdi_row.c_str(), canvas_row.c_str(), diff_row.c_str());
  }
}

// --- The cases -------------------------------------------------------------

Shape pixel(int x, int y) {
  Shape s;
  s.kind = Kind::kPixel;
  s.count = 1;
  s.x[0] = x, s.y[0] = y;
  s.pen_colour = kInk;
  return s;
}

Shape line(int x0, int y0, int x1, int y1, int width) {
  Shape s;
  s.kind = Kind::kLine;
  s.count = 2;
  s.x[0] = x0, s.y[0] = y0, s.x[1] = x1, s.y[1] = y1;
  s.pen_width = width;
  s.pen_colour = kInk;
  return s;
}

// Styles of a closed shape: as the package fills (pen and brush in one
// colour), as it outlines (one-pixel pen, hollow brush), and two stricter
// ones that tell the outline from the interior.
enum class Style { kFilled, kOutlined, kTwoColours, kNullPen };

Shape closed(Kind kind, int count, const int* xs, const int* ys, Style style, int pen_width = 1) {
  Shape s;
  s.kind = kind;
  s.count = count;
  for (int i = 0; i < count; ++i) s.x[i] = xs[i], s.y[i] = ys[i];
  s.pen_width = pen_width;
  s.pen_colour = kInk;
  switch (style) {
    case Style::kFilled:
      s.brush_hollow = false;
      s.brush_colour = kInk;
      break;
    case Style::kOutlined:
      s.brush_hollow = true;
      s.brush_colour = kPaint;
      break;
    case Style::kTwoColours:
      s.brush_hollow = false;
      s.brush_colour = kPaint;
      break;
    case Style::kNullPen:
      s.pen_null = true;
      s.brush_hollow = false;
      s.brush_colour = kPaint;
      break;
  }
  return s;
}

Shape box(Kind kind, int left, int top, int right, int bottom, Style style, int pen_width = 1) {
  const int xs[2] = {left, right}, ys[2] = {top, bottom};
  return closed(kind, 2, xs, ys, style, pen_width);
}

Shape triangle(int xa, int ya, int xb, int yb, int xc, int yc, Style style) {
  const int xs[3] = {xa, xb, xc}, ys[3] = {ya, yb, yc};
  return closed(Kind::kPolygon, 3, xs, ys, style);
}

int pick(std::mt19937& random, int lo, int hi) {  // lo..hi inclusive
  return lo + static_cast<int>(random() % static_cast<uint32_t>(hi - lo + 1));
}

const char* style_name(Style style) {
  switch (style) {
    case Style::kFilled:
      return "filled";
    case Style::kOutlined:
      return "outlined";
    case Style::kTwoColours:
      return "two-colour";
    case Style::kNullPen:
      return "null-pen";
  }
  return "?";
}

void add_wide_pen_cases(std::vector<Case>& cases);
void add_path_cases(std::vector<Case>& cases);

std::vector<Case> make_cases() {
  std::vector<Case> cases;
  std::mt19937 random(20240611u);
  const auto add = [&](const std::string& group, int w, int h, const Shape& s) {
    cases.push_back({group, w, h, kBackground, s});
  };
  const Style styles[] = {Style::kFilled, Style::kOutlined, Style::kTwoColours, Style::kNullPen};

  // Pixels, some off the surface.
  for (int i = 0; i < 200; ++i)
    add("pixel", 64, 48, pixel(pick(random, -3, 66), pick(random, -3, 50)));

  // Every one-pixel line of lengths 0..40 from one point: all octants, the
  // exact diagonals and the ties of every slope; pens of width 0 and 1.
  for (int dy = -40; dy <= 40; ++dy) {
    for (int dx = -40; dx <= 40; ++dx) add("line", 96, 96, line(48, 48, 48 + dx, 48 + dy, 1));
  }
  for (int i = 0; i < 400; ++i) {
    const int dx = pick(random, -40, 40), dy = pick(random, -40, 40);
    add("line", 96, 96, line(48, 47, 48 + dx, 47 + dy, 0));
  }
  // Lines crossing the edges or lying wholly outside.
  for (int i = 0; i < 1000; ++i) {
    add("line-clipped", 64, 48,
        line(pick(random, -60, 124), pick(random, -60, 108), pick(random, -60, 124),
             pick(random, -60, 108), 1));
  }

  // Rectangles and ellipses of every size 1..40 by 1..40.
  for (const Kind kind : {Kind::kRectangle, Kind::kEllipse}) {
    const std::string name = kind == Kind::kRectangle ? "rectangle" : "ellipse";
    for (const Style style : styles) {
      for (int h = 1; h <= 40; ++h) {
        for (int w = 1; w <= 40; ++w) {
          if (style == Style::kTwoColours || style == Style::kNullPen) {
            if ((w > 12 && w % 3 != 0) || (h > 12 && h % 3 != 0)) continue;
          }
          add(name + "-" + style_name(style), 64, 48, box(kind, 12, 4, 12 + w, 4 + h, style));
        }
      }
    }
    // Anywhere, reaching past the edges, in either corner order.
    for (int i = 0; i < 600; ++i) {
      const Style style = styles[i % 4];
      const int left = pick(random, -50, 70), top = pick(random, -50, 60);
      const int right = left + pick(random, 1, 80), bottom = top + pick(random, 1, 80);
      if (i % 7 == 3) {
        add(name + "-reversed", 64, 48, box(kind, right, bottom, left, top, style));
      } else {
        add(name + "-placed", 64, 48, box(kind, left, top, right, bottom, style));
      }
    }
    // Large ones on the canvas's size, like the game's sky and discs.
    for (int i = 0; i < 60; ++i) {
      const Style style = styles[i % 2];
      const int left = pick(random, -200, 500), top = pick(random, -200, 450);
      const int right = left + pick(random, 1, 700), bottom = top + pick(random, 1, 600);
      add(name + "-large", 601, 540, box(kind, left, top, right, bottom, style));
    }
  }

  // Triangles: small ones everywhere, flat and thin ones, large ones.
  for (const Style style : styles) {
    for (int i = 0; i < 500; ++i) {
      add(std::string("triangle-") + style_name(style), 64, 48,
          triangle(pick(random, -20, 84), pick(random, -20, 68), pick(random, -20, 84),
                   pick(random, -20, 68), pick(random, -20, 84), pick(random, -20, 68), style));
    }
    for (int i = 0; i < 150; ++i) {
      const int x = pick(random, 0, 60), y = pick(random, 0, 44);
      add(std::string("triangle-small-") + style_name(style), 64, 48,
          triangle(x, y, x + pick(random, -6, 6), y + pick(random, -6, 6), x + pick(random, -6, 6),
                   y + pick(random, -6, 6), style));
    }
    for (int i = 0; i < 40; ++i) {
      add(std::string("triangle-large-") + style_name(style), 601, 540,
          triangle(pick(random, -300, 900), pick(random, -300, 840), pick(random, -300, 900),
                   pick(random, -300, 840), pick(random, -300, 900), pick(random, -300, 840),
                   style));
    }
  }

  // The clear: white brush, initial pen, the whole surface.
  Shape clear;
  clear.kind = Kind::kClear;
  clear.count = 2;
  clear.x[1] = 601, clear.y[1] = 540;
  add("clear", 601, 540, clear);
  clear.x[1] = 64, clear.y[1] = 48;
  add("clear", 64, 48, clear);
  add_wide_pen_cases(cases);
  add_path_cases(cases);
  return cases;
}

// Wine 8 fills a narrow ellipse or round rectangle corner (a few pixels wide, its outline stopping
// short of the box's top and bottom rows) from a vertex list that
// it has not completely written: stray brush spans appear on other rows and
// far outside the box, different from run to run. So where an ellipse uses
// its brush with a one-pixel pen or none, GDI's pixels outside the box's columns and outside the
// rows its one-pixel outline covers are not compared; the canvas must leave them alone. Returns how
// many stray pixels GDI painted there.
int drop_wine_strays(const Case& c, std::vector<uint32_t>& gdi) {
  const Shape& s = c.shape;
  if ((s.kind != Kind::kEllipse && s.kind != Kind::kRoundRect) || s.brush_hollow ||
      s.pen_width > 1) {
    return 0;
  }
  const int left = std::min(s.x[0], s.x[1]), right = std::max(s.x[0], s.x[1]);
  const int top = std::min(s.y[0], s.y[1]), bottom = std::max(s.y[0], s.y[1]);
  // The outline alone, whole, on a surface of its own.
  GdiSurface whole;
  if (!make_surface(whole, right - left + 2, bottom - top + 2)) return 0;
  std::fill_n(whole.bits, static_cast<size_t>(whole.width) * whole.height, c.background);
  Shape outline = s;
  outline.x[0] = 1, outline.y[0] = 1;
  outline.x[1] = right - left + 1, outline.y[1] = bottom - top + 1;
  outline.pen_null = false;
  outline.pen_width = 1;
  outline.brush_hollow = true;
  draw_with_gdi(whole.dc, outline);
  GdiFlush();
  int row_first = INT_MAX, row_last = INT_MIN;
  for (int y = 0; y < whole.height; ++y) {
    for (int x = 0; x < whole.width; ++x) {
      if ((whole.bits[static_cast<size_t>(y) * whole.width + x] & 0x00FFFFFFu) != c.background) {
        row_first = std::min(row_first, top - 1 + y);
        row_last = std::max(row_last, top - 1 + y);
      }
    }
  }
  free_surface(whole);
  if (row_first == top && row_last == bottom - 1) return 0;  // a whole outline: no strays
  int strays = 0;
  for (int y = 0; y < c.height; ++y) {
    for (int x = 0; x < c.width; ++x) {
      if (y >= row_first && y <= row_last && x >= left && x < right) continue;
      uint32_t& pixel = gdi[static_cast<size_t>(y) * c.width + x];
      if (pixel != c.background) {
        pixel = c.background;
        ++strays;
      }
    }
  }
  return strays;
}

// A one-by-one box with a pen: Wine 8 paints nothing (its closed outline is
// four segments of length zero), the canvas paints the box's one pixel in
// the pen's colour, so a circle of radius 0 stays visible. Exactly that
// difference is reported, not counted as a failure.
bool is_known_deviation(const Case& c, const std::vector<uint32_t>& gdi,
                        const std::vector<uint32_t>& canvas) {
  const Shape& s = c.shape;
  if ((s.kind != Kind::kRectangle && s.kind != Kind::kEllipse) || s.pen_null) return false;
  const int left = std::min(s.x[0], s.x[1]), top = std::min(s.y[0], s.y[1]);
  if (std::max(s.x[0], s.x[1]) - left != 1 || std::max(s.y[0], s.y[1]) - top != 1) return false;
  for (int y = 0; y < c.height; ++y) {
    for (int x = 0; x < c.width; ++x) {
      const size_t i = static_cast<size_t>(y) * c.width + x;
      const bool box = x == left && y == top;
      if (gdi[i] != c.background || canvas[i] != (box ? s.pen_colour : c.background)) return false;
    }
  }
  return true;
}

// Wide-pen shapes where the canvas and Wine are known to part (see the wide
// pens' cases below): sloped wide lines, the triangles built from them, and
// wide ellipses. They are measured and reported, not failed; wide rows,
// columns and rectangles must agree exactly.
bool is_measured_only(const Case& c) {
  const Shape& s = c.shape;
  if (s.pen_null || s.pen_width < 2) return false;
  if (s.kind == Kind::kEllipse || s.kind == Kind::kPolygon || s.kind == Kind::kRoundRect ||
      s.kind == Kind::kArc || s.kind == Kind::kPie) {
    return true;
  }
  if (s.kind != Kind::kLine && s.kind != Kind::kPolyline) return false;
  for (int i = 0; i + 1 < s.count; ++i) {
    if (s.x[i] != s.x[i + 1] && s.y[i] != s.y[i + 1]) return true;
  }
  return false;
}

// --- Text --------------------------------------------------------------------
//
// The game's texts (game_texts.h), each drawn with GDI as the win32 layer
// draws it (font "ZIVRO-font" at the em height, transparent background) and
// compared with the software canvas's drawing read from the file. A text
// passes when both measure it alike (width and line height) and put its ink
// in the same box with the same line height; anti-aliasing may shade pixels
// differently, so differing pixels are counted and reported, not failed.

struct InkBox {
  int left = INT_MAX, top = INT_MAX, right = INT_MIN, bottom = INT_MIN;
  bool operator==(const InkBox&) const = default;
};

InkBox ink_box(const std::vector<uint32_t>& pixels, int width) {
  InkBox box;
  for (size_t i = 0; i < pixels.size(); ++i) {
    if (pixels[i] == 0x00FFFFFFu) continue;
    const int x = static_cast<int>(i % width), y = static_cast<int>(i / width);
    box = {std::min(box.left, x), std::min(box.top, y), std::max(box.right, x),
           std::max(box.bottom, y)};
  }
  return box;
}

std::string printable(const char* text) {
  std::string out;
  for (const unsigned char* p = reinterpret_cast<const unsigned char*>(text); *p; ++p) {
    char hex[8];
    std::snprintf(hex, sizeof hex, "\\x%02X", *p);
    out += *p >= 0x20 && *p < 0x7F ? std::string(1, static_cast<char>(*p)) : std::string(hex);
  }
  return out;
}

char shade(uint32_t pixel) {  // paper to full ink
  const int dark = 255 - static_cast<int>(pixel & 0xFF);
  return dark == 0 ? '.' : dark < 96 ? ':' : dark < 192 ? '+' : '#';
}

void print_text_region(const std::vector<uint32_t>& gdi, const std::vector<uint32_t>& canvas,
                       int width, InkBox box) {
  const int right = std::min(box.right, box.left + 59);
  for (int y = box.top; y <= box.bottom; ++y) {
    std::string gdi_row, canvas_row;
    for (int x = box.left; x <= right; ++x) {
      gdi_row += shade(gdi[static_cast<size_t>(y) * width + x]);
      canvas_row += shade(canvas[static_cast<size_t>(y) * width + x]);
    }
    std::printf("  %4d %s | %s\n", y, gdi_row.c_str(), canvas_row.c_str());
  }
}

// Returns the number of texts that failed, or -1 if the file cannot be read.
int run_text_cases(const char* canvas_file, bool all_pictures) {
  std::FILE* in = std::fopen(canvas_file, "rb");
  if (!in) {
    std::printf("text: cannot read %s\n", canvas_file);
    return -1;
  }
  int failed = 0, passed = 0, near_count = 0;
  long long differing_total = 0;
  for (const GameText& t : kGameTexts) {
    const int width = kTextSurfaceWidth, height = text_surface_height(t.em);
    const size_t size = static_cast<size_t>(width) * height;
    uint32_t canvas_extent[2] = {0, 0};
    std::vector<uint32_t> canvas(size);
    if (std::fread(canvas_extent, sizeof canvas_extent[0], 2, in) != 2 ||
        std::fread(canvas.data(), sizeof canvas[0], size, in) != size) {
      std::printf("text: %s ends early\n", canvas_file);
      std::fclose(in);
      return -1;
    }
    GdiSurface g;
    if (!make_surface(g, width, height)) return -1;
    std::fill_n(g.bits, size, 0x00FFFFFFu);
    HFONT font = CreateFontA(-t.em, 0, 0, 0, FW_NORMAL, 0, 0, 0, 0, 0, 0, 0, 0, "ZIVRO-font");
    HGDIOBJ old_font = SelectObject(g.dc, font);
    SetBkMode(g.dc, TRANSPARENT);
    SetTextColor(g.dc, RGB(0, 0, 0));
    const int length = static_cast<int>(std::strlen(t.text));
    TextOutA(g.dc, kTextLeft, kTextTop, t.text, length);
    SIZE extent{};
    GetTextExtentPointA(g.dc, t.text, length, &extent);
    char face[LF_FACESIZE] = "";
    GetTextFaceA(g.dc, sizeof face, face);
    GdiFlush();
    std::vector<uint32_t> gdi(g.bits, g.bits + size);
    for (uint32_t& p : gdi) p &= 0x00FFFFFFu;
    SelectObject(g.dc, old_font);
    DeleteObject(font);
    free_surface(g);

    int differing = 0, ink_only_one_side = 0, largest = 0;
    for (size_t i = 0; i < size; ++i) {
      if (gdi[i] == canvas[i]) continue;
      ++differing;
      ink_only_one_side += (gdi[i] == 0x00FFFFFFu) != (canvas[i] == 0x00FFFFFFu);
      largest = std::max(
          largest, std::abs(static_cast<int>(gdi[i] & 0xFF) - static_cast<int>(canvas[i] & 0xFF)));
    }
    differing_total += differing;
    const InkBox gdi_box = ink_box(gdi, width), canvas_box = ink_box(canvas, width);
    // Wine measures some 12-pixel texts one pixel wider or narrower than
    // it draws them (its drawing matches the canvas's pixel for pixel), so a
    // width that differs is reported but does not fail the text.
    // A faint anti-aliased column at the edge of the ink, where Wine's
    // lighter smoothing leaves none, puts the boxes one pixel apart: that is
    // reported as near; anything more fails.
    const bool same_height = extent.cy == static_cast<LONG>(canvas_extent[1]);
    const bool same = gdi_box == canvas_box && same_height;
    const bool nearly = same_height && std::abs(gdi_box.left - canvas_box.left) <= 1 &&
                        std::abs(gdi_box.right - canvas_box.right) <= 1 &&
                        std::abs(gdi_box.top - canvas_box.top) <= 1 &&
                        std::abs(gdi_box.bottom - canvas_box.bottom) <= 1;
    std::printf(
        "%s text %d \"%s\" (%s): extent GDI %ldx%ld canvas %ux%u; ink GDI %d..%d x %d..%d"
        " canvas %d..%d x %d..%d; %d pixels differ (%d ink on one side only, largest %d/255)\n",
        same     ? "same"
        : nearly ? "near"
                 : "DIFFERS",
        t.em, printable(t.text).c_str(), face, extent.cx, extent.cy, canvas_extent[0],
        canvas_extent[1], gdi_box.left, gdi_box.right, gdi_box.top, gdi_box.bottom, canvas_box.left,
        canvas_box.right, canvas_box.top, canvas_box.bottom, differing, ink_only_one_side, largest);
    if (!same || (all_pictures && differing > 0)) {
      InkBox both{std::min(gdi_box.left, canvas_box.left), std::min(gdi_box.top, canvas_box.top),
                  std::max(gdi_box.right, canvas_box.right),
                  std::max(gdi_box.bottom, canvas_box.bottom)};
      if (both.left <= both.right) {
        std::printf("  GDI | canvas ('.' paper, ':' '+' '#' ever darker ink)\n");
        print_text_region(gdi, canvas, width, both);
      }
    }
    same ? ++passed : nearly ? ++near_count : ++failed;
  }
  std::fclose(in);
  std::printf(
      "text: %d texts alike, %d near (ink boxes a pixel apart), %d differ; %lld pixels "
      "differ in all\n",
      passed, near_count, failed, differing_total);
  return failed;
}

bool wanted(const std::string& group, const std::vector<std::string>& groups) {
  if (groups.empty()) return true;
  for (const std::string& prefix : groups) {
    if (group.rfind(prefix, 0) == 0) return true;
  }
  return false;
}

// --- Wide pens ---------------------------------------------------------------
// Pens of width 2 to 12, odd and even, on every kind of shape: lines of every
// direction, boxes and triangles of many sizes, many reaching past the
// surface's edges. A generator of their own keeps the other groups' cases as
// they are.
//
// Known difference: Wine 8 paints the band of a sloped wide line wider than
// the pen, wider even than the line's own round ends (a width-3 pen at 45
// degrees covers 6 pixels a row, over 4 across the line), while a pen's
// stroke is no wider than its disc. The canvas keeps the band to the pen's
// width, so sloped wide lines, the triangles built from them and the curved
// parts of wide ellipses still differ from Wine; rows, columns, rectangles
// and the ends of every line agree.
void add_wide_pen_cases(std::vector<Case>& cases) {
  std::mt19937 random(20250301u);
  const auto add = [&](const std::string& group, int w, int h, const Shape& s) {
    cases.push_back({group, w, h, kBackground, s});
  };
  for (int width = 2; width <= 12; ++width) {
    // Lines: short and long, all directions, from inside and from far off.
    for (int i = 0; i < 24; ++i) {
      const int x0 = pick(random, -12, 75), y0 = pick(random, -12, 59);
      int x1 = pick(random, -12, 75), y1 = pick(random, -12, 59);
      if (i % 6 == 1) y1 = y0;                                                       // horizontal
      if (i % 6 == 2) x1 = x0;                                                       // vertical
      if (i % 6 == 3) y1 = y0 + (x1 - x0);                                           // diagonal
      if (i % 6 == 4) x1 = x0 + pick(random, -3, 3), y1 = y0 + pick(random, -3, 3);  // short
      add("wide-line", 64, 48, line(x0, y0, x1, y1, width));
    }
    // Rectangles and ellipses, outlined as the package draws them, and some
    // with a brush of their own to show where the outline meets the inside.
    for (const Kind kind : {Kind::kRectangle, Kind::kEllipse}) {
      const std::string name = kind == Kind::kRectangle ? "wide-rectangle" : "wide-ellipse";
      for (int i = 0; i < 16; ++i) {
        const int left = pick(random, -20, 50), top = pick(random, -20, 40);
        const int size_x = i < 4 ? pick(random, 1, 6) : pick(random, 1, 50);
        const int size_y = i < 4 ? pick(random, 1, 6) : pick(random, 1, 40);
        const Style style = i % 4 == 3 ? Style::kTwoColours : Style::kOutlined;
        add(name + (style == Style::kOutlined ? "" : "-two-colour"), 64, 48,
            box(kind, left, top, left + size_x, top + size_y, style, width));
      }
    }
    // Triangles, outlined.
    for (int i = 0; i < 12; ++i) {
      const int xs[3] = {pick(random, -15, 78), pick(random, -15, 78), pick(random, -15, 78)};
      const int ys[3] = {pick(random, -15, 62), pick(random, -15, 62), pick(random, -15, 62)};
      add("wide-triangle", 64, 48, closed(Kind::kPolygon, 3, xs, ys, Style::kOutlined, width));
    }
  }
  // The width-2 lines of the click-to-draw example, on the canvas's size.
  add("wide-line-example", 601, 540, line(97, 150, 297, 300, 2));
  add("wide-line-example", 601, 540, line(297, 300, 447, 130, 2));
  add("wide-line-example", 601, 540, line(307, 240, 357, 210, 2));
  // Pens wider than the surface on shapes that lie off it: what reaches the
  // surface is painted.
  add("wide-huge", 601, 540, line(-1500, 270, -1500, 600, 3000));
  add("wide-huge", 601, 540, line(-2000, -900, 3000, -700, 2400));
  add("wide-huge", 601, 540, box(Kind::kRectangle, -900, -900, -800, -800, Style::kOutlined, 2000));
}

// --- Polylines, polygons and round rectangles ------------------------------
// A generator of their own keeps the other groups' cases as they are.

Shape path(Kind kind, int count, const int* xs, const int* ys, Style style, int pen_width) {
  Shape s = closed(Kind::kPolygon, 0, xs, ys, style, pen_width);
  s.kind = kind;
  s.count = count;
  for (int i = 0; i < count; ++i) s.x[i] = xs[i], s.y[i] = ys[i];
  return s;
}

Shape round_rect(int left, int top, int right, int bottom, int corner_width, int corner_height,
                 Style style, int pen_width = 1) {
  Shape s = box(Kind::kRoundRect, left, top, right, bottom, style, pen_width);
  s.corner_width = corner_width;
  s.corner_height = corner_height;
  return s;
}

void add_path_cases(std::vector<Case>& cases) {
  std::mt19937 random(20261209u);
  const auto add = [&](const std::string& group, int w, int h, const Shape& s) {
    cases.push_back({group, w, h, kBackground, s});
  };
  const Style styles[] = {Style::kFilled, Style::kOutlined, Style::kTwoColours, Style::kNullPen};
  const auto random_points = [&](int count, int lo_x, int hi_x, int lo_y, int hi_y, int* xs,
                                 int* ys) {
    for (int i = 0; i < count; ++i)
      xs[i] = pick(random, lo_x, hi_x), ys[i] = pick(random, lo_y, hi_y);
  };
  int xs[kMostPoints], ys[kMostPoints];

  // Polylines: chains of 2 to 12 points, crossing themselves and the edges,
  // with repeated points and segments of length zero; pens 0 to 5.
  for (int i = 0; i < 600; ++i) {
    const int count = pick(random, 2, kMostPoints);
    random_points(count, -20, 84, -20, 68, xs, ys);
    if (i % 5 == 1) xs[1] = xs[0], ys[1] = ys[0];  // a segment of length zero
    if (i % 5 == 2) {                              // rows and columns only
      for (int k = 1; k < count; ++k) (k % 2 ? ys[k] : xs[k]) = k % 2 ? ys[k - 1] : xs[k - 1];
    }
    const int width = i < 400 ? i % 2 : pick(random, 2, 5);
    add(width <= 1 ? "polyline" : "polyline-wide", 64, 48,
        path(Kind::kPolyline, count, xs, ys, Style::kOutlined, width));
  }
  for (int i = 0; i < 20; ++i) {
    random_points(kMostPoints, -300, 900, -300, 840, xs, ys);
    add("polyline-large", 601, 540,
        path(Kind::kPolyline, kMostPoints, xs, ys, Style::kOutlined, 1));
  }

  // Polygons of 2 to 12 vertices, self-crossing ones filled by the
  // alternate rule, in every style; some with wide pens.
  for (const Style style : styles) {
    for (int i = 0; i < 300; ++i) {
      const int count = pick(random, 2, kMostPoints);
      random_points(count, -20, 84, -20, 68, xs, ys);
      if (i % 6 == 1) xs[2 % count] = xs[0], ys[2 % count] = ys[0];  // a repeated vertex
      add(std::string("polygon-") + style_name(style), 64, 48,
          path(Kind::kPolygon, count, xs, ys, style, 1));
    }
    for (int i = 0; i < 20; ++i) {
      random_points(kMostPoints, -300, 900, -300, 840, xs, ys);
      add(std::string("polygon-large-") + style_name(style), 601, 540,
          path(Kind::kPolygon, kMostPoints, xs, ys, style, 1));
    }
  }
  // A star: every span of the alternate rule's holes.
  const int star_x[5] = {32, 44, 12, 52, 20}, star_y[5] = {2, 44, 16, 16, 44};
  for (const Style style : styles) {
    add(std::string("polygon-star-") + style_name(style), 64, 48,
        path(Kind::kPolygon, 5, star_x, star_y, style, 1));
  }

  // Round rectangles: every corner size on a few boxes, corners larger than
  // the box, negative corner sizes, random ones past the edges, wide pens.
  for (const Style style : styles) {
    for (int cw = 0; cw <= 24; ++cw) {
      for (int ch = 0; ch <= 24; ++ch) {
        if ((style == Style::kTwoColours || style == Style::kNullPen) && (cw + ch) % 3 != 0)
          continue;
        add(std::string("roundrect-") + style_name(style), 64, 48,
            round_rect(6, 4, 6 + 13 + cw, 4 + 9 + ch, cw, ch, style));
      }
    }
    for (int i = 0; i < 300; ++i) {
      const int left = pick(random, -30, 60), top = pick(random, -30, 45);
      const int right = left + pick(random, -40, 60), bottom = top + pick(random, -40, 50);
      const int cw = pick(random, -50, 70), ch = pick(random, -50, 60);
      add(std::string("roundrect-placed-") + style_name(style), 64, 48,
          round_rect(left, top, right, bottom, cw, ch, style));
    }
    for (int i = 0; i < 20; ++i) {
      const int left = pick(random, -200, 500), top = pick(random, -200, 450);
      const int right = left + pick(random, 1, 700), bottom = top + pick(random, 1, 600);
      add(std::string("roundrect-large-") + style_name(style), 601, 540,
          round_rect(left, top, right, bottom, pick(random, 0, 400), pick(random, 0, 400), style));
    }
  }
  for (int i = 0; i < 100; ++i) {
    const int left = pick(random, -20, 50), top = pick(random, -20, 40);
    add("roundrect-wide", 64, 48,
        round_rect(left, top, left + pick(random, 1, 50), top + pick(random, 1, 40),
                   pick(random, 0, 30), pick(random, 0, 30), Style::kOutlined, pick(random, 2, 8)));
  }

  // Arcs and pies: the start and end rays at every 15 degrees and at random
  // points (on the centre, on the axes, inside and far outside the box), on
  // boxes of every parity, in either corner order, past the edges.
  const auto sector = [&](Kind kind, int left, int top, int right, int bottom, int sx, int sy,
                          int ex, int ey, Style style, int pen_width) {
    const int bx[4] = {left, right, sx, ex}, by[4] = {top, bottom, sy, ey};
    return path(kind, 4, bx, by, style, pen_width);
  };
  for (const Kind kind : {Kind::kArc, Kind::kPie}) {
    const std::string name = kind == Kind::kArc ? "arc" : "pie";
    const Style pie_styles[] = {Style::kOutlined, Style::kFilled, Style::kTwoColours,
                                Style::kNullPen};
    for (int start = 0; start < 360; start += 15) {
      for (int sweep = 15; sweep <= 360; sweep += 15 + (start % 45 == 0 ? 0 : 30)) {
        const double a = start * 3.14159265358979 / 180,
                     b = (start + sweep) * 3.14159265358979 / 180;
        const int cx = 31, cy = 23;
        const Style style = pie_styles[(start / 15 + sweep / 15) % (kind == Kind::kArc ? 1 : 4)];
        add(name + "-angles", 64, 48,
            sector(kind, 31 - 20, 23 - 15, 31 + 21 + start % 2, 23 + 16 + sweep % 2,
                   cx + static_cast<int>(std::lround(1000 * std::cos(a))),
                   cy - static_cast<int>(std::lround(1000 * std::sin(a))),
                   cx + static_cast<int>(std::lround(1000 * std::cos(b))),
                   cy - static_cast<int>(std::lround(1000 * std::sin(b))), style, 1));
      }
    }
    for (int i = 0; i < 800; ++i) {
      int left = pick(random, -20, 60);
      const int top = pick(random, -20, 44);
      int right = left + pick(random, 1, 50), bottom = top + pick(random, 1, 40);
      if (i % 9 == 4) std::swap(left, right);
      int sx = pick(random, -40, 100), sy = pick(random, -40, 90);
      int ex = pick(random, -40, 100), ey = pick(random, -40, 90);
      const int cx = std::min(left, right) + std::abs(right - left) / 2;
      const int cy = std::min(top, bottom) + std::abs(bottom - top) / 2;
      if (i % 7 == 1) sx = cx, sy = cy;  // a ray of no direction
      if (i % 7 == 2) sy = cy;           // along the axes
      if (i % 7 == 3) ex = cx;
      if (i % 7 == 5) ex = sx, ey = sy;  // the same ray twice: the whole ellipse
      const Style style = kind == Kind::kArc ? Style::kOutlined : pie_styles[i % 4];
      add(name + "-placed", 64, 48,
          sector(kind, left, top, right, bottom, sx, sy, ex, ey, style, 1));
    }
    for (int i = 0; i < 30; ++i) {
      const int left = pick(random, -200, 500), top = pick(random, -200, 450);
      const int right = left + pick(random, 1, 700), bottom = top + pick(random, 1, 600);
      add(name + "-large", 601, 540,
          sector(kind, left, top, right, bottom, pick(random, -300, 900), pick(random, -300, 840),
                 pick(random, -300, 900), pick(random, -300, 840),
                 kind == Kind::kArc ? Style::kOutlined : pie_styles[i % 4], 1));
    }
    for (int i = 0; i < 40; ++i) {
      const int left = pick(random, -10, 40), top = pick(random, -10, 30);
      add(name + "-wide", 64, 48,
          sector(kind, left, top, left + pick(random, 3, 40), top + pick(random, 3, 30),
                 pick(random, -20, 80), pick(random, -20, 60), pick(random, -20, 80),
                 pick(random, -20, 60), Style::kOutlined, pick(random, 2, 7)));
    }
  }
}

}  // namespace

int main(int argc, char** argv) {
  bool all_pictures = false;
  const char* canvas_texts = nullptr;
  std::vector<std::string> groups;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--pictures") == 0) {
      all_pictures = true;
    } else if (std::strcmp(argv[i], "--canvas-texts") == 0 && i + 1 < argc) {
      canvas_texts = argv[++i];
    } else {
      groups.push_back(argv[i]);
    }
  }
  const std::vector<Case> cases = make_cases();
  std::vector<GdiSurface> surfaces;
  int passed = 0, failed = 0, known = 0, printed = 0, stray_cases = 0;
  int measured = 0;  // cases that differ where differences are only measured
  struct Tally {
    std::string group;
    int cases = 0, failed = 0, measured = 0;
    long long pixels = 0;  // differing pixels over the group's differing cases
  };
  std::vector<Tally> tallies;
  std::vector<uint32_t> canvas_pixels;
  for (const Case& c : cases) {
    if (!wanted(c.group, groups)) continue;
    auto found = std::find_if(surfaces.begin(), surfaces.end(), [&](const GdiSurface& g) {
      return g.width == c.width && g.height == c.height;
    });
    if (found == surfaces.end()) {
      GdiSurface g;
      if (!make_surface(g, c.width, c.height)) {
        std::printf("cannot make a %dx%d DIB section\n", c.width, c.height);
        return 2;
      }
      surfaces.push_back(g);
      found = surfaces.end() - 1;
    }
    auto tally = std::find_if(tallies.begin(), tallies.end(),
                              [&](const Tally& t) { return t.group == c.group; });
    if (tally == tallies.end()) {
      tallies.push_back({c.group});
      tally = tallies.end() - 1;
    }
    ++tally->cases;
    const size_t size = static_cast<size_t>(c.width) * c.height;
    std::fill_n(found->bits, size, c.background);
    draw_with_gdi(found->dc, c.shape);
    GdiFlush();
    std::vector<uint32_t> gdi_pixels(found->bits, found->bits + size);
    for (uint32_t& p : gdi_pixels) p &= 0x00FFFFFFu;

    if (const int strays = drop_wine_strays(c, gdi_pixels); strays > 0) {
      ++stray_cases;
      std::printf("wine strays %s: %d pixels not compared\n", describe(c).c_str(), strays);
    }

    canvas_pixels.assign(size, c.background);
    draw_with_canvas(raster::Surface{canvas_pixels.data(), c.width, c.height}, c.shape);

    if (gdi_pixels == canvas_pixels) {
      ++passed;
      continue;
    }
    if (is_known_deviation(c, gdi_pixels, canvas_pixels)) {
      ++known;
      std::printf("known deviation %s\n", describe(c).c_str());
      continue;
    }
    int differing = 0;
    for (size_t i = 0; i < size; ++i) differing += gdi_pixels[i] != canvas_pixels[i];
    tally->pixels += differing;
    if (is_measured_only(c)) {
      ++measured;
      ++tally->measured;
      std::printf("measured %s: %d pixels\n", describe(c).c_str(), differing);
      continue;
    }
    ++failed;
    ++tally->failed;
    std::printf("DIFFERS %s: %d pixels\n", describe(c).c_str(), differing);
    if (all_pictures ||
        (tally->failed <= 3 && printed < 60)) {  // pictures of the first few of each group
      print_region(c, gdi_pixels.data(), canvas_pixels.data());
      ++printed;
    }
  }
  for (GdiSurface& g : surfaces) free_surface(g);
  for (const Tally& t : tallies) {
    if (t.failed + t.measured > 0) {
      std::printf("group %s: %d of %d cases differ (%d of them measured only), %lld pixels\n",
                  t.group.c_str(), t.failed + t.measured, t.cases, t.measured, t.pixels);
    }
  }
  std::printf("%d wide-pen cases differ where differences are measured only\n", measured);
  std::printf("%d cases with Wine's stray ellipse pixels, %d known deviations\n", stray_cases,
              known);
  if (canvas_texts && wanted("text", groups)) {
    const int text_failed = run_text_cases(canvas_texts, all_pictures);
    if (text_failed < 0) return 2;
    failed += text_failed;
    passed += static_cast<int>(std::size(kGameTexts)) - text_failed;
  }
  std::printf("%d passed, %d failed\n", passed, failed);
  return failed == 0 ? 0 : 1;
}

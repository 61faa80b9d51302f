// Painting drawing commands onto the canvas.
#pragma once

#include <zivro.h>

#include <variant>
#include <vector>

#include "draw/colour_table.h"

// The shapes a drawing call hands the renderer, in package coordinates.
struct TriangleShape {
  Point first;
  Point second;
  Point third;
};
// A rectangle or an ellipse in the box of two corners, both inside it.
struct BoxShape {
  Point upper_left;
  Point lower_right;
  bool ellipse = false;
};
struct LineShape {
  Point start;
  Point end;
};
struct PixelShape {
  Point at;
};
// The text is read while the command is painted, never kept.
struct TextShape {
  Point at;
  int point_size = 0;
  const char* text = "";
};
// A chain of points: closed and filled like the triangle (a polygon), or
// open and drawn with the pen only (a polyline).
struct PathShape {
  std::vector<Point> points;
  bool closed = false;
};
// A rectangle whose corners are quarter circles of `radius`, in the box of
// two corners, both inside it.
struct RoundBoxShape {
  Point upper_left;
  Point lower_right;
  int radius = 0;
};
// Part of the oval in the box: from start_degrees counter-clockwise over
// sweep_degrees (0 < sweep <= 360); a pie joins its ends to the centre.
struct ArcShape {
  Point upper_left;
  Point lower_right;
  int start_degrees = 0;
  int sweep_degrees = 0;
  bool pie = false;
};
using Shape = std::variant<TriangleShape, BoxShape, LineShape, PixelShape, TextShape, PathShape,
                           RoundBoxShape, ArcShape>;

struct DrawCommand {
  Shape shape;
  int colour = 0;  // an index is_colour accepts
  int width = 0;   // the pen's width; 0 = filled
};

// Paints one command and marks the canvas dirty.
void draw_command(const DrawCommand& command);
// Paints the whole canvas white with the context's pen along its edges, and
// marks the canvas dirty.
void clear_canvas();

// What drawing a text at a point size would take: the advance of its widest
// line, and the pitch of one line (a text of n lines is n pitches high).
int text_width(int point_size, const char* text);
int text_line_height(int point_size);

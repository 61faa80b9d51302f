// The picture of the polygon, polyline, round rectangle, arc and pie calls
// that tests/golden/shape_calls.png holds: drawn by the headless test and by
// the win32 layer's test under Wine, which must both give its pixels.
#pragma once

#include <zivro.h>

// Where the picture's origin lies on the headless canvas (the centre of its window). Another
// layer's window may put its origin elsewhere on the canvas; the shapes
// then lie that much apart, not otherwise.
constexpr int kShapeSheetOriginX = 297;
constexpr int kShapeSheetOriginY = 250;

// Every shape once or more on one canvas: the filled and outlined polygon
// (a star, so the alternate rule's hole shows), polylines, round
// rectangles of several radii, arcs of either sweep and pies.
inline void draw_shape_sheet() {
  const Point star[5] = {{-250, 230}, {-200, 80}, {-300, 180}, {-180, 180}, {-280, 80}};
  const Point chain[5] = {{1, 2}, {30, 4}, {25, -20}, {-8, -16}, {-12, 0}};
  const Point square_wave[7] = {{-120, 100}, {-120, 200}, {-60, 200}, {-60, 100},
                                {0, 100},    {0, 200},    {60, 200}};
  ZIVRO_clear();
  ZIVRO_polygon(ZIVRO_NAVY_BLUE, 5, star, 0);
  Point lower_star[5];
  for (int i = 0; i < 5; ++i) lower_star[i] = {star[i].x, star[i].y - 170};
  ZIVRO_polygon(ZIVRO_RED, 5, lower_star, 3);
  ZIVRO_polyline(ZIVRO_FOREST_GREEN, 7, square_wave, 0);
  ZIVRO_polyline(ZIVRO_ORANGE, 5, chain, 4);
  ZIVRO_round_rectangle(ZIVRO_GOLD, 100, 230, 280, 120, 20, 0);
  ZIVRO_round_rectangle(ZIVRO_BLACK, 100, 100, 280, 20, 40, 1);
  ZIVRO_round_rectangle(ZIVRO_PURPLE, 120, 0, 160, -100, 200, 3);
  ZIVRO_round_rectangle(ZIVRO_SEA_GREEN, 180, 0, 280, -40, 0, 0);
  ZIVRO_arc(ZIVRO_BLUE, -120, -20, 0, -120, 0, 90, 0);
  ZIVRO_arc(ZIVRO_RED, -280, -140, -160, -240, 180, -45, 2);
  ZIVRO_arc(ZIVRO_BLACK, 20, -20, 80, -120, 45, 270, 1);
  ZIVRO_pie(ZIVRO_GOLD, -120, -140, 0, -240, 30, 300, 0);
  ZIVRO_pie(ZIVRO_NAVY_BLUE, 20, -140, 120, -240, -45, 90, 2);
  ZIVRO_pie(ZIVRO_RED, 140, -140, 280, -240, 100, 360, 0);
}

// Where the sheet draws with wide pens on slopes and curves, in package
// coordinates, with room for the pen: Wine's GDI paints such strokes wider
// than the pen, so a comparison with it leaves these areas out.
struct ShapeSheetArea {
  int left, top, right, bottom;
};
constexpr ShapeSheetArea kShapeSheetWideAreas[] = {
    {-305, 65, -175, -95},     // the outlined star
    {-17, 9, 35, -25},         // the wide polyline
    {115, 5, 165, -105},       // the wide round rectangle
    {-285, -135, -155, -245},  // the wide arc
    {15, -135, 125, -245},     // the wide pie
};

/* Draws the package's 24 colours as labelled swatches in a 6 x 4 grid, then
 * waits until the window is closed. Makes docs/colours.png:
 *
 *   cc -std=c99 -I package docs/colour_swatches.c -c -o /tmp/sw.o
 *   c++ /tmp/sw.o <headless libraries> -o /tmp/swatches
 *   /tmp/swatches --png docs/colours.png
 */
#include <zivro.h>

/* The names that the log sentences print, by colour index. */
static const char* const names[ZIVRO_COLOUR_COUNT] = {
    "black",     "white",        "red",       "green",     "blue",       "yellow",
    "magenta",   "cyan",         "purple",    "navy blue", "dusty plum", "ice blue",
    "turquoise", "orange",       "brown",     "pink",      "chalk",      "gold",
    "peach",     "forest green", "sea green", "olive",     "50% gray",   "20% gray"};

/* The colours on which black text is hard to read. */
static int is_dark(int colour) {
  switch (colour) {
    case ZIVRO_BLACK:
    case ZIVRO_BLUE:
    case ZIVRO_PURPLE:
    case ZIVRO_NAVY_BLUE:
    case ZIVRO_BROWN:
    case ZIVRO_FOREST_GREEN:
    case ZIVRO_GRAY_50:
      return 1;
    default:
      return 0;
  }
}

enum {
  COLUMNS = 6,
  LEFT = -292,         /* left edge of the first column */
  TOP = 205,           /* top edge of the first row */
  COLUMN_PITCH = 98,
  ROW_PITCH = 113,
  SWATCH_WIDTH = 92,
  SWATCH_HEIGHT = 104
};

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR command_line, int show_mode) {
  int colour, x, y;
  char key;

  ZIVRO_open(instance, previous, command_line, show_mode);
  ZIVRO_logging(0);
  ZIVRO_clear();
  ZIVRO_textf(ZIVRO_BLACK, LEFT, 220, 16, "The %d ZIVRO colours", ZIVRO_COLOUR_COUNT);

  for (colour = 0; colour < ZIVRO_COLOUR_COUNT; ++colour) {
    const int left = LEFT + (colour % COLUMNS) * COLUMN_PITCH;
    const int top = TOP - (colour / COLUMNS) * ROW_PITCH;
    const int right = left + SWATCH_WIDTH - 1;
    const int bottom = top - SWATCH_HEIGHT + 1;
    ZIVRO_rectangle(colour, left, top, right, bottom, 0);
    /* A thin black outline, so that white and the pale colours show their edges. */
    ZIVRO_rectangle(ZIVRO_BLACK, left, top, right, bottom, 1);
    /* Two lines: the index, and below it the name. */
    ZIVRO_textf(is_dark(colour) ? ZIVRO_WHITE : ZIVRO_BLACK, left + 5, top - 20, 12, "%d\n%s",
                colour, names[colour]);
  }

  while (ZIVRO_wait_event(&x, &y, &key) != ZIVRO_QUIT) {
  }
  ZIVRO_close();
  return 0;
}

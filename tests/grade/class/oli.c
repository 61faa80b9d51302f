/* oli.c: computes for ever before its first wait */
/* Traffic light: each click moves the light on to its next phase (red,
 * green, yellow, red again); while it is green the walk sign beside it
 * blinks white and green, one change per tick. */
#include <zivro.h>

static const int lamp_colour[3] = {ZIVRO_RED, ZIVRO_GREEN, ZIVRO_YELLOW};
static const int lamp_y[3] = {120, 0, 60}; /* red on top, green at the bottom */

static void draw(int phase, int ticks) {
  int lamp;
  ZIVRO_clear();
  ZIVRO_rectangle(ZIVRO_GRAY_20, -50, 170, 50, -50, 0);
  for (lamp = 0; lamp < 3; ++lamp) {
    ZIVRO_circle(lamp == phase ? lamp_colour[lamp] : ZIVRO_GRAY_50, 0, lamp_y[lamp], 25);
  }
  if (phase == 1) {
    ZIVRO_rectangle(ticks % 2 ? ZIVRO_WHITE : ZIVRO_GREEN, 100, 20, 140, -20, 0);
    ZIVRO_rectangle(ZIVRO_BLACK, 100, 20, 140, -20, 1);
  }
  ZIVRO_textf(ZIVRO_BLACK, -200, -120, 14, "tick %d", ticks);
}

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR command_line, int show_mode) {
  int phase = 0, ticks = 0, x, y, kind;
  char key;
  ZIVRO_open(instance, previous, command_line, show_mode);
  draw(phase, ticks);
  for (;;) /* waits for the light to change by itself */
    if (phase == 1) break;
  while ((kind = ZIVRO_wait_event(&x, &y, &key)) != ZIVRO_QUIT) {
    if (kind == ZIVRO_MOUSE) phase = (phase + 1) % 3;
    if (kind == ZIVRO_PERIODIC) ++ticks;
    draw(phase, ticks);
  }
  ZIVRO_close();
  return 0;
}

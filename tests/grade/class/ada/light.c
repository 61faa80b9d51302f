#include "light.h"

#include <zivro.h>

void draw_light(int phase, int ticks) {
  ZIVRO_clear();
  ZIVRO_rectangle(ZIVRO_GRAY_20, -50, 170, 50, -50, 0);
  ZIVRO_circle(phase == 0 ? ZIVRO_RED : ZIVRO_GRAY_50, 0, 120, 25);
  ZIVRO_circle(phase == 1 ? ZIVRO_GREEN : ZIVRO_GRAY_50, 0, 0, 25);
  ZIVRO_circle(phase == 2 ? ZIVRO_YELLOW : ZIVRO_GRAY_50, 0, 60, 25);
  if (phase == 1) {
    int sign = (ticks & 1) ? ZIVRO_WHITE : ZIVRO_GREEN;
    ZIVRO_rectangle(sign, 100, 20, 140, -20, 0);
    ZIVRO_rectangle(ZIVRO_BLACK, 100, 20, 140, -20, 1);
  }
  ZIVRO_textf(ZIVRO_BLACK, -200, -120, 14, "tick %d", ticks);
}

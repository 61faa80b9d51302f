/* ada: a correct traffic light, in two files. */
#include <zivro.h>

#include "light.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR command_line, int show_mode) {
  int phase = 0, ticks = 0, x, y;
  char key;
  ZIVRO_open(instance, previous, command_line, show_mode);
  for (;;) {
    draw_light(phase, ticks);
    int kind = ZIVRO_wait_event(&x, &y, &key);
    if (kind == ZIVRO_QUIT) break;
    if (kind == ZIVRO_MOUSE) phase = phase == 2 ? 0 : phase + 1;
    if (kind == ZIVRO_PERIODIC) ticks++;
  }
  ZIVRO_close();
  return 0;
}

// The new shapes' sheet (shape_sheet.h) as a program: drawn, then drawn
// again a step further right at each of ten ticks, then the program halts.
// The browser tests compare each frame with the headless runner's.
#include <zivro.h>

#include "shape_sheet.h"

namespace {

constexpr int kFrames = 10;

void draw_frame(int frame) {
  ZIVRO_clear();
  // A strip across the sheet that moves, so that each frame is new.
  ZIVRO_rectangle(ZIVRO_rgb(230, 230, 250), -300 + frame * 30, -240, -280 + frame * 30, 240, 0);
  draw_shape_sheet();
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR command_line, int show_mode) {
  int x, y, frame = 0;
  char key;
  ZIVRO_open(instance, previous, command_line, show_mode);
  ZIVRO_logging(0);
  draw_frame(frame);
  ZIVRO_run_control(ZIVRO_RUN_ANIMATE);
  while (ZIVRO_wait_event(&x, &y, &key) != ZIVRO_QUIT) {
    if (frame + 1 == kFrames) {
      ZIVRO_run_control(ZIVRO_RUN_HALT);  // the last frame stays
      continue;
    }
    draw_frame(++frame);
  }
  ZIVRO_close();
  return 0;
}

// The car game: start-up, then one frame after every event.
#include "cargame.h"

#include <zivro.h>

#include <cstdlib>
#include <ctime>

#include "game_rules.h"
#include "scene.h"

int run_cargame(HINSTANCE instance, HINSTANCE previous, LPSTR command_line, int show_mode) {
  GameState game;
  // No rule draws a random number; the seed is kept for applications'
  // habits, so the same input always plays the same way.
  std::srand(static_cast<unsigned>(std::time(nullptr)));

  ZIVRO_open(instance, previous, command_line, show_mode);
  ZIVRO_logging(0);
  ZIVRO_clear();
  ZIVRO_run_control(ZIVRO_RUN_ANIMATE);
  draw_frame(game);

  int quit = 0;
  while (!quit) {
    int mouse_x = 0;
    int mouse_y = 0;
    char key = 0;
    const int kind = ZIVRO_wait_event(&mouse_x, &mouse_y, &key);
    quit = apply_event(game, kind, mouse_x, mouse_y);
    draw_frame(game);
  }
  ZIVRO_close();
  return 0;
}

// The car game's scene played from a script alone: the game's loop with
// logging on from the first frame and no animation of its own, so every
// frame comes from an event of the script and the run stands still at its
// end. Built for the desktop and the headless layer, the two --log files of
// one script hold every drawing call of every frame; equal, they show that
// both layers play the script to the same frames, the first one included.
#include <zivro.h>

#include "game_rules.h"
#include "scene.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR command_line, int show_mode) {
  GameState game;
  ZIVRO_open(instance, previous, command_line, show_mode);
  ZIVRO_logging(1);
  ZIVRO_clear();
  draw_frame(game);
  for (int quit = 0; !quit;) {
    int x = 0;
    int y = 0;
    char key = 0;
    quit = apply_event(game, ZIVRO_wait_event(&x, &y, &key), x, y);
    draw_frame(game);
  }
  ZIVRO_close();
  return 0;
}

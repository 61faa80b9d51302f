/* Click to draw: every click paints a dot where you clicked, joined to the
 * previous one by a line. Keys choose the colour: 0 to 9 pick one of the
 * first ten colours, c clears the picture. Nothing animates. */
#include <zivro.h>

static void draw_help(void) {
  ZIVRO_clear();
  ZIVRO_text(ZIVRO_BLACK, -280, 230, 14, "Click to draw; keys 0-9 change colour, c clears.");
}

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR command_line, int show_mode) {
  int x = 0, y = 0, kind;
  int last_x = 0, last_y = 0, have_last = 0, colour = ZIVRO_BLUE;
  char key = 0;

  ZIVRO_open(instance, previous, command_line, show_mode);
  ZIVRO_logging(0);
  draw_help();

  while ((kind = ZIVRO_wait_event(&x, &y, &key)) != ZIVRO_QUIT) {
    if (kind == ZIVRO_MOUSE) {
      if (have_last) ZIVRO_line(colour, last_x, last_y, x, y, 2);
      ZIVRO_circle(colour, x, y, 4);
      last_x = x;
      last_y = y;
      have_last = 1;
    } else if (kind == ZIVRO_KBD && key >= '0' && key <= '9') {
      colour = key - '0';
    } else if (kind == ZIVRO_KBD && (key == 'c' || key == 'C')) {
      draw_help();
      have_last = 0;
    }
  }
  ZIVRO_close();
  return 0;
}

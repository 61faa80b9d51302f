/* A probe for the end-to-end runs: asks for every opt-in event, prints one
 * line per event, moves a red ball with the arrow keys (10 pixels a press),
 * draws blue strokes while the left button is dragged, and marks right and
 * middle clicks with a green and a magenta square. Run with "moves" after
 * its "--", it asks for the moves without a button and the wheel too. */
#include <string.h>
#include <zivro.h>

static void draw_ball(int colour, int x, int y) {
  ZIVRO_circle(colour, x, y, colour == ZIVRO_WHITE ? 9 : 8);
}

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR command_line, int show_mode) {
  ZIVRO_Event event;
  int ball_x = 0, ball_y = 0, last_x = 0, last_y = 0;

  ZIVRO_open(instance, previous, command_line, show_mode);
  ZIVRO_want_events(ZIVRO_WANT_ALL |
                    (strstr(command_line, "moves") ? ZIVRO_WANT_MOVE | ZIVRO_WANT_WHEEL : 0));
  ZIVRO_logging(0);
  ZIVRO_clear();
  draw_ball(ZIVRO_RED, ball_x, ball_y);

  while (ZIVRO_wait_event_ex(&event) != ZIVRO_QUIT) {
    ZIVRO_printf("event %d at %d,%d key %d button %d mods %d\n", event.kind, event.x, event.y,
                 event.key, event.button, event.modifiers);
    switch (event.kind) {
      case ZIVRO_KEY_PRESS:
        if (event.key < ZIVRO_VK_LEFT || event.key > ZIVRO_VK_DOWN) break;
        draw_ball(ZIVRO_WHITE, ball_x, ball_y);
        if (event.key == ZIVRO_VK_LEFT) ball_x -= 10;
        if (event.key == ZIVRO_VK_RIGHT) ball_x += 10;
        if (event.key == ZIVRO_VK_UP) ball_y += 10;
        if (event.key == ZIVRO_VK_DOWN) ball_y -= 10;
        draw_ball(ZIVRO_RED, ball_x, ball_y);
        break;
      case ZIVRO_MOUSE:
        last_x = event.x;
        last_y = event.y;
        break;
      case ZIVRO_MOUSE_DRAG:
        if (!(event.button & ZIVRO_BUTTON_LEFT)) break;
        ZIVRO_line(ZIVRO_BLUE, last_x, last_y, event.x, event.y, 3);
        last_x = event.x;
        last_y = event.y;
        break;
      case ZIVRO_MOUSE_RIGHT:
        ZIVRO_rectangle(ZIVRO_GREEN, event.x - 5, event.y - 5, event.x + 5, event.y + 5, 0);
        break;
      case ZIVRO_MOUSE_MIDDLE:
        ZIVRO_rectangle(ZIVRO_MAGENTA, event.x - 5, event.y - 5, event.x + 5, event.y + 5, 0);
        break;
      default:
        break;
    }
  }
  ZIVRO_close();
  return 0;
}

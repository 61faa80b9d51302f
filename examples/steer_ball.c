/* Steer the ball: hold an arrow key and the ball rolls that way, let go and
 * it stops. Two arrows at once roll it on the diagonal. The animation runs at
 * 30 ticks a second, and the ball moves a few pixels at each tick.
 *
 * Shows: asking for key presses and releases (ZIVRO_want_events), the wait
 * that tells them apart (ZIVRO_wait_event_ex) and a faster tick
 * (ZIVRO_set_tick). */
#include <zivro.h>

#define SPEED 4 /* pixels per tick */
#define RADIUS 12
#define EDGE_X (297 - RADIUS) /* the ball stays inside the window */
#define EDGE_Y (250 - RADIUS)

static void draw_frame(int ball_x, int ball_y) {
  ZIVRO_clear();
  ZIVRO_rectangle(ZIVRO_ICE_BLUE, -297, 250, 297, -250, 0); /* the playing field */
  ZIVRO_text(ZIVRO_NAVY_BLUE, -280, 220, 14, "Hold the arrow keys to steer the ball.");
  ZIVRO_circle(ZIVRO_GRAY_50, ball_x + 3, ball_y - 3, RADIUS); /* its shadow */
  ZIVRO_circle(ZIVRO_RED, ball_x, ball_y, RADIUS);
  ZIVRO_textf(ZIVRO_BLACK, -280, -240, 12, "(%d, %d)", ball_x, ball_y);
}

/* Keeps a value between -limit and limit. */
static int keep_inside(int value, int limit) {
  if (value < -limit) return -limit;
  if (value > limit) return limit;
  return value;
}

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR command_line, int show_mode) {
  int ball_x = 0, ball_y = 0;
  int left = 0, right = 0, up = 0, down = 0; /* 1 while that arrow key is held */
  ZIVRO_Event event;

  ZIVRO_open(instance, previous, command_line, show_mode);
  ZIVRO_logging(0);
  ZIVRO_want_events(ZIVRO_WANT_KEYS); /* every key going down and coming up */
  ZIVRO_set_tick(33);                 /* 1000 ms / 33 ms: about 30 ticks a second */
  ZIVRO_run_control(ZIVRO_RUN_ANIMATE);
  draw_frame(ball_x, ball_y);

  while (ZIVRO_wait_event_ex(&event) != ZIVRO_QUIT) {
    if (event.kind == ZIVRO_KEY_PRESS || event.kind == ZIVRO_KEY_RELEASE) {
      int held = event.kind == ZIVRO_KEY_PRESS; /* down: 1, up: 0 */
      if (event.key == ZIVRO_VK_LEFT) left = held;
      if (event.key == ZIVRO_VK_RIGHT) right = held;
      if (event.key == ZIVRO_VK_UP) up = held;
      if (event.key == ZIVRO_VK_DOWN) down = held;
    } else if (event.kind == ZIVRO_PERIODIC) {
      /* Each held key pushes the ball its way; opposite keys cancel out. */
      ball_x = keep_inside(ball_x + SPEED * (right - left), EDGE_X);
      ball_y = keep_inside(ball_y + SPEED * (up - down), EDGE_Y);
    }
    draw_frame(ball_x, ball_y);
  }
  ZIVRO_close();
  return 0;
}

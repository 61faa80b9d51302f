/* Bouncing ball: a ball bounces inside a box, one step per animation tick.
 * It shows every drawing call of the package and the animation controls:
 * click the left half to halt, the right half to animate again, and press
 * any key to advance one frame. The Run menu does the same and more. */
#include <zivro.h>

#define LEFT (-280)
#define RIGHT 280
#define TOP 200
#define BOTTOM (-200)
#define RADIUS 15

static void draw_frame(int ball_x, int ball_y, int ticks) {
  Point corner = {LEFT - RADIUS, TOP + RADIUS};
  Point opposite = {RIGHT + RADIUS, BOTTOM - RADIUS};

  ZIVRO_clear();                                           /* a fresh white canvas */
  ZIVRO_rectangle_at(ZIVRO_ICE_BLUE, corner, opposite, 0); /* the box, filled */
  ZIVRO_rectangle(ZIVRO_NAVY_BLUE, LEFT - RADIUS, TOP + RADIUS, RIGHT + RADIUS, BOTTOM - RADIUS,
                  2);                              /* and its frame */
  ZIVRO_line(ZIVRO_GRAY_50, LEFT, 0, RIGHT, 0, 0); /* a floor line */
  ZIVRO_oval(ZIVRO_GRAY_50, ball_x - 20, BOTTOM - 8, ball_x + 20, BOTTOM - 14, 0); /* shadow */
  ZIVRO_triangle(ZIVRO_ORANGE, -20, TOP, 20, TOP, 0, TOP - 30, 0);                 /* a lamp */
  ZIVRO_pixel(ZIVRO_BLACK, 0, TOP - 35);                                           /* its bulb */
  ZIVRO_circle(ZIVRO_RED, ball_x, ball_y, RADIUS);                                 /* the ball */
  ZIVRO_text(ZIVRO_BLACK, LEFT, TOP + 25, 14, "Left half: halt.  Right half: animate.");
  ZIVRO_textf(ZIVRO_BLACK, LEFT, BOTTOM - 25, 14, "tick %d at (%d, %d)", ticks, ball_x, ball_y);
  ZIVRO_textf2(ZIVRO_PURPLE, 120, BOTTOM - 25, 14, "%s", "Any key: one step");
}

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR command_line, int show_mode) {
  int ball_x = 0, ball_y = 0, step_x = 7, step_y = 5, ticks = 0;
  int x = 0, y = 0, kind;
  char key = 0;

  ZIVRO_open(instance, previous, command_line, show_mode);
  ZIVRO_logging(0);
  ZIVRO_run_control(ZIVRO_RUN_ANIMATE); /* a ZIVRO_PERIODIC event every tick */
  draw_frame(ball_x, ball_y, ticks);

  while ((kind = ZIVRO_wait_event(&x, &y, &key)) != ZIVRO_QUIT) {
    if (kind == ZIVRO_PERIODIC) {
      ++ticks;
      ball_x += step_x;
      ball_y += step_y;
      if (ball_x < LEFT || ball_x > RIGHT) step_x = -step_x; /* bounce off the sides */
      if (ball_y < BOTTOM || ball_y > TOP) step_y = -step_y; /* and off top and bottom */
    } else if (kind == ZIVRO_MOUSE) {
      ZIVRO_run_control(x < 0 ? ZIVRO_RUN_HALT : ZIVRO_RUN_ANIMATE); /* left halts */
    } else if (kind == ZIVRO_KBD) {
      ZIVRO_run_control(ZIVRO_RUN_STEP); /* advance one frame */
    }
    draw_frame(ball_x, ball_y, ticks);
  }
  ZIVRO_close();
  return 0;
}

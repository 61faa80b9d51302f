/* Catch the stars: steer the rocket with the arrow keys (hold them) and fly
 * into the falling stars. The score stands in the top right corner, placed
 * by measuring its text. Press S to save the picture as sprite_game.png.
 *
 * Shows: pictures with transparency (ZIVRO_image, ZIVRO_image_size), keys
 * held (ZIVRO_key_held), a colour of its own (ZIVRO_rgb), text measurement
 * (ZIVRO_text_width) and saving the canvas (ZIVRO_save_png). The pictures
 * are read from pictures/ in the directory the program runs in. */
#include <stdio.h>
#include <zivro.h>

#define STARS 5
#define SPEED 5 /* the rocket's pixels per tick */
#define FALL 3  /* the stars' pixels per tick */
#define LEFT_EDGE -297
#define TOP_EDGE 250

static const char* const kShip = "pictures/ship.png";
static const char* const kStar = "pictures/star.png";

struct Star {
  int x, y; /* its top-left corner */
};

/* A fixed sequence of places, so that a replay shows the same stars. The
 * arithmetic is unsigned, where wrapping around is defined. */
static int next_column(unsigned* seed) {
  *seed = (*seed * 1103515245u + 12345u) & 0x7FFFFFFFu;
  return (int)(*seed % 560u) - 280;
}

static int keep_inside(int value, int low, int high) {
  return value < low ? low : value > high ? high : value;
}

static void draw_frame(int sky, int ship_x, int ship_y, const struct Star* stars, int score) {
  char text[32];
  const int size = 16;
  ZIVRO_clear();
  ZIVRO_rectangle(sky, -297, 250, 297, -250, 0);
  for (int i = 0; i < STARS; ++i) ZIVRO_image(kStar, stars[i].x, stars[i].y);
  ZIVRO_image(kShip, ship_x, ship_y);
  /* Right-aligned: the text ends 10 pixels from the window's right edge. */
  snprintf(text, sizeof text, "Score: %d", score);
  ZIVRO_text(ZIVRO_WHITE, 287 - ZIVRO_text_width(size, text), 225, size, text);
}

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR command_line, int show_mode) {
  int ship_w = 32, ship_h = 32, star_w = 16, star_h = 16;
  int ship_x = -16, ship_y = -180, score = 0;
  unsigned seed = 7;
  struct Star stars[STARS];
  ZIVRO_Event event;

  ZIVRO_open(instance, previous, command_line, show_mode);
  ZIVRO_logging(0);
  ZIVRO_want_events(ZIVRO_WANT_KEYS);
  ZIVRO_set_tick(33);
  ZIVRO_run_control(ZIVRO_RUN_ANIMATE);
  ZIVRO_image_size(kShip, &ship_w, &ship_h);
  ZIVRO_image_size(kStar, &star_w, &star_h);
  const int sky = ZIVRO_rgb(12, 18, 60); /* a night blue none of the 24 colours is */
  for (int i = 0; i < STARS; ++i) {
    stars[i].x = next_column(&seed);
    stars[i].y = TOP_EDGE - 100 * i;
  }
  draw_frame(sky, ship_x, ship_y, stars, score);

  while (ZIVRO_wait_event_ex(&event) != ZIVRO_QUIT) {
    if (event.kind == ZIVRO_KBD && (event.key == 's' || event.key == 'S')) {
      ZIVRO_save_png("sprite_game.png");
    } else if (event.kind == ZIVRO_PERIODIC) {
      ship_x += SPEED * (ZIVRO_key_held(ZIVRO_VK_RIGHT) - ZIVRO_key_held(ZIVRO_VK_LEFT));
      ship_y += SPEED * (ZIVRO_key_held(ZIVRO_VK_UP) - ZIVRO_key_held(ZIVRO_VK_DOWN));
      ship_x = keep_inside(ship_x, LEFT_EDGE, 297 - ship_w);
      ship_y = keep_inside(ship_y, -250 + ship_h, TOP_EDGE);
      for (int i = 0; i < STARS; ++i) {
        stars[i].y -= FALL;
        /* Boxes overlap: the rocket caught the star. */
        const int caught = stars[i].x < ship_x + ship_w && ship_x < stars[i].x + star_w &&
                           stars[i].y > ship_y - ship_h && ship_y > stars[i].y - star_h;
        if (caught) ++score;
        if (caught || stars[i].y < -250) {
          stars[i].x = next_column(&seed);
          stars[i].y = TOP_EDGE;
        }
      }
    }
    draw_frame(sky, ship_x, ship_y, stars, score);
  }
  ZIVRO_close();
  return 0;
}

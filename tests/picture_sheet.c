/* Pictures of every kind (tests/pictures: 8-bit RGBA, a palette with
 * transparency, 16-bit grey with alpha, interlaced RGB) over shapes of many
 * colours and across the canvas's edges, moving a step a tick for ten
 * ticks, then the program halts. Run where the pictures are: the browser
 * tests compare each frame with the headless runner's, pixel for pixel. */
#include <zivro.h>

static const char* const kPictures[] = {"rgba.png", "palette.png", "grey16.png", "interlaced.png"};
enum { kPictureCount = 4, kFrames = 10 };

static void draw_frame(int frame) {
  int i, width = 0, height = 0;
  ZIVRO_clear();
  ZIVRO_rectangle(ZIVRO_NAVY_BLUE, -300, 200, -100, -200, 0);
  ZIVRO_circle(ZIVRO_YELLOW, 0, 0, 90);
  ZIVRO_rectangle(ZIVRO_rgb(200, 30, 90), 100, 200, 300, -200, 0);
  for (i = 0; i < kPictureCount; ++i) {
    ZIVRO_image_size(kPictures[i], &width, &height);
    /* A row across the shapes, a column down the middle, and the corners. */
    ZIVRO_image(kPictures[i], -280 + i * 140 + frame * 3, 100 - frame * 2);
    ZIVRO_image(kPictures[i], -width / 2 + frame, 200 - i * 100);
    ZIVRO_image(kPictures[i], -310 + i * 5 + frame, 260);
    ZIVRO_image(kPictures[i], 290 - i * 5, -250 + height - frame);
  }
}

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR command_line, int show_mode) {
  int x, y, frame = 0;
  char key;

  ZIVRO_open(instance, previous, command_line, show_mode);
  ZIVRO_logging(0);
  draw_frame(frame);
  ZIVRO_run_control(ZIVRO_RUN_ANIMATE);
  while (ZIVRO_wait_event(&x, &y, &key) != ZIVRO_QUIT) {
    if (frame + 1 == kFrames) {
      ZIVRO_run_control(ZIVRO_RUN_HALT); /* the last frame stays */
      continue;
    }
    draw_frame(++frame);
  }
  ZIVRO_close();
  return 0;
}

/* Every text the car game and the examples draw, at the size, in the colour
 * and on the background they draw it, then every byte from 0x20 to 0xFF at
 * each of those sizes, laid out over as many pages as it takes: one page a
 * tick, then the program halts on the last. The text window gets every byte
 * too, in its fixed-pitch face. The browser tests compare each page with the
 * headless runner's, pixel for pixel. */
#include <zivro.h>

typedef struct Sample {
  int size;
  int colour;
  int background;
  const char* text;
} Sample;

/* Where each text is drawn: game/scene.cpp and examples/. The speed read-out
 * and the coordinates are formatted, so a few of their values stand in. */
static const Sample kSamples[] = {
    {12, ZIVRO_BLACK, ZIVRO_ORANGE, "SPEED LIMIT 100"},
    {12, ZIVRO_BLACK, ZIVRO_BROWN, "Click a button to control the car."},
    {12, ZIVRO_RED, ZIVRO_BLACK, "CURRENT SPEED: 0mph"},
    {12, ZIVRO_RED, ZIVRO_BLACK, "CURRENT SPEED: 70mph"},
    {12, ZIVRO_RED, ZIVRO_BLACK, "CURRENT SPEED: -10mph"},
    {12, ZIVRO_FOREST_GREEN, ZIVRO_ICE_BLUE, "Go"},
    {12, ZIVRO_RED, ZIVRO_ICE_BLUE, "Stop"},
    {12, ZIVRO_BLACK, ZIVRO_ICE_BLUE, "Faster Slower Reverse New Color"},
    {12, ZIVRO_FOREST_GREEN, ZIVRO_BLACK, "Go"},
    {12, ZIVRO_RED, ZIVRO_BLACK, "Stop"},
    {12, ZIVRO_WHITE, ZIVRO_BLACK, "Faster Slower Reverse New Color"},
    {30, ZIVRO_BLACK, ZIVRO_BROWN, "COP: Do you know how fast you were going?"},
    {30, ZIVRO_BLACK, ZIVRO_BROWN, "It's going to be a $75 ticket."},
    {30, ZIVRO_BLACK, ZIVRO_BROWN, "You can make that a check payable to:"},
    {25, ZIVRO_NAVY_BLUE, ZIVRO_BROWN,
     "ZIVRO Traffic Court\n1 Example Street\nSpringfield, EX 00000"},
    {30, ZIVRO_BLACK, ZIVRO_BROWN,
     "Your speeding ticket's going to be --\n    Hey, is that reefer I smell?..."},
    {30, ZIVRO_BLACK, ZIVRO_BROWN, "Sorry but I'm going to have to confiscate that."},
    {30, ZIVRO_BLACK, ZIVRO_BROWN, "Thank you, have a nice day."},
    {14, ZIVRO_BLACK, ZIVRO_WHITE, "Left half: halt.  Right half: animate."},
    {14, ZIVRO_BLACK, ZIVRO_WHITE, "tick 42 at (-135, 208)"},
    {14, ZIVRO_PURPLE, ZIVRO_WHITE, "Any key: one step"},
    {14, ZIVRO_BLACK, ZIVRO_WHITE, "Click to draw; keys 0-9 change colour, c clears."},
    {14, ZIVRO_NAVY_BLUE, ZIVRO_WHITE, "Hold the arrow keys to steer the ball."},
    {12, ZIVRO_BLACK, ZIVRO_WHITE, "Drag to paint.  c: colour by name   n: new page"},
    {12, ZIVRO_BLACK, ZIVRO_WHITE, "(-90, 35)"},
    {24, ZIVRO_BLUE, ZIVRO_WHITE, "Hello, Ada!"},
    {24, ZIVRO_BLUE, ZIVRO_WHITE, "Hello, Fran\xE7oise \x80!"},
};
static const int kSizes[] = {12, 14, 24, 25, 30};
enum { kBytesPerRow = 16, kTop = 250, kBottom = -250 };

/* Room for one line of text: a little more than the face's line pitch. */
static int line_room(int size) {
  return size + size / 4 + 2;
}

/* One band of the layout: its background across the canvas and its text,
 * whose first line stands on the point given (its cell ends just above). */
static void draw_band(const Sample* sample, int top, int height) {
  ZIVRO_rectangle(sample->background, -300, top, 300, top - height, 0);
  ZIVRO_text(sample->colour, -292, top - line_room(sample->size), sample->size, sample->text);
}

static int band_height(const Sample* sample) {
  int lines = 1;
  const char* at;
  for (at = sample->text; *at; ++at) lines += *at == '\n';
  return lines * line_room(sample->size) + 2;
}

/* Lays out every band, the samples first and then each size's rows of
 * bytes; draws those that fall on `page` if `draw` is set. Returns whether
 * any band falls on that page. */
static int lay_out(int page, int draw) {
  static char rows[(0x100 - 0x20) / kBytesPerRow][kBytesPerRow + 1];
  const int sample_count = (int)(sizeof kSamples / sizeof kSamples[0]);
  const int size_count = (int)(sizeof kSizes / sizeof kSizes[0]);
  const int row_count = (int)(sizeof rows / sizeof rows[0]);
  int on_page = 0, top = kTop, found = 0, i;
  for (i = 0; i < row_count; ++i) {
    int b;
    for (b = 0; b < kBytesPerRow; ++b) rows[i][b] = (char)(0x20 + i * kBytesPerRow + b);
    rows[i][kBytesPerRow] = '\0';
  }
  for (i = 0; i < sample_count + size_count * row_count; ++i) {
    Sample sample;
    int height;
    if (i < sample_count) {
      sample = kSamples[i];
    } else {
      const int row = (i - sample_count) % row_count;
      sample.size = kSizes[(i - sample_count) / row_count];
      sample.colour = row % 2 ? ZIVRO_NAVY_BLUE : ZIVRO_BLACK;
      sample.background = row % 2 ? ZIVRO_CHALK : ZIVRO_WHITE;
      sample.text = rows[row];
    }
    height = band_height(&sample);
    if (top - height < kBottom) {
      ++on_page;
      top = kTop;
    }
    if (on_page == page) {
      if (draw) draw_band(&sample, top, height);
      found = 1;
    }
    top -= height;
  }
  return found;
}

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR command_line, int show_mode) {
  int x, y, page = 0, first;
  char key;

  ZIVRO_open(instance, previous, command_line, show_mode);
  ZIVRO_logging(0);
  for (first = 0x20; first < 0x100; first += 2 * kBytesPerRow) {
    char line[2 * kBytesPerRow + 1];
    int b;
    for (b = 0; b < 2 * kBytesPerRow; ++b) line[b] = (char)(first + b);
    line[2 * kBytesPerRow] = '\0';
    ZIVRO_printf("%02X: %s\n", first, line);
  }
  ZIVRO_clear();
  lay_out(page, 1);
  ZIVRO_run_control(ZIVRO_RUN_ANIMATE);
  while (ZIVRO_wait_event(&x, &y, &key) != ZIVRO_QUIT) {
    if (!lay_out(page + 1, 0)) {
      ZIVRO_run_control(ZIVRO_RUN_HALT); /* the last page stays */
      continue;
    }
    ZIVRO_clear();
    lay_out(++page, 1);
  }
  ZIVRO_close();
  return 0;
}

/* Paint: hold the left mouse button down and move the mouse to draw a
 * stroke. Press c to choose another colour by its name ("sea green",
 * "ORANGE", ...), n for a new, empty page.
 *
 * Shows: asking for drags and button releases (ZIVRO_want_events), the wait
 * that reports them (ZIVRO_wait_event_ex), safe line input into a small
 * buffer (ZIVRO_gets_n) and colours by name (ZIVRO_colour_index). */
#include <zivro.h>

#define PEN_WIDTH 3

/* The page: white, with the help line and a swatch of the pen's colour. */
static void new_page(int colour) {
  ZIVRO_clear();
  ZIVRO_text(ZIVRO_BLACK, -280, 225, 12, "Drag to paint.  c: colour by name   n: new page");
  ZIVRO_rectangle(colour, 250, 240, 285, 215, 0);
  ZIVRO_rectangle(ZIVRO_BLACK, 250, 240, 285, 215, 1);
}

/* Asks for a colour name; keeps the old colour if the name is unknown. */
static int ask_colour(int colour) {
  char name[32]; /* ZIVRO_gets_n never writes more than sizeof name bytes */
  int chosen;

  ZIVRO_gets_n("Which colour? (for example: sea green)", name, sizeof name);
  chosen = ZIVRO_colour_index(name);
  if (chosen < 0) {
    ZIVRO_printf("I do not know the colour \"%s\".\n", name);
    return colour;
  }
  ZIVRO_rectangle(chosen, 250, 240, 285, 215, 0); /* show it in the swatch */
  ZIVRO_rectangle(ZIVRO_BLACK, 250, 240, 285, 215, 1);
  return chosen;
}

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR command_line, int show_mode) {
  int colour = ZIVRO_BLACK;
  int drawing = 0;            /* 1 while the left button is held down */
  int last_x = 0, last_y = 0; /* where the stroke has got to */
  ZIVRO_Event event;

  ZIVRO_open(instance, previous, command_line, show_mode);
  ZIVRO_logging(0);
  ZIVRO_want_events(ZIVRO_WANT_DRAG | ZIVRO_WANT_RELEASE);
  new_page(colour);

  while (ZIVRO_wait_event_ex(&event) != ZIVRO_QUIT) {
    if (event.kind == ZIVRO_MOUSE) { /* the button went down: a stroke starts */
      drawing = 1;
      ZIVRO_circle(colour, event.x, event.y, PEN_WIDTH / 2);
    } else if (event.kind == ZIVRO_MOUSE_DRAG && drawing) {
      ZIVRO_line(colour, last_x, last_y, event.x, event.y, PEN_WIDTH);
    } else if (event.kind == ZIVRO_MOUSE_RELEASE) {
      drawing = 0;
    } else if (event.kind == ZIVRO_KBD && (event.key == 'c' || event.key == 'C')) {
      colour = ask_colour(colour);
    } else if (event.kind == ZIVRO_KBD && (event.key == 'n' || event.key == 'N')) {
      new_page(colour);
    }
    if (event.kind == ZIVRO_MOUSE || event.kind == ZIVRO_MOUSE_DRAG) {
      last_x = event.x;
      last_y = event.y;
    }
  }
  ZIVRO_close();
  return 0;
}

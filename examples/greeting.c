/* Greeting: asks for the user's name with ZIVRO_gets_n and greets them in the
 * text window, until the name is left empty. Then it waits for the graphics
 * window to be closed. */
#include <zivro.h>

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR command_line, int show_mode) {
  char name[64]; /* ZIVRO_gets_n stores at most 63 characters and the NUL */
  int x, y;
  char key;

  ZIVRO_open(instance, previous, command_line, show_mode);
  ZIVRO_logging(0); /* we print our own lines, not one per drawing call */
  ZIVRO_clear();

  for (;;) {
    name[0] = '\0';
    if (!ZIVRO_gets_n("What is your name? (leave it empty to stop)", name, sizeof name) ||
        name[0] == '\0') {
      break;
    }
    ZIVRO_printf("Hello, %s!\n", name);
    ZIVRO_clear();
    ZIVRO_textf(ZIVRO_BLUE, -280, 20, 24, "Hello, %s!", name);
  }

  ZIVRO_printf("Goodbye. Close the window to end.\n");
  while (ZIVRO_wait_event(&x, &y, &key) != ZIVRO_QUIT) {
    /* nothing to do but wait */
  }
  ZIVRO_close();
  return 0;
}

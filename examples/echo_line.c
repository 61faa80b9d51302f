/* Asks for a line with ZIVRO_gets and prints it to the text window, until
 * the line is empty; then waits for the window to be closed. */
#include <zivro.h>

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR command_line, int show_mode) {
  char line[256];
  int x, y;
  char key;
  ZIVRO_open(instance, previous, command_line, show_mode);
  ZIVRO_logging(0);
  ZIVRO_clear();
  for (;;) {
    line[0] = '\0';
    if (!ZIVRO_gets("Type a line and press Okay (an empty line ends):", line) || !line[0]) break;
    ZIVRO_printf("You typed: %s\n", line);
    ZIVRO_textf(ZIVRO_BLUE, -280, 0, 20, "%s", line);
  }
  ZIVRO_printf("Close the window to end.\n");
  while (ZIVRO_wait_event(&x, &y, &key) != ZIVRO_QUIT) {
  }
  ZIVRO_close();
  return 0;
}

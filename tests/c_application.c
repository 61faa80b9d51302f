/* A C application on the package: the public header and WinMain's signature
 * compile unchanged as C, NULL for the results it does not want included.
 * Exits 0 after a quit that follows three ticks. */
#include <zivro.h>

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR command_line, int show_mode) {
  int x = 0, y = 0, ticks = 0, kind = 0;
  char key = 0;
  EventRecord record;
  ZIVRO_open(instance, previous, command_line, show_mode);
  ZIVRO_logging(0);
  ZIVRO_clear();
  ZIVRO_run_control(ZIVRO_RUN_ANIMATE);
  while ((kind = ZIVRO_wait_event(&x, &y, &key)) == ZIVRO_PERIODIC) ++ticks;
  if (ZIVRO_wait_event(NULL, NULL, NULL) != ZIVRO_QUIT) return 1;
  if (kind != ZIVRO_QUIT || ZIVRO_wait_event_rec(&record) != ZIVRO_QUIT) return 1;
  ZIVRO_printf("%d ticks, colour %d\n", ticks, ZIVRO_GRAY_20);
  ZIVRO_close();
  return ticks == 3 ? 0 : 1;
}

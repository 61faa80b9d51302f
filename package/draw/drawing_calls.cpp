// The application's drawing calls.
#include <zivro.h>

#include "draw/renderer.h"
#include "text/text_log.h"

extern "C" int ZIVRO_clear(void) {
  if (logging_flag()) ZIVRO_printf("Clearing the graphics window\n");
  clear_canvas();
  return 1;
}

extern "C" int ZIVRO_undo(void) {
  ZIVRO_printf("ZIVRO_undo is no longer supported.\n");
  return 1;
}

// ZIVRO_save_png: the canvas, as the program drew it, in a PNG file.
#include <zivro.h>

#include "package_windows.h"
#include "text/text_log.h"

extern "C" int ZIVRO_save_png(const char* png_file) {
  if (!package_opened("ZIVRO_save_png")) return 0;
  if (!png_file || !*png_file) {
    ZIVRO_printf("No file name to save the graphics window to\n");
    return 0;
  }
  if (logging_flag()) ZIVRO_printf("Saving the graphics window to \"%s\"\n", png_file);
  if (platform::save_context_png(canvas_context(), png_file)) return 1;
  ZIVRO_printf("Could not save the graphics window to \"%s\"\n", png_file);
  return 0;
}

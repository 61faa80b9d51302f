/* A user's Windows program: draws a blue box on a white canvas, asks where
 * to save the drawing and saves it there as a PNG picture. */
#include <zivro.h>

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR command_line, int show_mode) {
  char file_name[128] = "";
  int saved;

  ZIVRO_open(instance, previous, command_line, show_mode);
  ZIVRO_logging(0);
  ZIVRO_clear();
  ZIVRO_rectangle(ZIVRO_BLUE, -100, -60, 100, 60, 0); /* 0: filled */
  if (!ZIVRO_gets_n("Save the drawing as?", file_name, sizeof file_name) || file_name[0] == '\0') {
    ZIVRO_close();
    return 1;
  }
  saved = ZIVRO_save_png(file_name);
  ZIVRO_printf(saved ? "Saved %s\n" : "Could not save %s\n", file_name);
  ZIVRO_close();
  return saved ? 0 : 1;
}

/* A program that defines main() instead of WinMain: linked with the headless
 * layer, the runner's options never reach it, so the package must refuse it. */
#include <zivro.h>

int main(void) {
  int x, y;
  char key;
  ZIVRO_open(0, 0, 0, 0);
  while (ZIVRO_wait_event(&x, &y, &key) != ZIVRO_QUIT) {
  }
  ZIVRO_close();
  return 0;
}

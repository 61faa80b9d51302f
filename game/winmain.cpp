#include "cargame.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR command_line, int show_mode) {
  return run_cargame(instance, previous, command_line, show_mode);
}

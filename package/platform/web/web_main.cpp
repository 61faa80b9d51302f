// main() of every program in the page: reads the page's options, then calls
// the program's WinMain.
#include <zivro.h>

#include <cstring>

#include "platform/web/web.h"

int main(int argc, char** argv) {
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--test-hooks") == 0) web::set_test_hooks(true);
  }
  web::mark_started();
  static char command_line[] = "";
  return WinMain(nullptr, nullptr, command_line, 1 /* SW_SHOWNORMAL */);
}

// main() of every program in the page: reads the page's options, then calls
// the program's WinMain.
#include <emscripten.h>
#include <zivro.h>

#include <cstring>

#include "platform/web/web.h"
#include "startup.h"

int main(int argc, char** argv) {
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--test-hooks") == 0) web::set_test_hooks(true);
    // The page's "Play from start": the script (the page has put the stored
    // one in the file system) plays as ZIVRO_open finishes, as the headless
    // runner's --play.
    if (std::strcmp(argv[i], "--play") == 0 && i + 1 < argc) play_from_open(argv[++i]);
  }
  web::mark_started();
  static char command_line[] = "";
  const int status = WinMain(nullptr, nullptr, command_line, 1 /* SW_SHOWNORMAL */);
  // Told here: a main that has slept may return past the runtime's own
  // notice of its end.
  EM_ASM({ ZivroPage.programEnded($0); }, status);
  return status;
}

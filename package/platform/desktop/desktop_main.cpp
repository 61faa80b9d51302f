// main() of every application linked with the desktop layer: checks that a
// display is there, then calls the application's WinMain.
#include <FL/Fl.H>
#include <X11/Xlib.h>
#include <zivro.h>

#include <cstdio>
#include <cstring>

#include "platform/desktop/desktop.h"

int main(int argc, char** argv) {
  bool spinning = false;
  const char* log = nullptr;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--spinning-wait") == 0) {
      spinning = true;
    } else if (std::strcmp(argv[i], "--log") == 0 && i + 1 < argc) {
      log = argv[++i];
    } else {
      std::fprintf(stderr,
                   "usage: %s [--spinning-wait] [--log FILE]\n"
                   "  --log FILE  write every line printed to the text window to FILE\n",
                   argv[0]);
      return 2;
    }
  }
  Display* display = XOpenDisplay(nullptr);
  if (!display) {
    std::fprintf(stderr,
                 "%s: no display to open windows on; run the headless build instead "
                 "(cargame-headless, see the README).\n",
                 argv[0]);
    return 1;
  }
  XCloseDisplay(display);
  if (log && !desktop::set_log_path(log)) {
    std::fprintf(stderr, "%s: cannot write the log file %s\n", argv[0], log);
    return 2;
  }
  desktop::set_spinning_wait(spinning);
  desktop::mark_started();
  Fl::visual(FL_RGB);
  static char command_line[] = "";
  return WinMain(nullptr, nullptr, command_line, 1 /* SW_SHOWNORMAL */);
}

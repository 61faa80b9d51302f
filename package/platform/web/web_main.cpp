// main() of every program in the page: reads the page's options, then calls
// the program's WinMain.
#include <emscripten.h>
#include <zivro.h>

#include <string>

#include "platform/web/web.h"
#include "startup.h"

int main(int argc, char** argv) {
  // The page writes the line itself, so whatever it does not mean is passed
  // over. Its "Play from start" gives --play: the page has put the stored
  // script in the file system, and it plays as ZIVRO_open finishes, as the
  // headless runner's --play.
  StartupSyntax syntax;
  syntax.takes_log = false;
  syntax.unknown_passed_over = true;
  syntax.program_arguments = false;
  syntax.layer_options = {{"--test-hooks", OptionValue::kNone, [](const char*) {
                             web::set_test_hooks(true);
                             return std::string();
                           }}};
  const StartupOptions options = parse_startup_options(argc, argv, syntax);
  if (options.play) play_from_open(*options.play);
  web::mark_started();
  static char command_line[] = "";
  const int status = WinMain(nullptr, nullptr, command_line, 1 /* SW_SHOWNORMAL */);
  // Told here: a main that has slept may return past the runtime's own
  // notice of its end.
  EM_ASM({ ZivroPage.programEnded($0); }, status);
  return status;
}

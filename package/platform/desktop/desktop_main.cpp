// main() of every application linked with the desktop layer: takes the
// layer's options, checks that a display is there, then calls the
// application's WinMain with the arguments given after "--".
#include <FL/Fl.H>
#include <zivro.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "platform/desktop/desktop.h"
#include "platform/portable/command_line.h"
#include "startup.h"

namespace {

constexpr const char* kUsage =
    "usage: %s [--record | --play FILE] [--log FILE] [--spinning-wait]"
    " [-- PROGRAM ARGUMENTS...]\n"
    "  --record         record the events to ZIVRO.SCR in the current directory from the\n"
    "                   first one, as the Record Script command does\n"
    "  --play FILE      play FILE back from the first event, as the Playback Script\n"
    "                   command does (not with --record)\n"
    "  --log FILE       write every line printed to the text window to FILE\n"
    "  --spinning-wait  poll for input instead of sleeping while waiting (uses a whole\n"
    "                   core; for measuring what the blocking wait saves)\n"
    "  -- ...           everything after it is the program's command line\n";

// The program's file name, without its directory.
const char* base_name(const char* path) {
  const char* slash = std::strrchr(path, '/');
  return slash ? slash + 1 : path;
}

}  // namespace

int main(int argc, char** argv) {
  const char* program = argc > 0 ? argv[0] : "zivro";
  bool spinning = false;
  StartupSyntax syntax;
  syntax.record = RecordSyntax::kScriptFile;
  syntax.layer_options = {{"--spinning-wait", OptionValue::kNone, [&](const char*) {
                             spinning = true;
                             return std::string();
                           }}};
  const StartupOptions options = parse_startup_options(argc, argv, syntax);
  if (options.misuse) {
    std::fprintf(stderr, kUsage, program);
    return 2;
  }
  // Refused before anything is shown: the run would not be the one asked for.
  if (!options.error.empty()) {
    std::fprintf(stderr, "%s: %s\n", program, options.error.c_str());
    return 2;
  }
  if (options.play) {
    if (const std::string why = script_unplayable(*options.play); !why.empty()) {
      std::fprintf(stderr, "%s: %s\n", program, why.c_str());
      return 2;
    }
  }
  if (!desktop::display_available()) {
    // The same program built against the headless layer carries the suffix.
    std::fprintf(stderr,
                 "%s: no display to open windows on; run the headless build instead "
                 "(%s-headless, see the README).\n",
                 program, base_name(program));
    return 1;
  }
  if (options.log && !desktop::set_log_path(options.log->c_str())) {
    std::fprintf(stderr, "%s: cannot write the log file %s\n", program, options.log->c_str());
    return 2;
  }
  if (options.record) record_from_open();
  if (options.play) play_from_open(*options.play);
  desktop::set_spinning_wait(spinning);
  desktop::mark_started();
  Fl::visual(FL_RGB);
  desktop::open_display();
  std::string command_line = portable::windows_command_line(options.program_arguments);
  return WinMain(nullptr, nullptr, command_line.data(), 1 /* SW_SHOWNORMAL */);
}

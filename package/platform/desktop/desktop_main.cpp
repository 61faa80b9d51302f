// main() of every application linked with the desktop layer: takes the
// layer's options, checks that a display is there, then calls the
// application's WinMain with the arguments given after "--".
#include <FL/Fl.H>
#include <X11/Xlib.h>
#include <zivro.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

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

// Why a script cannot be played, or an empty string: it must be a regular
// file (a FIFO would block the run) that can be read.
std::string unplayable(const char* path) {
  std::error_code error;
  const std::filesystem::file_status status = std::filesystem::status(path, error);
  if (error) return std::string("cannot read ") + path + ": " + error.message();
  if (!std::filesystem::is_regular_file(status)) {
    return std::string("cannot read ") + path + ": not a regular file";
  }
  std::FILE* probe = std::fopen(path, "rb");
  if (!probe) return std::string("cannot read ") + path + ": " + std::strerror(errno);
  std::fclose(probe);
  return {};
}

}  // namespace

int main(int argc, char** argv) {
  const char* program = argc > 0 ? argv[0] : "zivro";
  bool spinning = false;
  bool record = false;
  const char* log = nullptr;
  const char* play = nullptr;
  std::vector<std::string> program_arguments;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--") == 0) {
      program_arguments.assign(argv + i + 1, argv + argc);
      break;
    }
    if (std::strcmp(argv[i], "--spinning-wait") == 0) {
      spinning = true;
    } else if (std::strcmp(argv[i], "--record") == 0) {
      record = true;
    } else if (std::strcmp(argv[i], "--log") == 0 && i + 1 < argc) {
      log = argv[++i];
    } else if (std::strcmp(argv[i], "--play") == 0 && i + 1 < argc) {
      play = argv[++i];
    } else {
      std::fprintf(stderr, kUsage, program);
      return 2;
    }
  }
  // Refused before anything is shown: the run would not be the one asked for.
  if (record && play) {
    std::fprintf(stderr,
                 "%s: --record and --play exclude each other: a playback's events are not "
                 "recorded\n",
                 program);
    return 2;
  }
  if (play) {
    if (const std::string why = unplayable(play); !why.empty()) {
      std::fprintf(stderr, "%s: %s\n", program, why.c_str());
      return 2;
    }
  }
  Display* display = XOpenDisplay(nullptr);
  if (!display) {
    // The same program built against the headless layer carries the suffix.
    std::fprintf(stderr,
                 "%s: no display to open windows on; run the headless build instead "
                 "(%s-headless, see the README).\n",
                 program, base_name(program));
    return 1;
  }
  XCloseDisplay(display);
  if (log && !desktop::set_log_path(log)) {
    std::fprintf(stderr, "%s: cannot write the log file %s\n", program, log);
    return 2;
  }
  if (record) record_from_open();
  if (play) play_from_open(play);
  desktop::set_spinning_wait(spinning);
  desktop::mark_started();
  Fl::visual(FL_RGB);
  desktop::open_display();
  std::string command_line = portable::windows_command_line(program_arguments);
  return WinMain(nullptr, nullptr, command_line.data(), 1 /* SW_SHOWNORMAL */);
}

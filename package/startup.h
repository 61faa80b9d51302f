// What a layer's main may ask of the package, before it calls WinMain and
// after: the one header of the core that the layers' mains include (the
// other core headers are the package's own).
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "wait_progress.h"

// The script file's name as the package's messages give it.
const char* script_file_name();

// Recording from the program's first event (a layer's --record): ZIVRO_open
// switches it on as it finishes. `path` is where the script goes; empty for
// ZIVRO.SCR in the current directory.
void record_from_open(const std::string& path = {});
// Playing `path` from the program's first event (--play FILE): playback is
// on as ZIVRO_open finishes, so the answer of a dialog the program shows
// before its first wait comes from the script too.
void play_from_open(const std::string& path);

// After the run: whether a recording lost lines (a failed open, write or
// close), and how many events playback served.
bool recording_lost_lines();
long events_played();

// The command line of a layer's main. The options that several layers take
// (--log FILE, --record, --play FILE and "--" before the program's own
// arguments) are read here for all of them; a layer names how its syntax
// differs in a StartupSyntax and adds its own options as LayerOptions.

// What follows one of a layer's own options.
enum class OptionValue {
  kNone,      // nothing: a switch
  kFileName,  // a file or directory name, as --log and --play take
  kText,      // any text, the layer's to judge (it may be empty or missing)
};

struct LayerOption {
  const char* name;
  OptionValue value;
  // Takes the value: null for a switch, and for kText when the line ends
  // before it. Returns what is wrong with it, or an empty string.
  std::function<std::string(const char* value)> take;
};

// How --record is written on a layer, if the layer has it.
enum class RecordSyntax {
  kNone,
  kScriptFile,  // --record: to ZIVRO.SCR in the current directory
  kNamedFile,   // --record FILE
};

struct StartupSyntax {
  bool takes_log = true;
  RecordSyntax record = RecordSyntax::kNone;
  // A missing or empty file name is refused in so many words ("--log needs a
  // file or directory name"); otherwise an empty name is taken, for the use
  // of the file to fail on, and a missing one is a misuse like an unknown
  // option.
  bool file_names_required = false;
  // Anything unknown, and an option whose value is missing, is passed over
  // rather than refused: the caller writes the line, not a user.
  bool unknown_passed_over = false;
  // "--" ends the layer's options and the program's arguments follow it.
  bool program_arguments = true;
  std::vector<LayerOption> layer_options;
  // The layer's own checks of the options as a whole, made after the line is
  // read and before the shared ones.
  std::function<std::string()> check_layer_options;
};

struct StartupOptions {
  // Each as the last one on the line gave it; none when not given.
  std::optional<std::string> log;
  std::optional<std::string> record;  // empty for ZIVRO.SCR (bare --record)
  std::optional<std::string> play;
  std::vector<std::string> program_arguments;
  // Why the line cannot be used, or empty. A misuse (an unknown option or
  // argument, a missing value) is one that the layer's usage text answers;
  // the others are options that exclude each other or wrong values.
  std::string error;
  bool misuse = false;
};

// Reads argv[1..argc) by the layer's syntax: the shared options into the
// result, the layer's own through their take(). Stops at the first error.
StartupOptions parse_startup_options(int argc, char** argv, const StartupSyntax& syntax);

// Why the script at `path` cannot be played, or an empty string: it must be
// a regular file (a FIFO would block the run) that can be read.
std::string script_unplayable(const std::string& path);

// How far the program's event waits have got (wait_progress.h), for a
// watchdog of a layer's main.
const WaitProgress& wait_progress();

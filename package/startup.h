// What a layer's main may ask of the package, before it calls WinMain and
// after: the one header of the core that the layers' mains include (the
// other core headers are the package's own).
#pragma once

#include <string>

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

// How far the program's event waits have got (wait_progress.h), for a
// watchdog of a layer's main.
const WaitProgress& wait_progress();

// Recording the events of ZIVRO_wait_event to ZIVRO.SCR and playing them back.
#pragma once

#include <cstddef>
#include <cstdio>

inline constexpr const char* kScriptFileName = "ZIVRO.SCR";

// Appends the line of one event; opens the file for writing on first use.
// A periodic line carries the periodic run counter.
void script_write_event(int kind, int x, int y, char key);
// Writes the pending periodic run, if any, and closes the file.
void script_stop_recording();
// Sets the pending event from the script; 1 if it did, 0 if it supplied none.
int script_read_event();
void script_close();

int periodic_run_counter();
void set_periodic_run_counter(int count);

// One line of a script, as the reader sees it.
struct ScriptLine {
  int kind = 0;  // 0 when the kind letter is not M, K or P
  int x = 0;     // mouse x, key code or periodic count
  int y = 0;     // mouse y
};
ScriptLine parse_script_line(const char* line, size_t length);

// Reads one line as a text-mode stream gives it (CR LF becomes LF), at most
// 511 characters. Returns its length; sets *at_end once the end is reached.
size_t read_script_line(std::FILE* file, char (&line)[512], bool* at_end);

void reset_script_state();

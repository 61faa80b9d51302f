// Recording the events of ZIVRO_wait_event to ZIVRO.SCR and playing them back.
#pragma once

#include <cstddef>
#include <cstdio>
#include <string>

#include "run_state.h"

inline constexpr const char* kScriptFileName = "ZIVRO.SCR";

// Recording and playback as the run menu switches them. This module owns
// both switches and the one file they share: the file a playback reads is
// held for it while it is on, and a recording writes nothing meanwhile.
bool script_recording();
bool script_playing();

// Switching recording on: a fresh run, and a file left open for reading by
// a playback that is no longer on is closed.
void script_start_recording();
// Writes the pending periodic run, if any, and closes a file open for writing.
void script_stop_recording();
// Switching playback on, or its ending by itself (the end of the file, a
// line that is no event, a file that cannot be read), which leaves the file
// as it is.
void script_set_playing(bool on);
// Recordings go to `path` instead of ZIVRO.SCR in the current directory
// (the runner's --record FILE); messages still name ZIVRO.SCR.
void script_record_to(const std::string& path);
// Playback reads `path` instead of ZIVRO.SCR (the --play FILE option of a
// layer's main); messages still name ZIVRO.SCR.
void script_play_from(const std::string& path);

// Appends the line of one event (a click, a character or one of the opt-in
// kinds; others write nothing); opens the file for writing on first use. A
// click or character line gets its modifiers as one more number only when
// they are not 0, so programs that never ask for them write what they always
// wrote.
void script_write_event(const Event& event);
inline void script_write_event(int kind, int x, int y, char key) {
  script_write_event(Event{kind, x, y, key});
}
// The recording step of the wait: a periodic event extends the run of
// ticks, whose line is kept up to date in the file; any other event ends
// the run and has its own line written (a quit opens the file only).
void script_record_event(const Event& event);
// The next event of the playback. False when the script supplies none: the
// file cannot be opened or its end is reached (both reported in the text
// window), or a line is no event; the caller then ends the playback.
bool script_read_event(Event* event);
// Switching playback off: closes the file only if it is open for reading.
// With recording on, the recording takes it over instead, beginning with
// the lines played.
void script_stop_playback();
void script_close();
// The events playback has served since the start, each tick of a periodic
// line one, those of kinds the program did not ask for included: the count
// of event lines a run has played, as a script's reader counts them.
long script_events_served();

// Called as each wait starts: the event it will return is not yet one
// that the script supplied.
void script_wait_started();
// The answer of a line-input dialog, while recording: its lines go into
// the script after the pending run.
void script_record_answer(const char* answer);
// During playback, or right after a script event, when the next script line
// is an answer: copies it (at most size - 1 bytes and a NUL) and returns true.
bool script_read_answer(char* buffer, size_t size);

// Some line of a recording could not be written (a failed open, write,
// flush or close) since the package started.
bool script_write_failed();

// The escaped text of an answer line, and back. Printable ASCII stands for
// itself, except the backslash, ")" and ";"; those and every other byte are
// written as a backslash, "x" and two hex digits.
std::string escape_answer(const std::string& text);
std::string unescape_answer(const char* text, size_t length);

// One line of a script, as the reader sees it. A line that starts with
// the name of an opt-in kind and "(" is of that kind; any other goes by the
// letter after "ZIVRO_".
struct ScriptLine {
  int kind = 0;  // 0 when the kind letter is not M, K or P
  int x = 0;     // mouse x, character, key code or periodic count
  int y = 0;     // mouse y
  int button = 0;
  int modifiers = 0;
};
ScriptLine parse_script_line(const char* line, size_t length);

// Reads one line as a text-mode stream gives it (CR LF becomes LF), at most
// 511 characters. Returns its length; sets *at_end once the end is reached.
size_t read_script_line(std::FILE* file, char (&line)[512], bool* at_end);

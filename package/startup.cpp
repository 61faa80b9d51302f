// The layers' mains' view of the package (startup.h).
#include "startup.h"

#include "events.h"
#include "script.h"

void record_from_open(const std::string& path) {
  if (!path.empty()) script_record_to(path);
  ask_for_recording_from_open();
}

void play_from_open(const std::string& path) {
  script_play_from(path);
  ask_for_playback_from_open();
}

const char* script_file_name() {
  return kScriptFileName;
}

bool recording_lost_lines() {
  return script_write_failed();
}

long events_played() {
  return script_events_served();
}

const WaitProgress& wait_progress() {
  return event_wait_progress();
}

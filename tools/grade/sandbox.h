// Running an untrusted program: in a fresh directory, under bubblewrap (no
// network, a read-only system, a private /tmp, only its own directory
// writable, nothing else of the host visible), with limits on CPU time,
// wall-clock time, memory, file size, processes and output.
#pragma once

#include <string>
#include <utility>
#include <vector>

namespace grade::sandbox {

struct Limits {
  long cpu_seconds = 10;        // the wall-clock limit is twice this, plus a second
  long memory_mb = 512;         // address space
  long output_bytes = 1 << 20;  // standard output and error together
  long file_mb = 64;            // the largest file it may write
  long processes = 16;          // processes and threads, the program's own included
};

struct Command {
  // Run in `directory` (the only writable place, and the working directory);
  // argv names what the directory holds by relative paths, and what is bound
  // read-only by where it is seen (see seen_at).
  std::vector<std::string> argv;
  std::string directory;
  std::vector<std::pair<std::string, std::string>> read_only;  // host path, path seen inside
  Limits limits;
};

struct Outcome {
  bool started = false;  // false: the sandbox itself failed (`error` says why)
  std::string error;
  int exit_code = -1;       // when it exited
  int signal = 0;           // when a signal ended it
  bool timed_out = false;   // the wall-clock or the CPU limit
  bool output_cut = false;  // the output limit: the run was stopped
  std::string out;          // standard output, cut at the limit
  std::string err;          // standard error, cut at the limit
};

// Whether runs are sandboxed (the default) or run plainly (--no-sandbox).
void set_enabled(bool enabled);
bool enabled();
// Runs a trivial command the way every run is made; false with the reason.
bool check_available(const std::string& scratch_directory, std::string* why);
// The path at which a run sees a read-only host path bound at `inside`: that
// path in the sandbox, the host path itself without it.
std::string seen_at(const std::string& host, const std::string& inside);
// Makes the directory the one a run in this slot may write (its owner, when
// the grader runs as root and runs each slot as a user of its own).
bool prepare_directory(const std::string& directory, int slot);
// Runs the command and waits for it, at most its limits. Safe to call from
// several threads, each with its own slot.
Outcome run(const Command& command, int slot);

}  // namespace grade::sandbox

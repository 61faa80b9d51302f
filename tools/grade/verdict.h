// Verdicts from what the grader observed of a run: the frames it showed
// (their digests and count), the events it had played, how it ended.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "assignment.h"
#include "sandbox.h"

namespace grade {

// The statuses a report names.
inline constexpr const char* kPassed = "passed";
inline constexpr const char* kFramesDiffer = "frames differ";
inline constexpr const char* kEndedEarly = "ended early";
inline constexpr const char* kNoFrame = "no frame";
inline constexpr const char* kCrashed = "crashed";
inline constexpr const char* kTimedOut = "timed out";
inline constexpr const char* kBuildFailed = "build failed";
inline constexpr const char* kDefinesMain = "defines main";
inline constexpr const char* kOutputLimit = "output limit reached";
// The runner's watchdog stopped the program: it went the watchdog's CPU
// time without an event wait, from its start or after some waits.
inline constexpr const char* kNeverWaited = "never waited";
inline constexpr const char* kStoppedWaiting = "stopped waiting";

// The runner's exit statuses for them, and the watchdog's CPU time for a
// run with the test's CPU limit: a quarter of it, at most 3 s, so that the
// watchdog stops a busy run with its reason well before the CPU limit, or
// the wall-clock limit on a loaded machine, would stop it as timed out.
inline constexpr int kRunnerNeverWaited = 4;
inline constexpr int kRunnerStoppedWaiting = 5;
double watchdog_seconds(long cpu_seconds);

// One line the runner's --digests wrote.
struct DigestLine {
  long frame = 0;
  std::string digest;
  long events = 0;
};
// The lines of a digests file, up to the first that is not one (a program
// can write into its own directory, so nothing in it is taken on trust).
std::vector<DigestLine> read_digests(const std::string& path);
bool write_digests(const std::string& path, const std::vector<DigestLine>& lines);

// Frame numbers (from 1) of the frames both runs showed whose digests differ.
std::vector<long> frames_with_other_digests(const Test& test,
                                            const std::vector<DigestLine>& expected,
                                            const std::vector<DigestLine>& actual);

struct Verdict {
  std::string status;
  std::string detail;        // what happened, in words
  long first_differing = 0;  // the frame the report shows, 0 for none
  long differing = 0;
};

// `pixels` holds, for frames whose digests differ, how many pixels differ
// (known when the test has a tolerance, or for the frame shown).
Verdict judge(const Test& test, const std::vector<DigestLine>& expected,
              const sandbox::Outcome& outcome, const std::vector<DigestLine>& actual,
              const std::map<long, long>& pixels);

// The share of the points a run earns with credit = "frames": the frames
// equal to the reference's (within the tolerance, by `pixels`), of all the
// frames either run showed.
double frame_share(const Test& test, const std::vector<DigestLine>& expected,
                   const std::vector<DigestLine>& actual, const std::map<long, long>& pixels);

// The lines the runner printed itself ("./program: ..."), without that prefix.
std::vector<std::string> runner_messages(const std::string& standard_error);

}  // namespace grade

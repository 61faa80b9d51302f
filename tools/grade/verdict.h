// Verdicts from what the grader observed of a run: the frames it showed
// (their digests and count), the events it had played, how it ended.
#pragma once

#include <compare>
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
inline constexpr const char* kLogDiffers = "log differs";
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

// The frame on screen at a tick (script_lines.h counts the ticks): the last
// frame shown before the script played the event after that tick, so the
// frame that answered the tick, or the one before when it drew nothing; 0
// when the run ended before the tick was played.
long frame_at_tick(const Test& test, const std::vector<DigestLine>& digests, long tick);

// A frame of the reference's run and the frame of the run it is compared
// with, numbered from 1; the same number but with compare = "ticks".
struct FramePair {
  long expected = 0;
  long actual = 0;
  auto operator<=>(const FramePair&) const = default;
};
// The pixels that differ between the frames of a pair, outside the mask.
using PixelCounts = std::map<FramePair, long>;

// The pairs the test compares, both frames shown, whose digests differ.
std::vector<FramePair> frames_with_other_digests(const Test& test,
                                                 const std::vector<DigestLine>& expected,
                                                 const std::vector<DigestLine>& actual);

struct Verdict {
  std::string status;
  std::string detail;        // what happened, in words
  long first_differing = 0;  // the frame the report shows, 0 for none
  long expected_frame = 0;   // the reference's frame it is compared with
  long differing = 0;
};

// `pixels` holds, for pairs whose digests differ, how many pixels differ
// (known when the test has a tolerance or a mask, or for the frame shown).
Verdict judge(const Test& test, const std::vector<DigestLine>& expected,
              const sandbox::Outcome& outcome, const std::vector<DigestLine>& actual,
              const PixelCounts& pixels);

// The share of the points a run earns with credit = "frames": the frames
// compared that equal the reference's (within the tolerance, by `pixels`),
// of all the frames either run showed (of the ticks chosen, with "ticks").
double frame_share(const Test& test, const std::vector<DigestLine>& expected,
                   const std::vector<DigestLine>& actual, const PixelCounts& pixels);

// The lines the runner printed itself ("./program: ..."), without that prefix.
std::vector<std::string> runner_messages(const std::string& standard_error);

}  // namespace grade

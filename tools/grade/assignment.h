// The assignment file: the reference, the tests and their limits.
#pragma once

#include <string>
#include <vector>

#include "sandbox.h"
#include "script_lines.h"

namespace grade {

// kTicks: the frames on screen at the ticks of `at` (see frame_at_tick).
enum class Compare { kEveryFrame, kLastFrame, kTicks };
// A test's points: all or nothing, or the share of the frames that match.
enum class Credit { kAllOrNothing, kFrames };

struct Test {
  std::string name;
  std::string script;  // absolute path
  ScriptEvents events;
  double points = 1;
  Compare compare = Compare::kEveryFrame;
  Credit credit = Credit::kAllOrNothing;
  long tolerance = 0;    // differing pixels allowed per frame
  std::vector<long> at;  // with kTicks: the ticks, increasing
  // A mask picture: its pixels that are neither black nor transparent are
  // left out of every comparison (`ignored`, row by row, one per pixel).
  std::string mask;  // absolute path, or empty
  std::vector<bool> ignored;
  long ticks = 0;  // the runner's --ticks
  // The lines printed to the text window (--log) must be the reference's too.
  bool compare_log = false;
  std::vector<std::string> answers;
  std::vector<std::string> arguments;
  sandbox::Limits limits;
};

struct Assignment {
  std::string path;
  std::string title;
  // The reference: a source file or directory built like a submission, or a
  // directory of expected digests and frames made by --save-expected.
  std::string reference_source;
  std::string reference_expected;
  std::vector<Test> tests;
  double max_score() const;
};

// Reads and checks the file. On failure *error is one line naming the file
// and the line ("lab3.toml:12: unknown key 'pionts' in [[test]]").
bool load_assignment(const std::string& path, Assignment* assignment, std::string* error);

}  // namespace grade

// Grading a class: the reference's expected frames, then every submission
// built and run on every test, each run sandboxed, on several workers.
#pragma once

#include <string>

namespace grade {

struct Options {
  std::string assignment;
  std::string submissions;
  std::string out;
  std::string save_expected;  // make a directory of expected frames instead
  std::string program;        // this program's path, to find the package
  bool sandbox = true;
  int jobs = 1;
  // Gradescope's autograder: grade ROOT/submission alone and write
  // ROOT/results/results.json; empty to grade a class.
  std::string gradescope_root;
  // A shard of the class: its submissions K, K + N, K + 2N, ... (from 1, in
  // sorted order); 0 of 0 for all. Its report keeps what merging needs.
  int shard = 0;
  int shards = 0;
};

// The exit status: 0 graded (whatever the grades), 1 the report could not
// be written, 2 refused (one line on standard error says why).
int grade_class(const Options& options);

}  // namespace grade

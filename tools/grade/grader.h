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
};

// The exit status: 0 graded (whatever the grades), 1 the report could not
// be written, 2 refused (one line on standard error says why).
int grade_class(const Options& options);

}  // namespace grade

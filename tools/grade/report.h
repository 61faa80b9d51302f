// The report of a class: grades.csv, results.json (and one in Gradescope's
// autograder format per student), junit.xml, index.html and a page per student.
#pragma once

#include <string>
#include <vector>

#include "animation.h"
#include "assignment.h"

namespace grade {

struct TestResult {
  std::string name;
  std::string status;  // one of the statuses of verdict.h
  std::string detail;
  double score = 0;
  double max_score = 0;
  std::vector<std::string> runner;  // what the runner itself said
  std::string out;                  // the program's standard output, cut
  std::string err;                  // its standard error, the runner's lines left out
  long first_differing = 0;
  // The pictures of the first differing frame, relative to the report's
  // directory; empty when not shown.
  std::string expected_png, actual_png, difference_png;
  // Both runs animated side by side, and the frames around the first
  // differing one for the page's scrubber (paths as above).
  std::string animation;
  AnimationSize animation_size;
  long expected_frames = 0, actual_frames = 0;  // how many frames each run showed
  std::vector<ShownFrame> scrubber;
  std::string log_diff;  // the log lines that differ, unified-style; empty if none
};

// The report's directory of the reference's frames that the students'
// scrubbers show, kept once for the class.
inline constexpr const char* kReferenceFrames = "reference-frames";

struct StudentResult {
  std::string name;          // as the report shows it, and names its files
  std::string source;        // the submission's file or directory name
  std::string build_status;  // "built", "build failed" or "defines main"
  std::string build_summary;
  std::string build_log;
  std::vector<TestResult> tests;
  double score = 0;
};

// Text as UTF-8 that every output format takes: bytes that are not UTF-8
// become U+FFFD, control characters other than tab and newline '?'.
std::string clean_text(const std::string& text);

// The first `head` and last `tail` lines, with a line saying how many were left out.
std::string head_and_tail(const std::string& text, size_t head, size_t tail);

// One student's results in Gradescope's autograder format, made in `path`'s
// directory if it is missing.
bool write_gradescope_results(const std::string& path, const StudentResult& student,
                              std::string* error);

bool write_report(const std::string& directory, const Assignment& assignment,
                  const std::vector<StudentResult>& students, std::string* error);

}  // namespace grade

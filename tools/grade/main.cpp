// zivro-grade: grades a class's ZIVRO programs against a reference, frame by
// frame, each run sandboxed, and writes a report for the teacher, the
// students and the LMS.
#include <CLI/CLI.hpp>
#include <climits>
#include <cstdio>
#include <string>
#include <thread>

#include "grader.h"

int main(int argc, char** argv) {
  grade::Options options;
  CLI::App app{
      "Grades ZIVRO programs against a reference: every submission built against the headless\n"
      "layer and run on every test of the assignment in a sandbox, its frames compared with the\n"
      "reference's; the report goes to --out DIR (index.html, grades.csv, results.json,\n"
      "junit.xml). Exit status: 0 graded, 1 the report could not be written, 2 refused.",
      "zivro-grade"};
  app.add_option("assignment", options.assignment, "the assignment file (TOML)")->required();
  app.add_option("submissions", options.submissions,
                 "a directory of submissions: student directories and single .c/.cpp files");
  app.add_option("--out", options.out, "the report's directory");
  app.add_option("--save-expected", options.save_expected,
                 "instead of grading, write the reference's digests and frames into DIR, for an "
                 "assignment whose [reference] names them with expected = DIR");
  app.add_option("--jobs,-j", options.jobs, "submissions graded at once (default 1)")
      ->check(CLI::Range(1, 256));
  bool no_sandbox = false;
  app.add_flag("--no-sandbox", no_sandbox,
               "run the programs without bubblewrap: only for programs you trust");
  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& problem) {
    const int status = app.exit(problem);
    return status == 0 ? 0 : 2;
  }
  if (options.save_expected.empty() && (options.submissions.empty() || options.out.empty())) {
    std::fprintf(stderr,
                 "zivro-grade: give the submissions' directory and --out DIR (or "
                 "--save-expected DIR)\n");
    return 2;
  }
  options.sandbox = !no_sandbox;
  options.program = "/proc/self/exe";
  return grade::grade_class(options);
}

// zivro-grade: grades a class's ZIVRO programs against a reference, frame by
// frame, each run sandboxed, and writes a report for the teacher, the
// students and the LMS.
#include <malloc.h>

#include <CLI/CLI.hpp>
#include <climits>
#include <cstdio>
#include <string>
#include <thread>

#include "grader.h"
#include "shards.h"

namespace {

// zivro-grade merge --out DIR SHARD_DIR...
int merge(int argc, char** argv) {
  CLI::App app{
      "Merges the reports of a class graded in shards (--shard K/N, every shard given once)\n"
      "into the report one run over the whole class writes.",
      "zivro-grade merge"};
  std::string out;
  std::vector<std::string> shards;
  app.add_option("--out", out, "the merged report's directory")->required();
  app.add_option("shards", shards, "the shards' report directories")->required();
  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& problem) {
    const int status = app.exit(problem);
    return status == 0 ? 0 : 2;
  }
  return grade::merge_reports(out, shards);
}

// "K/N" with 1 <= K <= N.
bool read_shard(const std::string& text, int* shard, int* shards) {
  char end = 0;
  return std::sscanf(text.c_str(), "%d/%d%c", shard, shards, &end) == 2 && *shard >= 1 &&
         *shard <= *shards;
}

}  // namespace

int main(int argc, char** argv) {
  // Frames' pictures (a megabyte and more each) are made and dropped by the
  // thousand: kept in the heap rather than mapped and unmapped each time,
  // their pages are not faulted in anew.
  mallopt(M_MMAP_THRESHOLD, 32 << 20);
  mallopt(M_TRIM_THRESHOLD, 128 << 20);
  if (argc > 1 && std::string(argv[1]) == "merge") return merge(argc - 1, argv + 1);
  grade::Options options;
  CLI::App app{
      "Grades ZIVRO programs against a reference: every submission built against the headless\n"
      "layer and run on every test of the assignment in a sandbox, its frames compared with the\n"
      "reference's; the report goes to --out DIR (index.html, grades.csv, results.json,\n"
      "junit.xml). Exit status: 0 graded, 1 the report could not be written, 2 refused.\n"
      "zivro-grade merge --out DIR SHARD_DIR... merges the reports of --shard runs.",
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
  std::string shard;
  app.add_option("--shard", shard,
                 "K/N: grade only the submissions K, K+N, K+2N, ... in sorted order (K from 1); "
                 "zivro-grade merge joins the N reports");
  bool gradescope = false;
  app.add_flag("--gradescope", gradescope,
               "Gradescope's autograder: grade the submission in ROOT/submission and write "
               "ROOT/results/results.json");
  std::string root = "/autograder";
  app.add_option("--autograder-root", root, "ROOT for --gradescope (default /autograder)");
  bool no_sandbox = false;
  app.add_flag("--no-sandbox", no_sandbox,
               "run the programs without bubblewrap: only for programs you trust");
  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& problem) {
    const int status = app.exit(problem);
    return status == 0 ? 0 : 2;
  }
  if (!shard.empty() && !read_shard(shard, &options.shard, &options.shards)) {
    std::fprintf(stderr, "zivro-grade: --shard takes K/N with 1 <= K <= N, as 2/3, not %s\n",
                 shard.c_str());
    return 2;
  }
  if (gradescope) {
    if (!options.submissions.empty() || !options.out.empty() || !options.save_expected.empty() ||
        options.shards) {
      std::fprintf(stderr,
                   "zivro-grade: --gradescope grades ROOT/submission into "
                   "ROOT/results/results.json; give it no submissions' directory, --out, "
                   "--save-expected or --shard\n");
      return 2;
    }
    options.gradescope_root = root;
  } else if (options.save_expected.empty() &&
             (options.submissions.empty() || options.out.empty())) {
    std::fprintf(stderr,
                 "zivro-grade: give the submissions' directory and --out DIR (or "
                 "--save-expected DIR)\n");
    return 2;
  }
  options.sandbox = !no_sandbox;
  options.program = "/proc/self/exe";
  return grade::grade_class(options);
}

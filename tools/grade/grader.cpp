#include "grader.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cctype>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <mutex>
#include <set>
#include <thread>

#include "animation.h"
#include "assignment.h"
#include "build.h"
#include "log_lines.h"
#include "pictures.h"
#include "platform/headless/frame_digest.h"
#include "platform/portable/png_files.h"
#include "report.h"
#include "sandbox.h"
#include "shards.h"
#include "verdict.h"

namespace grade {
namespace fs = std::filesystem;

namespace {

constexpr const char* kTool = "zivro-grade";
// The report's directory of the reference's frames that scrubbers show:
// each copied once, shared by every page that shows it.

int refuse(const std::string& what) {
  std::fprintf(stderr, "%s: %s\n", kTool, what.c_str());
  return 2;
}

std::string frame_name(long frame) {
  char name[32];
  std::snprintf(name, sizeof name, "%06ld.png", frame);
  return name;
}

// A directory every sandboxed user may pass through but not list.
bool make_passage(const fs::path& directory) {
  std::error_code code;
  fs::create_directories(directory, code);
  return !code && chmod(directory.c_str(), 0711) == 0;
}

// Copies a file with descriptors closed on exec: a child forked meanwhile
// by another worker must not keep the new file open for writing, which
// would make executing it fail ("text file busy").
bool copy_file(const fs::path& from, const fs::path& to, mode_t mode) {
  const int in = open(from.c_str(), O_RDONLY | O_CLOEXEC);
  const int out = in < 0 ? -1 : open(to.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode);
  bool ok = in >= 0 && out >= 0;
  char buffer[1 << 16];
  for (ssize_t got; ok && (got = read(in, buffer, sizeof buffer)) != 0;) {
    ok = got > 0 && write(out, buffer, static_cast<size_t>(got)) == got;
  }
  if (in >= 0) close(in);
  if (out >= 0 && close(out) != 0) ok = false;
  return ok && chmod(to.c_str(), mode) == 0;
}

// What a run left: how it ended, the digests it wrote, and its directory.
struct Run {
  sandbox::Outcome outcome;
  std::vector<DigestLine> digests;
  std::string frames;  // with frames asked for: the directory holding them
};

// One run of a program on a test, in a fresh directory holding a copy of the
// program and of the script, nothing else. With `frames`, a run for the
// pictures of those frames. With `expected_digests` (the reference's), a
// graded run that also writes, from the first frame whose digest differs
// from the reference's, the frames the report would show: the scrubber's
// from there on and those of `frames` after it.
Run run_test(const std::string& executable, const Test& test, const fs::path& directory, int slot,
             const std::vector<long>& frames, const std::string& expected_digests = {},
             const std::vector<std::string>& known_digests = {}) {
  Run run;
  std::error_code code;
  fs::remove_all(directory, code);
  if (!make_passage(directory.parent_path()) || !fs::create_directory(directory, code) ||
      !copy_file(executable, directory / "program", 0755) ||
      !copy_file(test.script, directory / "test.scr", 0644) ||
      (!expected_digests.empty() &&
       !copy_file(expected_digests, directory / "expected-digests.txt", 0644)) ||
      !sandbox::prepare_directory(directory.string(), slot)) {
    run.outcome.error = "cannot prepare " + directory.string();
    return run;
  }
  if (!known_digests.empty()) {
    std::ofstream known(directory / "known-digests.txt", std::ios::binary);
    for (const std::string& digest : known_digests) known << digest << '\n';
    if (!known.flush()) {
      run.outcome.error = "cannot prepare " + directory.string();
      return run;
    }
  }
  sandbox::Command command;
  command.directory = directory.string();
  command.limits = test.limits;
  // A run for pictures repeats one whose digests are known: it writes none.
  const bool graded = frames.empty() || !expected_digests.empty();
  command.argv = {"./program", "--play", "test.scr"};
  if (graded) command.argv.insert(command.argv.end(), {"--digests", "digests.txt"});
  if (test.compare_log) command.argv.insert(command.argv.end(), {"--log", "log.txt"});
  if (test.ticks) command.argv.insert(command.argv.end(), {"--ticks", std::to_string(test.ticks)});
  char watchdog[32];
  std::snprintf(watchdog, sizeof watchdog, "%g", watchdog_seconds(test.limits.cpu_seconds));
  command.argv.insert(command.argv.end(), {"--watchdog", watchdog});
  for (const std::string& answer : test.answers) {
    command.argv.insert(command.argv.end(), {"--answer", answer});
  }
  if (!expected_digests.empty()) {
    command.argv.insert(command.argv.end(),
                        {"--expect-digests", "expected-digests.txt", "--frames", "frames",
                         "--frames-after-difference", std::to_string(kScrubberFrames)});
    if (!known_digests.empty()) {
      command.argv.insert(command.argv.end(), {"--frames-known", "known-digests.txt"});
    }
    run.frames = (directory / "frames").string();
  }
  if (!frames.empty()) {
    std::string list;
    for (long frame : frames) list += (list.empty() ? "" : ",") + std::to_string(frame);
    if (expected_digests.empty()) command.argv.insert(command.argv.end(), {"--frames", "frames"});
    command.argv.insert(command.argv.end(), {"--frames-only", list});
    run.frames = (directory / "frames").string();
  }
  if (!test.arguments.empty()) {
    command.argv.push_back("--");
    command.argv.insert(command.argv.end(), test.arguments.begin(), test.arguments.end());
  }
  run.outcome = sandbox::run(command, slot);
  if (graded) run.digests = read_digests((directory / "digests.txt").string());
  return run;
}

// A frame a run wrote, if it is a plain file (never through a link the
// program left in its place).
std::string frame_file(const std::string& frames, long frame) {
  std::error_code code;
  const fs::path path = fs::path(frames) / frame_name(frame);
  if (!fs::is_directory(fs::symlink_status(frames, code))) return {};
  return fs::is_regular_file(fs::symlink_status(path, code)) ? path.string() : std::string();
}

// A directory of expected frames says which digests its .digests files
// hold; one saved before this file existed holds digests of another kind,
// made again from its pictures.
constexpr const char* kDigestsFormatFile = "digests.format";
constexpr const char* kDigestsFormat = "zivro frame digests 2\n";

bool digests_are_current(const std::string& directory) {
  std::ifstream file(fs::path(directory) / kDigestsFormatFile, std::ios::binary);
  std::string text((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
  return text == kDigestsFormat;
}

bool mark_digests_current(const std::string& directory) {
  std::ofstream file(fs::path(directory) / kDigestsFormatFile, std::ios::binary);
  return (file << kDigestsFormat) && file.flush();
}

// The digest of a picture, as the runner's --digests writes it.
std::string digest_of(const portable::Image& image) {
  char digest[17];
  std::snprintf(digest, sizeof digest, "%016llx",
                static_cast<unsigned long long>(
                    headless::frame_digest(image.pixels.data(), image.width, image.height)));
  return digest;
}

bool redigest_frames(const std::string& frames, std::vector<DigestLine>* lines,
                     std::string* error) {
  for (DigestLine& line : *lines) {
    const std::string path = frame_file(frames, line.frame);
    portable::Image image;
    if (path.empty() || !portable::read_png(path, &image)) {
      *error = (fs::path(frames) / frame_name(line.frame)).string() +
               ": missing or unreadable, and the directory's digests are of an earlier kind";
      return false;
    }
    line.digest = digest_of(image);
  }
  return true;
}

struct Grader {
  Options options;
  Assignment assignment;
  fs::path work;
  Package package;
  std::string reference_program;                  // built from source, else empty
  std::vector<std::vector<DigestLine>> expected;  // per test
  std::vector<std::string> expected_files;        // per test, those digests as a file
  std::vector<std::string> expected_logs;         // per test, with compare_log
  std::mutex reference_frames_lock;
  std::map<std::pair<size_t, long>, std::string> reference_frames;  // made on demand
  // The pictures graded runs wrote, by digest, each read back and found to
  // have its digest before it is kept: a later run writes none of these
  // again, and is given the kept one. Submissions that go wrong alike show
  // frames alike.
  std::mutex pictures_lock;
  std::map<std::string, std::string> pictures;

  std::vector<std::string> known_digests() {
    std::lock_guard<std::mutex> hold(pictures_lock);
    std::vector<std::string> known;
    for (const auto& [digest, path] : pictures) known.push_back(digest);
    return known;
  }

  bool is_kept_picture(const std::string& path) {
    std::lock_guard<std::mutex> hold(pictures_lock);
    const auto found = pictures.find(fs::path(path).stem().string());
    return found != pictures.end() && found->second == path;
  }

  std::string picture_with_digest(const std::string& digest) {
    std::lock_guard<std::mutex> hold(pictures_lock);
    const auto found = pictures.find(digest);
    return found == pictures.end() ? std::string() : found->second;
  }

  void keep_pictures(const Run& run) {
    std::error_code code;
    if (run.frames.empty() || !fs::is_directory(fs::symlink_status(run.frames, code))) return;
    for (const fs::directory_entry& entry : fs::directory_iterator(run.frames, code)) {
      const std::string name = entry.path().filename().string();
      char* end = nullptr;
      const long frame = std::strtol(name.c_str(), &end, 10);
      if (frame < 1 || frame > static_cast<long>(run.digests.size()) || name != frame_name(frame)) {
        continue;
      }
      const std::string& digest = run.digests[static_cast<size_t>(frame) - 1].digest;
      const std::string path = frame_file(run.frames, frame);
      if (path.empty() || !picture_with_digest(digest).empty()) continue;
      portable::Image image;
      if (!portable::read_png(path, &image) || digest_of(image) != digest) continue;
      const fs::path kept = work / "pictures" / (digest + ".png");
      std::lock_guard<std::mutex> hold(pictures_lock);
      if (pictures.count(digest)) continue;
      fs::create_directories(kept.parent_path(), code);
      if (fs::copy_file(path, kept, fs::copy_options::overwrite_existing, code)) {
        pictures[digest] = kept.string();
      }
    }
  }
  std::vector<StudentResult> students;
  std::mutex report_frames_lock;
  std::vector<std::string> sources;
  std::vector<size_t> positions;  // each student's place in the whole class, from 0
  size_t class_size = 0;
  std::atomic<size_t> next{0};
  std::atomic<size_t> done{0};
  std::mutex progress_lock;
  bool on_terminal = false;
  std::chrono::steady_clock::time_point started = std::chrono::steady_clock::now();

  // The expected picture of a frame: from the directory of expected frames,
  // else made by running the reference once more for the frames not yet made.
  std::map<long, std::string> expected_frames(size_t test, const std::vector<long>& frames) {
    std::map<long, std::string> found;
    if (reference_program.empty()) {
      for (long frame : frames) {
        const std::string path = frame_file(
            (fs::path(assignment.reference_expected) / assignment.tests[test].name).string(),
            frame);
        if (!path.empty()) found[frame] = path;
      }
      return found;
    }
    std::lock_guard<std::mutex> hold(reference_frames_lock);
    std::vector<long> missing;
    for (long frame : frames) {
      if (!reference_frames.count({test, frame})) missing.push_back(frame);
    }
    if (!missing.empty()) {
      const fs::path directory =
          work / "reference" /
          ("frames-" + std::to_string(test) + "-" + std::to_string(reference_frames.size()));
      const Run run = run_test(reference_program, assignment.tests[test], directory, 0, missing);
      for (long frame : missing) reference_frames[{test, frame}] = frame_file(run.frames, frame);
    }
    for (long frame : frames) {
      if (!reference_frames[{test, frame}].empty()) found[frame] = reference_frames[{test, frame}];
    }
    return found;
  }

  int prepare_reference() {
    const bool digests_current =
        !assignment.reference_source.empty() || digests_are_current(assignment.reference_expected);
    std::string error;
    if (!digests_current) {
      std::fprintf(stderr,
                   "%s: %s holds digests of an earlier kind: they are made again from its frames\n",
                   kTool, assignment.reference_expected.c_str());
    }
    if (!assignment.reference_source.empty()) {
      const Built built = build_program(assignment.reference_source,
                                        (work / "reference" / "build").string(), package, 0);
      if (built.result != BuildResult::kBuilt) {
        std::string first = built.summary.substr(0, built.summary.find('\n'));
        return refuse("the reference " + assignment.reference_source + " does not build: " + first);
      }
      reference_program = built.executable;
    }
    for (size_t i = 0; i < assignment.tests.size(); ++i) {
      const Test& test = assignment.tests[i];
      if (reference_program.empty()) {
        const std::string path =
            (fs::path(assignment.reference_expected) / (test.name + ".digests")).string();
        expected.push_back(read_digests(path));
        if (expected.back().empty()) return refuse(path + ": no frames for test " + test.name);
        if (!digests_current) {
          const fs::path frames = fs::path(assignment.reference_expected) / test.name;
          if (!redigest_frames(frames.string(), &expected.back(), &error)) return refuse(error);
        }
        bool found = true;
        const fs::path log = fs::path(assignment.reference_expected) / (test.name + ".log");
        expected_logs.push_back(test.compare_log ? read_log_file(log.string(), &found)
                                                 : std::string());
        if (!found) return refuse(log.string() + ": no log for test " + test.name);
        continue;
      }
      const Run run = run_test(reference_program, test, work / "reference" / test.name, 0, {});
      const sandbox::Outcome& outcome = run.outcome;
      Verdict verdict = judge(test, run.digests, outcome, run.digests, {});
      if (!outcome.started) return refuse("cannot run the reference: " + outcome.error);
      if (verdict.status != kPassed || outcome.exit_code != 0) {
        std::string said;
        for (const std::string& line : runner_messages(outcome.err)) said += "; " + line;
        if (verdict.status == kPassed)
          verdict.status = "exit status " + std::to_string(outcome.exit_code);
        return refuse("the reference fails test " + test.name + ": " + verdict.status + ": " +
                      verdict.detail + said);
      }
      expected.push_back(run.digests);
      expected_logs.push_back(
          test.compare_log ? read_log_file((work / "reference" / test.name / "log.txt").string())
                           : std::string());
    }
    std::error_code code;
    fs::create_directories(work / "expected-digests", code);
    for (size_t i = 0; i < assignment.tests.size(); ++i) {
      const fs::path path = work / "expected-digests" / (assignment.tests[i].name + ".txt");
      if (!write_digests(path.string(), expected[i]))
        return refuse("cannot write " + path.string());
      expected_files.push_back(path.string());
    }
    return 0;
  }

  // The pictures of one frame: expected, actual and their difference, in
  // the student's directory of the report; the count of differing pixels.
  // The pictures are named by the run's frame, `frame`; the reference's
  // frame it is compared with is `expected_frame`.
  long show_frame(size_t test, long expected_frame, long frame, const std::string& actual,
                  const std::string& name, TestResult* result) {
    const std::map<long, std::string> wanted = expected_frames(test, {expected_frame});
    const std::string student_dir = "students/" + name;
    const std::string stem =
        student_dir + "/" + assignment.tests[test].name + "-" + std::to_string(frame);
    std::error_code code;
    fs::create_directories(fs::path(options.out) / student_dir, code);
    long differing = -1;
    const auto expected_path = wanted.find(expected_frame);
    if (expected_path != wanted.end()) {
      fs::copy_file(expected_path->second, fs::path(options.out) / (stem + "-expected.png"),
                    fs::copy_options::overwrite_existing, code);
      if (!code) result->expected_png = stem + "-expected.png";
    }
    if (!actual.empty()) {
      fs::copy_file(actual, fs::path(options.out) / (stem + "-actual.png"),
                    fs::copy_options::overwrite_existing, code);
      if (!code) result->actual_png = stem + "-actual.png";
    }
    if (expected_path != wanted.end() && !actual.empty()) {
      differing = write_difference(expected_path->second, actual,
                                   (fs::path(options.out) / (stem + "-difference.png")).string(),
                                   assignment.tests[test].ignored);
      if (differing >= 0) result->difference_png = stem + "-difference.png";
    }
    return differing;
  }

  // Beside the first differing frame: both runs animated side by side, and
  // the frames around it for the page's scrubber, copied into the report.
  void show_runs(size_t test, long first, long expected_count, long actual_count,
                 const std::map<long, std::string>& actual_pictures,
                 const std::vector<long>& differing, const std::string& name, TestResult* result) {
    const std::string stem = "students/" + name + "/" + assignment.tests[test].name;
    std::vector<long> wanted;
    for (long frame : frames_shown(first, expected_count, actual_count)) {
      if (frame <= expected_count) wanted.push_back(frame);
    }
    const std::map<long, std::string> reference = expected_frames(test, wanted);
    auto pair_of = [&](long frame) {
      ShownFrame pair;
      pair.frame = frame;
      const auto found = reference.find(frame);
      if (found != reference.end()) pair.expected = found->second;
      const auto actual = actual_pictures.find(frame);
      if (frame <= actual_count && actual != actual_pictures.end()) pair.actual = actual->second;
      pair.actual_kept = !pair.actual.empty() && is_kept_picture(pair.actual);
      return pair;
    };
    result->expected_frames = expected_count;
    result->actual_frames = actual_count;
    std::vector<ShownFrame> animated;
    for (long frame : animation_frames(std::max(expected_count, actual_count))) {
      animated.push_back(pair_of(frame));
    }
    std::string error;
    if (write_animation(animated, (fs::path(options.out) / (stem + "-runs.webp")).string(), 250,
                        &result->animation_size, &error)) {
      result->animation = stem + "-runs.webp";
    }
    std::error_code code;
    const fs::path frames = fs::path(options.out) / (stem + "-frames");
    fs::create_directories(frames, code);
    for (long frame : scrubber_frames(first, expected_count, actual_count)) {
      const ShownFrame found = pair_of(frame);
      ShownFrame copied;
      copied.frame = frame;
      const std::string shared = std::string(kReferenceFrames) + "/" + assignment.tests[test].name +
                                 "/" + std::to_string(frame) + ".png";
      copied.differs = std::binary_search(differing.begin(), differing.end(), frame);
      const std::string base = stem + "-frames/" + std::to_string(frame);
      if (!found.expected.empty()) {
        std::lock_guard<std::mutex> hold(report_frames_lock);
        const fs::path into = fs::path(options.out) / shared;
        fs::create_directories(into.parent_path(), code);
        if (fs::exists(into, code) || fs::copy_file(found.expected, into, code)) {
          copied.expected = shared;
        }
      }
      if (!found.actual.empty() &&
          fs::copy_file(found.actual, fs::path(options.out) / (base + "-actual.png"),
                        fs::copy_options::overwrite_existing, code)) {
        copied.actual = base + "-actual.png";
      }
      result->scrubber.push_back(copied);
    }
  }

  // The pictures of a graded run's frames among `frames`: those the run
  // wrote after its first difference; for a frame whose digest is the
  // reference's frame of the same number, the reference's picture; for the
  // rest, a run again that writes just those.
  std::map<long, std::string> run_pictures(const std::string& program, size_t test, const Run& run,
                                           const std::vector<long>& frames,
                                           const fs::path& directory, int slot) {
    const std::vector<DigestLine>& wanted = expected[test];
    const long actual_count = static_cast<long>(run.digests.size());
    std::map<long, std::string> found;
    std::vector<long> same, missing;
    for (long frame : frames) {
      if (frame > actual_count) continue;
      const std::string& digest = run.digests[static_cast<size_t>(frame) - 1].digest;
      if (std::string file = frame_file(run.frames, frame); !file.empty()) {
        found[frame] = file;
      } else if (frame <= static_cast<long>(wanted.size()) &&
                 wanted[static_cast<size_t>(frame) - 1].digest == digest) {
        same.push_back(frame);
      } else if (std::string kept = picture_with_digest(digest); !kept.empty()) {
        found[frame] = kept;
      } else {
        missing.push_back(frame);
      }
    }
    const std::map<long, std::string> reference = expected_frames(test, same);
    for (long frame : same) {
      const auto file = reference.find(frame);
      if (file != reference.end()) {
        found[frame] = file->second;
      } else {
        missing.push_back(frame);
      }
    }
    if (!missing.empty()) {
      std::sort(missing.begin(), missing.end());
      const Run again = run_test(program, assignment.tests[test], directory, slot, missing);
      for (long frame : missing) {
        if (std::string file = frame_file(again.frames, frame); !file.empty()) found[frame] = file;
      }
    }
    return found;
  }

  TestResult grade_test(const std::string& program, size_t index, const StudentResult& student,
                        const fs::path& directory, int slot) {
    const Test& test = assignment.tests[index];
    TestResult result;
    result.name = test.name;
    result.max_score = test.points;
    const std::vector<DigestLine>& wanted = expected[index];
    const long expected_count = static_cast<long>(wanted.size());
    // The animation's frames as they are when the run shows as many frames
    // as the reference; a run that shows another count is run again for them.
    const Run run =
        run_test(program, test, directory / test.name, slot, animation_frames(expected_count),
                 expected_files[index], known_digests());
    keep_pictures(run);
    if (!run.outcome.started) {
      result.status = kCrashed;
      result.detail = "the run could not be started: " + run.outcome.error;
      return result;
    }
    PixelCounts pixels;
    const std::vector<FramePair> other = frames_with_other_digests(test, wanted, run.digests);
    // Within a tolerance, or outside a mask, frames with other digests may
    // still pass: count their pixels, from both runs' pictures of just those
    // frames.
    if ((test.tolerance > 0 || !test.ignored.empty()) && !other.empty()) {
      std::vector<long> actual_frames, expected_list;
      for (const FramePair& pair : other) {
        actual_frames.push_back(pair.actual);
        expected_list.push_back(pair.expected);
      }
      for (std::vector<long>* list : {&actual_frames, &expected_list}) {
        std::sort(list->begin(), list->end());
        list->erase(std::unique(list->begin(), list->end()), list->end());
      }
      const std::map<long, std::string> actual = run_pictures(
          program, index, run, actual_frames, directory / (test.name + "-frames"), slot);
      const std::map<long, std::string> reference = expected_frames(index, expected_list);
      for (const FramePair& pair : other) {
        const auto actual_path = actual.find(pair.actual);
        const auto expected_path = reference.find(pair.expected);
        if (actual_path == actual.end() || expected_path == reference.end()) continue;
        const long count =
            count_differing(expected_path->second, actual_path->second, test.ignored);
        if (count >= 0) pixels[pair] = count;
      }
    }
    Verdict verdict = judge(test, wanted, run.outcome, run.digests, pixels);
    if (verdict.first_differing > 0) {
      const long frame = verdict.first_differing;
      const long actual_count = static_cast<long>(run.digests.size());
      const std::map<long, std::string> actual_pictures =
          run_pictures(program, index, run, frames_shown(frame, expected_count, actual_count),
                       directory / (test.name + "-shown"), slot);
      const auto actual = actual_pictures.find(frame);
      const long count = show_frame(
          index, verdict.expected_frame, frame,
          actual == actual_pictures.end() ? std::string() : actual->second, student.name, &result);
      std::vector<long> differing;  // the run's frames, as the scrubber numbers them
      for (const FramePair& pair : other) differing.push_back(pair.actual);
      std::sort(differing.begin(), differing.end());
      show_runs(index, frame, expected_count, actual_count, actual_pictures, differing,
                student.name, &result);
      if (count >= 0) {
        pixels[{verdict.expected_frame, frame}] = count;
        verdict = judge(test, wanted, run.outcome, run.digests, pixels);
      }
    }
    result.status = verdict.status;
    result.detail = verdict.detail;
    result.first_differing = verdict.first_differing;
    result.score = verdict.status == kPassed ? test.points : 0;
    if (test.credit == Credit::kFrames && verdict.status != kPassed) {
      result.score = test.points * frame_share(test, wanted, run.digests, pixels);
    }
    if (test.compare_log) {
      const LogDifference log =
          compare_logs(clean_text(expected_logs[index]),
                       clean_text(read_log_file((directory / test.name / "log.txt").string())));
      result.log_diff = clean_text(log.diff);
      if (log.line && result.status == kPassed) {
        result.status = kLogDiffers;
        result.detail = log.detail;
        result.score = 0;
      }
    }
    result.runner = runner_messages(run.outcome.err);
    result.out = clean_text(run.outcome.out);
    std::string err;
    for (size_t at = 0; at < run.outcome.err.size();) {
      size_t end = run.outcome.err.find('\n', at);
      end = end == std::string::npos ? run.outcome.err.size() : end + 1;
      const std::string line = run.outcome.err.substr(at, end - at);
      if (line.rfind("./program: ", 0) != 0) err += line;
      at = end;
    }
    result.err = clean_text(err);
    for (std::string& line : result.runner) line = clean_text(line);
    std::error_code code;
    fs::remove_all(directory / test.name, code);
    return result;
  }

  void grade_submission(size_t index, int slot) {
    StudentResult& student = students[index];
    const fs::path directory = work / ("s" + std::to_string(index + 1));
    make_passage(directory);
    const Built built =
        build_program(sources[index], (directory / "build").string(), package, slot);
    student.build_log = clean_text(built.log);
    student.build_summary = clean_text(built.summary);
    student.build_status = built.result == BuildResult::kBuilt         ? "built"
                           : built.result == BuildResult::kDefinesMain ? kDefinesMain
                                                                       : kBuildFailed;
    for (size_t i = 0; i < assignment.tests.size(); ++i) {
      TestResult result;
      if (built.result == BuildResult::kBuilt) {
        result = grade_test(built.executable, i, student, directory, slot);
      } else {
        result.name = assignment.tests[i].name;
        result.max_score = assignment.tests[i].points;
        result.status = student.build_status;
        result.detail = student.build_summary;
      }
      student.score += result.score;
      student.tests.push_back(std::move(result));
    }
    std::error_code code;
    fs::remove_all(directory, code);
    size_t passed = 0;
    for (const TestResult& result : student.tests) passed += result.status == kPassed;
    std::lock_guard<std::mutex> hold(progress_lock);
    const size_t finished = ++done;
    if (!on_terminal) {
      std::fprintf(stderr, "%s: [%zu/%zu] %s: %zu of %zu tests passed, %g of %g points\n", kTool,
                   finished, students.size(), student.name.c_str(), passed, student.tests.size(),
                   student.score, assignment.max_score());
      return;
    }
    // On a terminal, one line redrawn: a bar, the count, the last graded and
    // the time left at the pace so far.
    constexpr size_t kWidth = 30;
    const size_t filled = finished * kWidth / students.size();
    const double elapsed =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    const double left =
        elapsed / static_cast<double>(finished) * static_cast<double>(students.size() - finished);
    std::fprintf(stderr,
                 "\r[%s%s] %zu/%zu graded, last %.20s (%g of %g), about %.0f s left\033[K%s",
                 std::string(filled, '#').c_str(), std::string(kWidth - filled, '.').c_str(),
                 finished, students.size(), student.name.c_str(), student.score,
                 assignment.max_score(), left, finished == students.size() ? "\n" : "");
  }

  // Submissions: the directories and C or C++ files in the directory, by
  // name; a report name of letters, digits, '.', '_' and '-' for each.
  int list_submissions() {
    std::error_code code;
    std::vector<fs::path> entries;
    for (const fs::directory_entry& entry : fs::directory_iterator(options.submissions, code)) {
      const std::string name = entry.path().filename().string();
      if (name.empty() || name[0] == '.') continue;
      const fs::file_status status = entry.symlink_status(code);
      const std::string extension = entry.path().extension().string();
      const bool source =
          extension == ".c" || extension == ".cc" || extension == ".cpp" || extension == ".cxx";
      if (fs::is_directory(status) || (fs::is_regular_file(status) && source)) {
        entries.push_back(entry.path());
      }
    }
    if (code) return refuse("cannot read " + options.submissions + ": " + code.message());
    if (entries.empty()) return refuse(options.submissions + " holds no submission");
    std::sort(entries.begin(), entries.end());
    std::set<std::string> names;
    auto plain = [](std::string name) {
      for (char& c : name) {
        if (!std::isalnum(static_cast<unsigned char>(c)) && c != '.' && c != '_' && c != '-') {
          c = '_';
        }
      }
      return name;
    };
    for (const fs::path& entry : entries) {
      const bool directory = fs::is_directory(fs::symlink_status(entry, code));
      // A file is named without its extension unless another entry has that name.
      std::string name = plain(directory ? entry.filename().string() : entry.stem().string());
      if (names.count(name)) name = plain(entry.filename().string());
      for (int more = 2; names.count(name); ++more) {
        name = plain(entry.filename().string()) + "-" + std::to_string(more);
      }
      names.insert(name);
      const size_t position = class_size++;
      if (options.shards && position % options.shards != size_t(options.shard - 1)) continue;
      positions.push_back(position);
      StudentResult student;
      student.name = name;
      student.source = entry.filename().string();
      students.push_back(std::move(student));
      sources.push_back(entry.string());
    }
    return 0;
  }

  int save_expected() {
    const fs::path into(options.save_expected);
    std::error_code code;
    if (fs::exists(into, code) && !fs::is_empty(into, code)) {
      return refuse(options.save_expected + " is not empty; give a new or empty directory");
    }
    fs::create_directories(into, code);
    if (code) return refuse("cannot make " + options.save_expected + ": " + code.message());
    for (size_t i = 0; i < assignment.tests.size(); ++i) {
      const Test& test = assignment.tests[i];
      std::vector<long> all;
      for (const DigestLine& line : expected[i]) all.push_back(line.frame);
      const std::map<long, std::string> frames = expected_frames(i, all);
      fs::create_directories(into / test.name, code);
      for (const auto& [frame, path] : frames) {
        fs::copy_file(path, into / test.name / frame_name(frame), code);
        if (code)
          return refuse("cannot write " + (into / test.name).string() + ": " + code.message());
      }
      if (!write_digests((into / (test.name + ".digests")).string(), expected[i])) {
        return refuse("cannot write " + (into / (test.name + ".digests")).string());
      }

      if (test.compare_log) {
        std::ofstream log(into / (test.name + ".log"), std::ios::binary);
        if (!(log << expected_logs[i]) || !log.flush()) {
          return refuse("cannot write " + (into / (test.name + ".log")).string());
        }
      }
    }
    if (!mark_digests_current(into.string())) {
      return refuse("cannot write " + (into / kDigestsFormatFile).string());
    }
    std::fprintf(stderr, "%s: the expected frames of %zu tests are in %s\n", kTool,
                 assignment.tests.size(), options.save_expected.c_str());
    return 0;
  }
};

}  // namespace

int grade_class(const Options& options) {
  Grader grader;
  grader.options = options;
  std::string error;
  if (!load_assignment(options.assignment, &grader.assignment, &error)) return refuse(error);
  if (!options.save_expected.empty() && grader.assignment.reference_source.empty()) {
    return refuse("--save-expected needs a reference source in " + options.assignment);
  }
  const bool gradescope = !options.gradescope_root.empty();
  if (gradescope) {
    // The one submission is the directory Gradescope unpacked it in.
    const fs::path submission = fs::path(options.gradescope_root) / "submission";
    std::error_code code;
    if (!fs::is_directory(submission, code)) return refuse("no directory " + submission.string());
    StudentResult student;
    student.name = student.source = "submission";
    grader.students.push_back(std::move(student));
    grader.sources.push_back(submission.string());
  } else if (options.save_expected.empty()) {
    std::error_code code;
    if (!fs::is_directory(options.submissions, code)) {
      return refuse("no directory of submissions " + options.submissions);
    }
    if (const int status = grader.list_submissions()) return status;
  }
  if (options.save_expected.empty() && !gradescope) {
    // A report is replaced by a new one; any other directory is left alone.
    std::error_code code;
    const fs::path out(options.out);
    if (fs::exists(out, code) && !fs::is_empty(out, code)) {
      if (!fs::is_regular_file(out / "index.html", code)) {
        return refuse(options.out + " holds files but no report; give a new or empty directory");
      }
      fs::remove_all(out / "students", code);
      fs::remove(out / "shard.json", code);  // an earlier shard's, never merged with this one
      fs::remove_all(out / kReferenceFrames, code);
    }
  }
  Package package;
  if (!find_package(options.program, &package, &error)) return refuse(error);
  std::fprintf(stderr, "%s: building against %s and %s\n", kTool, package.header.c_str(),
               fs::path(package.library).parent_path().c_str());

  const char* temporary = std::getenv("TMPDIR");
  std::string pattern =
      std::string(temporary && *temporary ? temporary : "/tmp") + "/zivro-grade.XXXXXX";
  if (!mkdtemp(pattern.data()) || chmod(pattern.c_str(), 0711) != 0) {
    return refuse("cannot make a working directory in " + fs::path(pattern).parent_path().string());
  }
  grader.work = pattern;
  // Gradescope reads only results.json: the pictures stay in the working directory.
  if (gradescope) grader.options.out = (grader.work / "report").string();
  struct Cleanup {
    fs::path path;
    ~Cleanup() {
      std::error_code code;
      fs::remove_all(path, code);
    }
  } cleanup{grader.work};

  sandbox::set_enabled(options.sandbox);
  if (options.sandbox && !sandbox::check_available((grader.work / "check").string(), &error)) {
    return refuse("bubblewrap cannot run here (" + error +
                  "); it keeps the programs graded from the network, the files and the other "
                  "submissions: install bubblewrap, or give --no-sandbox to run them without it");
  }
  if (!make_passage(grader.work / "reference") ||
      !stage_package(package, (grader.work / "package").string(), &grader.package)) {
    return refuse("cannot copy the package into " + grader.work.string());
  }
  if (const int status = grader.prepare_reference()) return status;
  if (!options.save_expected.empty()) return grader.save_expected();

  grader.on_terminal = isatty(2);
  grader.started = std::chrono::steady_clock::now();
  const int jobs =
      std::max(1, std::min<int>(options.jobs, static_cast<int>(grader.students.size())));
  std::vector<std::thread> workers;
  for (int slot = 0; slot < jobs; ++slot) {
    workers.emplace_back([&grader, slot] {
      for (size_t index; (index = grader.next++) < grader.students.size();) {
        grader.grade_submission(index, slot + 1);
      }
    });
  }
  for (std::thread& worker : workers) worker.join();

  const bool written =
      gradescope
          ? write_gradescope_results(
                (fs::path(options.gradescope_root) / "results" / "results.json").string(),
                grader.students.front(), &error)
          : write_report(options.out, grader.assignment, grader.students, &error) &&
                (!options.shards || write_shard(options.out, grader.assignment,
                                                {options.shard, options.shards, grader.class_size},
                                                grader.positions, grader.students, &error));
  if (!written) {
    std::fprintf(stderr, "%s: %s\n", kTool, error.c_str());
    return 1;
  }
  return 0;
}

}  // namespace grade

// main() of every application linked with the headless layer: takes the
// runner's options, then calls the application's WinMain.
#include <zivro.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <system_error>
#include <utility>
#include <vector>

#include "platform/headless/headless.h"
#include "platform/headless/watchdog.h"
#include "platform/portable/command_line.h"
#include "platform/portable/png_files.h"
#include "startup.h"

namespace {

const char* program = "runner";  // argv[0], for the messages

constexpr const char* kUsage =
    "usage: %s [--play FILE] [--ticks N] [--log FILE] [--png FILE] [--frames DIR]"
    " [--frames-only LIST]\n"
    "    [--digests FILE] [--text-png FILE] [--answer TEXT]... [--expect FILE] [--expect-dir DIR]\n"
    "    [--record FILE] [--watchdog SECONDS] [--expect-digests FILE [--first-differing FILE]\n"
    "    [--last-differing FILE] [--frames-after-difference N [--frames-known FILE]]]\n"
    "    [-- PROGRAM ARGUMENTS...]\n"
    "  --play FILE       play FILE back from the start, as the Playback Script command does\n"
    "  --ticks N         let the 100 ms animation timer run N periods, 0 to 2147483647\n"
    "                    (default 0)\n"
    "  --log FILE        write every line printed to the text window to FILE\n"
    "  --png FILE        write the whole canvas after the last frame to FILE\n"
    "  --frames DIR      write every presented canvas as DIR/000001.png, 000002.png, ...\n"
    "  --frames-only LIST  with --frames, write only the frames numbered in LIST (as 3,17,40)\n"
    "  --digests FILE    write a line per presented canvas to FILE: its number as --frames\n"
    "                    counts it, a 64-bit digest of its pixels in hex, and the number of\n"
    "                    script events played before it was shown\n"
    "  --text-png FILE   write the text window's client area after the run to FILE\n"
    "  --answer TEXT     type TEXT into the next line-input dialog (repeatable)\n"
    "  --expect FILE     compare the canvas after the last frame with the PNG FILE:\n"
    "                    exit 0 if equal, 1 if not (writing FILE.diff.png)\n"
    "  --expect-dir DIR  with --frames, compare every frame with DIR/000001.png, ...\n"
    "  --record FILE     record the run's events to FILE from the first one, as the\n"
    "                    Record Script command does (not with --play)\n"
    "  --expect-digests FILE  the lines of an earlier --digests, for the three below:\n"
    "  --first-differing FILE  write the first frame whose digest is not FILE's line\n"
    "                    of its number (or that has none) as the PNG FILE\n"
    "  --last-differing FILE  write the last frame as the PNG FILE if the run showed\n"
    "                    no fewer frames and the last differs, or more\n"
    "  --frames-after-difference N  with --frames DIR, write only frames that differ:\n"
    "                    of the N from the first that differs, and of those of\n"
    "                    --frames-only that come after it\n"
    "  --frames-known FILE  with --frames-after-difference, write none of those frames\n"
    "                    whose digest is a line of FILE (16 hex digits): the caller\n"
    "                    has their pictures already\n"
    "  --watchdog SECONDS  stop a program that goes SECONDS of CPU time without waiting\n"
    "                    for an event, from its start or after a wait (default 3, 0 off)\n"
    "  -- ...            everything after it is the program's command line\n"
    "exit status: 0 passed, 1 the picture differs, 2 unusable options or input,\n"
    "  3 the program failed, 4 it never waited for an event, 5 it stopped waiting\n"
    "  (both: for the --watchdog time)\n";

// The exit statuses of the runner, distinct whatever the program returns.
enum ExitStatus : int {
  kPassed = 0,
  kDiffers = 1,
  kUnusable = 2,
  kProgramFailed = 3,
  kNeverWaited = 4,
  kStoppedWaiting = 5,
};

struct Options {
  std::string play;
  uint64_t ticks = 0;
  std::string log;
  std::string png;
  std::string frames;
  std::vector<long> frames_only;
  std::string digests;
  std::string text_png;
  std::vector<std::string> answers;
  std::string expect;
  std::string expect_dir;
  std::string record;
  double watchdog_seconds = 3;
  std::string expect_digests;
  std::string first_differing;
  std::string last_differing;
  uint64_t frames_after_difference = 0;
  std::string frames_known;
  std::vector<std::string> program_arguments;
};

// As many periods as a script's periodic line can count.
constexpr uint64_t kMostTicks = 2147483647;

bool parse_count(const char* text, uint64_t* count) {
  if (!text || !*text) return false;
  uint64_t value = 0;
  for (const char* c = text; *c; ++c) {
    if (*c < '0' || *c > '9') return false;
    value = value * 10 + static_cast<uint64_t>(*c - '0');
    if (value > kMostTicks) return false;
  }
  *count = value;
  return true;
}

// Seconds as a decimal number, 0 to a million (about eleven days).
bool parse_seconds(const char* text, double* seconds) {
  if (!text || !*text || *text < '0' || *text > '9') return false;
  char* end = nullptr;
  errno = 0;
  const double value = std::strtod(text, &end);
  if (errno != 0 || *end != '\0' || !(value >= 0 && value <= 1e6)) return false;
  *seconds = value;
  return true;
}

// Frame numbers, 1 or more, separated by commas.
bool parse_frame_list(const char* text, std::vector<long>* numbers) {
  numbers->clear();
  const char* at = text;
  while (true) {
    const char* end = std::strchr(at, ',');
    const std::string item = end ? std::string(at, end) : std::string(at);
    uint64_t number = 0;
    if (!parse_count(item.c_str(), &number) || number == 0) return false;
    numbers->push_back(static_cast<long>(number));
    if (!end) return true;
    at = end + 1;
  }
}

// Returns an empty string when the options are good, else what is wrong.
std::string parse_options(int argc, char** argv, Options* options) {
  struct Named {
    const char* name;
    std::string* value;
  };
  const Named files[] = {{"--png", &options->png},
                         {"--frames", &options->frames},
                         {"--digests", &options->digests},
                         {"--text-png", &options->text_png},
                         {"--expect", &options->expect},
                         {"--expect-dir", &options->expect_dir},
                         {"--expect-digests", &options->expect_digests},
                         {"--first-differing", &options->first_differing},
                         {"--frames-known", &options->frames_known},
                         {"--last-differing", &options->last_differing}};
  StartupSyntax syntax;
  syntax.record = RecordSyntax::kNamedFile;
  syntax.file_names_required = true;
  for (const Named& named : files) {
    syntax.layer_options.push_back({named.name, OptionValue::kFileName, [&](const char* value) {
                                      *named.value = value;
                                      return std::string();
                                    }});
  }
  syntax.layer_options.push_back({"--answer", OptionValue::kText, [&](const char* value) {
                                    if (!value) {
                                      return std::string("--answer needs a text (it may be empty)");
                                    }
                                    options->answers.push_back(value);
                                    return std::string();
                                  }});
  syntax.layer_options.push_back(
      {"--frames-only", OptionValue::kText, [&](const char* value) {
         if (!value || !parse_frame_list(value, &options->frames_only)) {
           return std::string("--frames-only needs frame numbers from 1, separated by commas");
         }
         return std::string();
       }});
  syntax.layer_options.push_back(
      {"--ticks", OptionValue::kText, [&](const char* value) {
         if (!value || !parse_count(value, &options->ticks)) {
           return "--ticks needs a whole number of 100 ms periods, 0 to " +
                  std::to_string(kMostTicks);
         }
         return std::string();
       }});
  syntax.layer_options.push_back(
      {"--watchdog", OptionValue::kText, [&](const char* value) {
         if (!value || !parse_seconds(value, &options->watchdog_seconds)) {
           return std::string(
               "--watchdog needs seconds of CPU time, as 3 or 0.5, 0 to 1000000 (0: off)");
         }
         return std::string();
       }});
  syntax.layer_options.push_back(
      {"--frames-after-difference", OptionValue::kText, [&](const char* value) {
         if (!value || !parse_count(value, &options->frames_after_difference) ||
             options->frames_after_difference == 0 || options->frames_after_difference > 1000000) {
           return std::string("--frames-after-difference needs a count of frames, 1 to 1000000");
         }
         return std::string();
       }});
  syntax.check_layer_options = [&] {
    if (options->frames_after_difference > 0 &&
        (options->frames.empty() || options->expect_digests.empty())) {
      return std::string(
          "--frames-after-difference writes frames of --frames DIR that differ from "
          "--expect-digests FILE; give both");
    }
    if (!options->frames_known.empty() && options->frames_after_difference == 0) {
      return std::string(
          "--frames-known leaves out frames that --frames-after-difference writes; give both");
    }
    if (!options->frames_only.empty() && options->frames.empty()) {
      return std::string("--frames-only chooses among the frames of --frames DIR; give both");
    }
    if (!options->frames_only.empty() && !options->expect_dir.empty()) {
      return std::string(
          "--expect-dir compares every frame; --frames-only would leave some unwritten");
    }
    if (!options->expect_dir.empty() && options->frames.empty()) {
      return std::string("--expect-dir compares the frames of --frames DIR; give both");
    }
    if ((!options->first_differing.empty() || !options->last_differing.empty()) &&
        options->expect_digests.empty()) {
      return std::string(
          "--first-differing and --last-differing compare with --expect-digests FILE; give it");
    }
    return std::string();
  };
  const StartupOptions common = parse_startup_options(argc, argv, syntax);
  // File names are required here, so an empty one means "not given".
  options->play = common.play.value_or("");
  options->log = common.log.value_or("");
  options->record = common.record.value_or("");
  options->program_arguments = common.program_arguments;
  return common.error;
}

// Compares a picture with an expected PNG. Prints what differs and writes
// the changed pixels in red on a dimmed copy of the expected picture.
// Returns 0 for equal, 1 for different, 2 when the expected file is unusable.
int compare_with(const portable::Image& picture, const std::string& expected_path,
                 const std::string& diff_path) {
  portable::Image expected;
  if (!portable::read_png(expected_path, &expected)) {
    std::fprintf(stderr, "%s: cannot read %s: missing or not a PNG\n", program,
                 expected_path.c_str());
    return kUnusable;
  }
  if (picture.width != expected.width || picture.height != expected.height) {
    std::fprintf(stderr, "%s: %dx%d expected, the run made %dx%d\n", expected_path.c_str(),
                 expected.width, expected.height, picture.width, picture.height);
    return 1;
  }
  long differing = 0;
  portable::Image diff = expected;
  for (size_t i = 0; i < diff.pixels.size(); ++i) {
    const bool same = picture.pixels[i] == expected.pixels[i];
    differing += same ? 0 : 1;
    diff.pixels[i] = same ? (expected.pixels[i] >> 2) & 0x3F3F3Fu : 0xFF0000u;
  }
  if (differing == 0) return 0;
  std::fprintf(stderr, "%s: %ld pixels differ\n", expected_path.c_str(), differing);
  if (!portable::write_png(diff_path, diff.pixels.data(), diff.width, diff.height)) {
    std::fprintf(stderr, "%s: cannot write %s\n", program, diff_path.c_str());
  }
  return 1;
}

// Whether a file exists; an error other than "not there" (a name too long, a
// directory that may not be searched) is kept in *error.
bool file_exists(const std::string& path, std::error_code* error) {
  std::error_code code;
  const std::filesystem::file_status status = std::filesystem::status(path, code);
  if (code && code != std::errc::no_such_file_or_directory) *error = code;
  return std::filesystem::exists(status);
}

// Every frame of the run against the expected directory, by name.
int compare_frames(const std::string& frames, const std::string& expected_dir) {
  int worst = kPassed;
  long frames_seen = 0;
  for (long n = 1;; ++n) {
    char name[32];
    std::snprintf(name, sizeof name, "/%06ld.png", n);
    std::error_code error;
    const bool made = file_exists(frames + name, &error);
    const bool wanted = file_exists(expected_dir + name, &error);
    if (error) {
      std::fprintf(stderr, "%s: cannot look for %s: %s\n", program, name + 1,
                   error.message().c_str());
      return kUnusable;
    }
    if (!made && !wanted) break;
    ++frames_seen;
    if (made != wanted) {
      std::fprintf(stderr, "%s%s: %s\n", expected_dir.c_str(), name,
                   made ? "the run made a frame that is not expected" : "frame expected, not made");
      worst = std::max(worst, int{kDiffers});
      continue;
    }
    portable::Image frame;
    if (!portable::read_png(frames + name, &frame)) {
      std::fprintf(stderr, "%s: cannot read %s%s\n", program, frames.c_str(), name);
      return kUnusable;
    }
    worst = std::max(worst, compare_with(frame, expected_dir + name, frames + name + ".diff.png"));
  }
  if (frames_seen == 0) {
    std::fprintf(stderr, "%s: %s: no frames to compare\n", program, expected_dir.c_str());
    return kUnusable;
  }
  return worst;
}

// One line on standard error; the status for input or options that are unusable.
int refuse(const std::string& what) {
  std::fprintf(stderr, "%s: %s\n", program, what.c_str());
  return kUnusable;
}

std::string reason(const std::error_code& error) {
  return error.message();
}

// Two names of one file: the same file if both exist, else the same path
// once made absolute and normal.
bool same_file(const std::string& a, const std::string& b) {
  std::error_code error;
  if (std::filesystem::equivalent(a, b, error) && !error) return true;
  std::error_code error_a;
  std::error_code error_b;
  const std::filesystem::path canonical_a = std::filesystem::weakly_canonical(a, error_a);
  const std::filesystem::path canonical_b = std::filesystem::weakly_canonical(b, error_b);
  return !error_a && !error_b && canonical_a == canonical_b;
}

// An output must not overwrite an input, nor another output.
std::string check_distinct(const Options& options) {
  struct Named {
    const char* option;
    const std::string* path;
    bool input;
  };
  const Named all[] = {{"--play", &options.play, true},
                       {"--expect", &options.expect, true},
                       {"--expect-dir", &options.expect_dir, true},
                       {"--log", &options.log, false},
                       {"--png", &options.png, false},
                       {"--text-png", &options.text_png, false},
                       {"--frames", &options.frames, false},
                       {"--digests", &options.digests, false},
                       {"--record", &options.record, false},
                       {"--expect-digests", &options.expect_digests, true},
                       {"--frames-known", &options.frames_known, true},
                       {"--first-differing", &options.first_differing, false},
                       {"--last-differing", &options.last_differing, false}};
  for (const Named& output : all) {
    if (output.input || output.path->empty()) continue;
    for (const Named& other : all) {
      if (&other == &output || other.path->empty() || (!other.input && &other > &output)) continue;
      if (same_file(*output.path, *other.path)) {
        return std::string(other.option) + " " + *other.path + " and " + output.option + " " +
               *output.path + " name the same file; give another name to " + output.option;
      }
    }
  }
  return {};
}

// The inputs exist and can be read: a script that is a regular file (a FIFO
// would block the run), an expected picture, an expected directory.
std::string check_inputs(const Options& options) {
  std::error_code error;
  for (const std::string* path : {&options.play, &options.expect_digests}) {
    if (path->empty()) continue;
    if (std::string why = script_unplayable(*path); !why.empty()) return why;
  }
  if (!options.expect.empty()) {
    const auto status = std::filesystem::status(options.expect, error);
    portable::Image expected;
    if (error || !std::filesystem::is_regular_file(status) ||
        !portable::read_png(options.expect, &expected)) {
      return "cannot read " + options.expect + ": missing or not a PNG";
    }
  }
  if (!options.expect_dir.empty()) {
    const auto status = std::filesystem::status(options.expect_dir, error);
    if (error) return "cannot read directory " + options.expect_dir + ": " + reason(error);
    if (!std::filesystem::is_directory(status)) {
      return "cannot read directory " + options.expect_dir + ": not a directory";
    }
  }
  return {};
}

// The outputs can be written, checked before the run rather than losing its
// work after it. A picture is written beside its file and renamed over it,
// so the check makes and removes such a file, leaving any old one as it is.
std::string check_outputs(const Options& options) {
  // A device, a FIFO or a socket would block, swallow or be replaced; a
  // symbolic link is written through, to its target.
  for (const std::string* path :
       {&options.png, &options.text_png, &options.log, &options.record, &options.digests,
        &options.first_differing, &options.last_differing}) {
    if (path->empty()) continue;
    if (const std::string refusal = portable::output_refusal(*path); !refusal.empty()) {
      return "cannot write " + *path + ": " + refusal;
    }
  }
  for (const std::string* path :
       {&options.png, &options.text_png, &options.first_differing, &options.last_differing}) {
    if (!path->empty() && !portable::can_write_png(*path))
      return "cannot write " + *path + ": " + std::strerror(errno);
  }
  if (!options.record.empty()) {
    // Opened for appending, so that an existing script is left as it is
    // until the recording's first line empties it.
    const std::string target = portable::output_target(options.record);
    std::error_code error;
    const bool existed = std::filesystem::exists(target, error);
    std::FILE* probe = std::fopen(target.c_str(), "ab");
    if (!probe) return "cannot write " + options.record + ": " + std::strerror(errno);
    std::fclose(probe);
    if (!existed) std::filesystem::remove(target, error);
  }
  if (!options.frames.empty()) {
    const std::string& frames = options.frames;
    // The reason is the making's, not that of the look that follows it.
    std::error_code made;
    std::filesystem::create_directories(frames, made);
    std::error_code error;
    if (!std::filesystem::is_directory(frames, error)) {
      if (!made) made = error;
      return "cannot make directory " + frames + (made ? ": " + reason(made) : "");
    }
    // Old frames would mix with the new ones, and be compared as theirs.
    error.clear();
    if (file_exists(frames + "/000001.png", &error) || error) {
      if (error) return "cannot search directory " + frames + ": " + reason(error);
      return "--frames " + frames + " already holds frames; give an empty directory";
    }
    if (!portable::can_write_png(frames + "/000001.png")) {
      return "cannot write in directory " + frames + ": " + std::strerror(errno);
    }
  }
  return {};
}

// --digests: one line per frame, flushed at once, so that a run that crashes
// or is killed keeps the lines of every frame it showed.
std::FILE* digests = nullptr;
bool digests_ok = true;

// --expect-digests: the digests of an earlier run, by frame number from 1;
// --first-differing writes the first frame that differs from them.
std::vector<uint64_t> expected_digests;
std::string first_differing;
bool first_differing_written = false;
bool first_differing_ok = true;
long frames_shown = 0;
uint64_t last_digest = 0;

// --frames-after-difference: the frames from the first that differs are
// written here, by the observer, instead of every frame by the layer.
std::string frames_after_difference_directory;
long frames_after_difference = 0;
std::vector<long> frames_after_difference_also;  // --frames-only, sorted
long first_difference = 0;                       // its frame number, once seen
bool frames_after_difference_ok = true;
std::vector<uint64_t> frames_known;  // --frames-known, sorted

// The digests of a --frames-known file, one a line; false if a line is not one.
bool read_known_digests(const std::string& path, std::vector<uint64_t>* read) {
  std::FILE* file = std::fopen(path.c_str(), "rb");
  if (!file) return false;
  char line[64];
  bool ok = true;
  while (ok && std::fgets(line, sizeof line, file)) {
    unsigned long long digest = 0;
    int length = 0;
    ok = std::sscanf(line, "%16llx%n", &digest, &length) == 1 && length == 16 &&
         (line[16] == '\n' || line[16] == '\0');
    read->push_back(digest);
  }
  ok = ok && !std::ferror(file);
  std::fclose(file);
  std::sort(read->begin(), read->end());
  return ok;
}

// The digests of a --digests file, up to its first line that is not one.
bool read_digests(const std::string& path, std::vector<uint64_t>* read) {
  std::FILE* file = std::fopen(path.c_str(), "rb");
  if (!file) return false;
  char line[128];
  while (std::fgets(line, sizeof line, file)) {
    long number = 0;
    unsigned long long digest = 0;
    long events = 0;
    if (std::sscanf(line, "%ld %16llx %ld", &number, &digest, &events) != 3 ||
        number != static_cast<long>(read->size()) + 1) {
      break;
    }
    read->push_back(digest);
  }
  const bool ok = !std::ferror(file);
  std::fclose(file);
  return ok;
}

void observe_frame(long number, const uint32_t* pixels, int width, int height, uint64_t digest) {
  frames_shown = number;
  last_digest = digest;
  if (digests) {
    const int written = std::fprintf(digests, "%06ld %016llx %ld\n", number,
                                     static_cast<unsigned long long>(digest), events_played());
    if (written < 0 || std::fflush(digests) != 0) digests_ok = false;
  }
  if (!first_differing.empty() && !first_differing_written &&
      (number > static_cast<long>(expected_digests.size()) ||
       expected_digests[static_cast<size_t>(number) - 1] != digest)) {
    first_differing_written = true;
    first_differing_ok = portable::write_png(first_differing, pixels, width, height);
  }
  if (!frames_after_difference_directory.empty()) {
    const bool differs = number > static_cast<long>(expected_digests.size()) ||
                         expected_digests[static_cast<size_t>(number) - 1] != digest;
    if (!first_difference && differs) first_difference = number;
    const std::vector<long>& also = frames_after_difference_also;
    // A frame with the digest of the earlier run's frame of its number is
    // that frame's picture again: whoever reads these has that one.
    if (first_difference && differs &&
        (number < first_difference + frames_after_difference ||
         std::binary_search(also.begin(), also.end(), number)) &&
        !std::binary_search(frames_known.begin(), frames_known.end(), digest)) {
      frames_after_difference_ok = headless::write_frame_png(frames_after_difference_directory,
                                                             number, pixels, width, height) &&
                                   frames_after_difference_ok;
    }
  }
}

bool inside_program = false;

// exit() called inside WinMain would end the run before its outputs are
// written and its picture compared, with whatever status the program chose.
void exited_inside_program() {
  if (!inside_program) return;
  std::fprintf(stderr,
               "%s: the program called exit() inside WinMain, so the run was not checked; "
               "return from WinMain instead\n",
               program);
  std::fflush(nullptr);
  std::_Exit(kProgramFailed);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc > 0) program = argv[0];
  headless::mark_set_up();
  // Only the text window's ring stays in memory; --log streams to its file.
  headless::keep_printed_lines(false);
  // Nothing here reads the graphics window's surface: --png and --frames take
  // the presented canvas itself, --text-png the text window.
  headless::keep_main_window_surface(false);
  Options options;
  if (const std::string error = parse_options(argc, argv, &options); !error.empty()) {
    std::fprintf(stderr, "%s: %s\n", program, error.c_str());
    std::fprintf(stderr, kUsage, program);
    return kUnusable;
  }
  for (auto check : {check_inputs, check_distinct, check_outputs}) {
    if (const std::string error = check(options); !error.empty()) return refuse(error);
  }
  if (!options.log.empty() && !headless::open_transcript(options.log)) {
    return refuse("cannot write " + options.log + ": " + std::strerror(errno));
  }
  if (options.frames_after_difference > 0) {
    frames_after_difference_directory = options.frames;
    frames_after_difference = static_cast<long>(options.frames_after_difference);
    frames_after_difference_also = options.frames_only;
    std::sort(frames_after_difference_also.begin(), frames_after_difference_also.end());
  } else {
    if (!options.frames.empty()) headless::set_frames_directory(options.frames);
    headless::set_frames_written(options.frames_only);
  }
  if (!options.frames_known.empty() && !read_known_digests(options.frames_known, &frames_known)) {
    return refuse("cannot read " + options.frames_known + ": missing, or a line is not a digest");
  }
  if (!options.expect_digests.empty() && !read_digests(options.expect_digests, &expected_digests)) {
    return refuse("cannot read " + options.expect_digests + ": " + std::strerror(errno));
  }
  first_differing = options.first_differing;
  if (!options.digests.empty()) {
    digests = std::fopen(options.digests.c_str(), "wb");
    if (!digests) return refuse("cannot write " + options.digests + ": " + std::strerror(errno));
  }
  if (digests || !options.expect_digests.empty()) headless::set_frame_observer(observe_frame);

  for (const std::string& answer : options.answers) headless::queue_dialog_answer(answer);
  headless::set_clock_limit_ms(options.ticks * 100);
  if (!options.play.empty()) {
    play_from_open(options.play);
  }

  if (!options.record.empty()) {
    record_from_open(options.record);
  }

  std::string command_line = portable::windows_command_line(options.program_arguments);
  std::atexit(exited_inside_program);
  if (options.watchdog_seconds > 0 && !headless::start_watchdog(program, options.watchdog_seconds,
                                                                {kNeverWaited, kStoppedWaiting})) {
    return refuse(std::string("cannot start the watchdog's CPU-time timer: ") +
                  std::strerror(errno));
  }
  inside_program = true;
  const int status = WinMain(nullptr, nullptr, command_line.data(), SW_SHOWNORMAL);
  inside_program = false;
  headless::stop_watchdog();

  // Every output is written that can be; the first failure decides the status.
  int failure = kPassed;
  auto fail = [&](int code, const std::string& what) {
    std::fprintf(stderr, "%s: %s\n", program, what.c_str());
    if (failure == kPassed) failure = code;
  };
  if (status != 0) {
    fail(kProgramFailed, "the program ended with exit status " + std::to_string(status));
  }
  if (recording_lost_lines()) {
    fail(kProgramFailed,
         std::string("the recording lost lines: cannot write ") + script_file_name());
  }
  if (!options.log.empty() && !headless::close_transcript()) {
    fail(kUnusable, "cannot write " + options.log);
  }
  // The canvas is copied out only for the outputs that read it.
  std::vector<uint32_t> canvas;
  int width = 0;
  int height = 0;
  const bool presented = (!options.png.empty() || !options.expect.empty()) &&
                         headless::presented_pixels(&canvas, &width, &height);
  if (!options.png.empty()) {
    if (!presented) {
      fail(kProgramFailed, "the run presented no frame; " + options.png + " not written");
    } else if (!headless::write_presented_png(options.png)) {
      fail(kUnusable, "cannot write " + options.png);
    }
  }
  if (!options.text_png.empty()) {
    const platform::Window text = headless::find_window("ZIVRO Text");
    if (!text) {
      fail(kProgramFailed, "the run opened no text window; " + options.text_png + " not written");
    } else if (!headless::write_window_png(text, options.text_png)) {
      fail(kUnusable, "cannot write " + options.text_png);
    }
  }
  if (!options.frames.empty() && (!headless::frames_written_ok() || !frames_after_difference_ok)) {
    fail(kUnusable, "cannot write " + options.frames);
  }
  if (!first_differing_ok) fail(kUnusable, "cannot write " + options.first_differing);
  const auto expected_frames = static_cast<long>(expected_digests.size());
  if (!options.last_differing.empty() && frames_shown > 0 && frames_shown >= expected_frames &&
      (frames_shown > expected_frames || expected_digests.back() != last_digest) &&
      !headless::write_presented_png(options.last_differing)) {
    fail(kUnusable, "cannot write " + options.last_differing);
  }
  if (digests && (std::fclose(digests) != 0 || !digests_ok)) {
    fail(kUnusable, "cannot write " + options.digests);
  }
  digests = nullptr;
  if (failure != kPassed) return failure;

  int verdict = kPassed;
  if (!options.expect.empty()) {
    if (!presented) {
      std::fprintf(stderr, "%s: the run presented no canvas to compare\n", program);
      return kProgramFailed;
    }
    portable::Image picture;
    picture.width = width;
    picture.height = height;
    picture.pixels = std::move(canvas);
    verdict = compare_with(picture, options.expect, options.expect + ".diff.png");
  }
  if (!options.expect_dir.empty()) {
    verdict = std::max(verdict, compare_frames(options.frames, options.expect_dir));
  }
  return verdict;
}

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
#include <vector>

#include "events.h"
#include "platform/headless/headless.h"
#include "platform/headless/png_io.h"
#include "script.h"

namespace {

const char* program = "runner";  // argv[0], for the messages

constexpr const char* kUsage =
    "usage: %s [--play FILE] [--ticks N] [--log FILE] [--png FILE] [--frames DIR]"
    " [--text-png FILE] [--answer TEXT]... [--expect FILE] [--expect-dir DIR]\n"
    "  --play FILE       play FILE back from the start, as the Playback Script command does\n"
    "  --ticks N         let the 100 ms animation timer run N periods (default 0)\n"
    "  --log FILE        write every line printed to the text window to FILE\n"
    "  --png FILE        write the whole canvas after the last frame to FILE\n"
    "  --frames DIR      write every presented canvas as DIR/000001.png, 000002.png, ...\n"
    "  --text-png FILE   write the text window's client area after the run to FILE\n"
    "  --answer TEXT     type TEXT into the next line-input dialog (repeatable)\n"
    "  --expect FILE     compare the canvas after the last frame with the PNG FILE:\n"
    "                    exit 0 if equal, 1 if not (writing FILE.diff.png)\n"
    "  --expect-dir DIR  with --frames, compare every frame with DIR/000001.png, ...\n";

struct Options {
  std::string play;
  uint64_t ticks = 0;
  std::string log;
  std::string png;
  std::string frames;
  std::string text_png;
  std::vector<std::string> answers;
  std::string expect;
  std::string expect_dir;
};

bool parse_count(const char* text, uint64_t* count) {
  if (!text || !*text) return false;
  uint64_t value = 0;
  for (const char* c = text; *c; ++c) {
    if (*c < '0' || *c > '9') return false;
    const uint64_t digit = static_cast<uint64_t>(*c - '0');
    // The clock counts milliseconds, so N periods must fit after * 100.
    if (value > (UINT64_MAX / 100 - digit) / 10) return false;
    value = value * 10 + digit;
  }
  *count = value;
  return true;
}

// Returns an empty string when the options are good, else what is wrong.
std::string parse_options(int argc, char** argv, Options* options) {
  struct Named {
    const char* name;
    std::string* value;
  };
  const Named files[] = {{"--play", &options->play},
                         {"--log", &options->log},
                         {"--png", &options->png},
                         {"--frames", &options->frames},
                         {"--text-png", &options->text_png},
                         {"--expect", &options->expect},
                         {"--expect-dir", &options->expect_dir}};
  for (int i = 1; i < argc; ++i) {
    const std::string option = argv[i];
    if (option.rfind("--", 0) != 0) return "unexpected argument '" + option + "'";
    const char* value = i + 1 < argc ? argv[++i] : nullptr;
    bool known = false;
    for (const Named& named : files) {
      if (option != named.name) continue;
      if (!value || !*value) return option + " needs a file or directory name";
      *named.value = value;
      known = true;
    }
    if (known) continue;
    if (option == "--answer") {
      if (!value) return "--answer needs a text (it may be empty)";
      options->answers.push_back(value);
    } else if (option == "--ticks") {
      if (!value || !parse_count(value, &options->ticks)) {
        return "--ticks needs a whole number of 100 ms periods, 0 or more";
      }
    } else {
      return "unknown option " + option;
    }
  }
  if (!options->expect_dir.empty() && options->frames.empty()) {
    return "--expect-dir compares the frames of --frames DIR; give both";
  }
  return {};
}

bool write_log(const std::string& path) {
  std::FILE* file = std::fopen(path.c_str(), "wb");
  if (!file) return false;
  bool written = true;
  for (const std::string& line : headless::printed_lines()) {
    written = written && std::fwrite(line.data(), 1, line.size(), file) == line.size();
  }
  return std::fclose(file) == 0 && written;
}

// Compares a picture with an expected PNG. Prints what differs and writes
// the changed pixels in red on a dimmed copy of the expected picture.
// Returns 0 for equal, 1 for different, 2 when the expected file is unusable.
int compare_with(const headless::Image& picture, const std::string& expected_path,
                 const std::string& diff_path) {
  headless::Image expected;
  if (!headless::read_png(expected_path, &expected)) {
    std::fprintf(stderr, "%s: cannot read %s: missing or not an 8-bit RGB PNG\n", program,
                 expected_path.c_str());
    return 2;
  }
  if (picture.width != expected.width || picture.height != expected.height) {
    std::printf("%s: %dx%d expected, the run made %dx%d\n", expected_path.c_str(), expected.width,
                expected.height, picture.width, picture.height);
    return 1;
  }
  long differing = 0;
  headless::Image diff = expected;
  for (size_t i = 0; i < diff.pixels.size(); ++i) {
    const bool same = picture.pixels[i] == expected.pixels[i];
    differing += same ? 0 : 1;
    diff.pixels[i] = same ? (expected.pixels[i] >> 2) & 0x3F3F3Fu : 0xFF0000u;
  }
  if (differing == 0) return 0;
  std::printf("%s: %ld pixels differ\n", expected_path.c_str(), differing);
  if (!headless::write_png(diff_path, diff.pixels.data(), diff.width, diff.height)) {
    std::fprintf(stderr, "%s: cannot write %s\n", program, diff_path.c_str());
  }
  return 1;
}

// Every frame of the run against the expected directory, by name.
int compare_frames(const std::string& frames, const std::string& expected_dir) {
  int worst = 0;
  long frames_seen = 0;
  for (long n = 1;; ++n) {
    char name[32];
    std::snprintf(name, sizeof name, "/%06ld.png", n);
    const bool made = std::filesystem::exists(frames + name);
    const bool wanted = std::filesystem::exists(expected_dir + name);
    if (!made && !wanted) break;
    ++frames_seen;
    if (made != wanted) {
      std::printf("%s%s: %s\n", expected_dir.c_str(), name,
                  made ? "the run made a frame that is not expected" : "frame expected, not made");
      worst = std::max(worst, 1);
      continue;
    }
    headless::Image frame;
    if (!headless::read_png(frames + name, &frame)) {
      std::fprintf(stderr, "%s: cannot read %s%s\n", program, frames.c_str(), name);
      return 2;
    }
    worst = std::max(worst, compare_with(frame, expected_dir + name, frames + name + ".diff.png"));
  }
  if (frames_seen == 0) {
    std::fprintf(stderr, "%s: %s: no frames to compare\n", program, expected_dir.c_str());
    return 2;
  }
  return worst;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc > 0) program = argv[0];
  Options options;
  if (const std::string error = parse_options(argc, argv, &options); !error.empty()) {
    std::fprintf(stderr, "%s: %s\n", program, error.c_str());
    std::fprintf(stderr, kUsage, program);
    return 2;
  }
  // Fail before the run rather than lose its output after it.
  for (const std::string* path : {&options.log, &options.png, &options.text_png}) {
    if (path->empty()) continue;
    std::FILE* probe = std::fopen(path->c_str(), "wb");
    if (!probe) {
      std::fprintf(stderr, "%s: cannot write %s: %s\n", program, path->c_str(),
                   std::strerror(errno));
      return 2;
    }
    std::fclose(probe);
  }
  if (!options.play.empty()) {
    std::FILE* probe = std::fopen(options.play.c_str(), "rb");
    if (!probe) {
      std::fprintf(stderr, "%s: cannot read %s: %s\n", program, options.play.c_str(),
                   std::strerror(errno));
      return 2;
    }
    std::fclose(probe);
  }
  if (!options.frames.empty()) {
    std::error_code error;
    std::filesystem::create_directories(options.frames, error);
    if (!std::filesystem::is_directory(options.frames)) {
      std::fprintf(stderr, "%s: cannot make directory %s\n", program, options.frames.c_str());
      return 2;
    }
    // Old frames would mix with the new ones, and be compared as theirs.
    if (std::filesystem::exists(options.frames + "/000001.png")) {
      std::fprintf(stderr, "%s: --frames %s already holds frames; give an empty directory\n",
                   program, options.frames.c_str());
      return 2;
    }
    headless::set_frames_directory(options.frames);
  }

  for (const std::string& answer : options.answers) headless::queue_dialog_answer(answer);
  headless::set_clock_limit_ms(options.ticks * 100);
  if (!options.play.empty()) {
    headless::set_playback_path(options.play);
    headless::post_at_start(headless::menu_command(kCommandPlayback));
  }

  static char command_line[] = "";
  const int status = WinMain(nullptr, nullptr, command_line, SW_SHOWNORMAL);

  bool written = true;
  auto report = [&](bool ok, const std::string& what) {
    if (!ok) std::fprintf(stderr, "%s: cannot write %s\n", program, what.c_str());
    written = written && ok;
  };
  if (!options.log.empty()) report(write_log(options.log), options.log);
  if (!options.png.empty()) report(headless::write_presented_png(options.png), options.png);
  if (!options.text_png.empty()) {
    report(headless::write_window_png(headless::find_window("ZIVRO Text"), options.text_png),
           options.text_png);
  }
  if (!options.frames.empty()) report(headless::frames_written_ok(), options.frames);
  if (!written) return status != 0 ? status : 1;

  if ((!options.expect.empty() || !options.expect_dir.empty()) && status != 0) {
    std::fprintf(stderr, "%s: the program ended with exit status %d\n", program, status);
    return status;
  }
  int verdict = 0;
  if (!options.expect.empty()) {
    headless::Image canvas;
    if (!headless::presented_pixels(&canvas.pixels, &canvas.width, &canvas.height)) {
      std::fprintf(stderr, "%s: the run presented no canvas to compare\n", program);
      return 2;
    }
    verdict = compare_with(canvas, options.expect, options.expect + ".diff.png");
  }
  if (!options.expect_dir.empty()) {
    verdict = std::max(verdict, compare_frames(options.frames, options.expect_dir));
  }
  if (!options.expect.empty() || !options.expect_dir.empty()) return verdict;
  return status == 0 && script_write_failed() ? 3 : status;  // a recording lost lines
}

// main() of every application linked with the headless layer: takes the
// runner's options, then calls the application's WinMain.
#include <zivro.h>

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

namespace {

constexpr const char* kUsage =
    "usage: %s [--play FILE] [--ticks N] [--log FILE] [--png FILE] [--frames DIR]"
    " [--text-png FILE] [--answer TEXT]...\n"
    "  --play FILE      play FILE back from the start, as the Playback Script command does\n"
    "  --ticks N        let the 100 ms animation timer run N periods (default 0)\n"
    "  --log FILE       write every line printed to the text window to FILE\n"
    "  --png FILE       write the whole canvas after the last frame to FILE\n"
    "  --frames DIR     write every presented canvas as DIR/000001.png, 000002.png, ...\n"
    "  --text-png FILE  write the text window's client area after the run to FILE\n"
    "  --answer TEXT    type TEXT into the next line-input dialog (repeatable)\n";

struct Options {
  std::string play;
  uint64_t ticks = 0;
  std::string log;
  std::string png;
  std::string frames;
  std::string text_png;
  std::vector<std::string> answers;
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

bool parse_options(int argc, char** argv, Options* options) {
  for (int i = 1; i < argc; ++i) {
    const std::string option = argv[i];
    const char* value = i + 1 < argc ? argv[i + 1] : nullptr;
    if (!value) return false;
    if (option == "--play" && *value) {
      options->play = value;
    } else if (option == "--log" && *value) {
      options->log = value;
    } else if (option == "--png" && *value) {
      options->png = value;
    } else if (option == "--frames" && *value) {
      options->frames = value;
    } else if (option == "--answer") {
      options->answers.push_back(value);
    } else if (option == "--text-png" && *value) {
      options->text_png = value;
    } else if (option == "--ticks") {
      if (!parse_count(value, &options->ticks)) return false;
    } else {
      return false;
    }
    ++i;
  }
  return true;
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

}  // namespace

int main(int argc, char** argv) {
  Options options;
  if (!parse_options(argc, argv, &options)) {
    std::fprintf(stderr, kUsage, argc > 0 ? argv[0] : "runner");
    return 2;
  }
  // Fail before the run rather than lose its log after it.
  if (!options.log.empty()) {
    std::FILE* probe = std::fopen(options.log.c_str(), "wb");
    if (!probe) {
      std::fprintf(stderr, "cannot write %s: %s\n", options.log.c_str(), std::strerror(errno));
      return 2;
    }
    std::fclose(probe);
  }

  if (!options.frames.empty()) {
    std::error_code error;
    std::filesystem::create_directories(options.frames, error);
    if (!std::filesystem::is_directory(options.frames)) {
      std::fprintf(stderr, "cannot make directory %s\n", options.frames.c_str());
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
    if (!ok) std::fprintf(stderr, "cannot write %s\n", what.c_str());
    written = written && ok;
  };
  if (!options.log.empty()) report(write_log(options.log), options.log);
  if (!options.png.empty()) report(headless::write_presented_png(options.png), options.png);
  if (!options.text_png.empty()) {
    report(headless::write_window_png(headless::find_window("ZIVRO Text"), options.text_png),
           options.text_png);
  }
  if (!options.frames.empty()) report(headless::frames_written_ok(), options.frames);
  return written || status != 0 ? status : 1;
}

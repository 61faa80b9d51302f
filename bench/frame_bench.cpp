// One full frame of the car game on the software canvas, the replay rate of
// the headless runner over a long script, and the cost of writing a frame
// as a PNG file as the runner writes it and with libpng's defaults.
#include <benchmark/benchmark.h>
#include <unistd.h>
#include <zivro.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "cargame.h"
#include "events.h"
#include "game_rules.h"
#include "package_reset.h"
#include "package_windows.h"
#include "platform/headless/headless.h"
#include "platform/portable/objects.h"
#include "platform/portable/png_files.h"
#include "platform/raster/shapes.h"
#include "scene.h"
#include "script.h"
#include "text/text_log.h"

namespace {

void open_package() {
  reset_package();
  static char command_line[] = "";
  ZIVRO_open(nullptr, nullptr, command_line, SW_SHOWNORMAL);
  ZIVRO_logging(0);
  ZIVRO_clear();
}

// A frame as far as a present of it: fills still held back at its end are
// written, as the copy to the window writes them.
void draw_and_settle(const GameState& game) {
  draw_frame(game);
  benchmark::DoNotOptimize(settled_pixels(*canvas_context()->bitmap).data());
}

// A day frame without the police (54 calls).
void BM_FrameDay(benchmark::State& state) {
  open_package();
  GameState game;
  for (auto _ : state) draw_and_settle(game);
}

// The busiest frame: night, the police flashing, a dialogue (65 calls).
void BM_FrameNightStop(benchmark::State& state) {
  open_package();
  GameState game;
  game.day_count = 2;
  game.cop_active = 1;
  game.pulled_over = 1;
  game.cop_x = -40;
  game.stop_timer = 20;
  for (auto _ : state) draw_and_settle(game);
}

// The machine's floor for a frame: the whole canvas filled once with one
// colour, by the rasterizer's own fill. A frame's median divided by this one's
// says how many canvases' worth of plain filling the frame costs.
void BM_FillCanvasOnce(benchmark::State& state) {
  open_package();
  platform::BitmapObject& canvas = *canvas_context()->bitmap;
  const raster::Surface surface{settled_pixels(canvas).data(), canvas.width, canvas.height};
  uint32_t colour = 0x00A6CAF0u;
  for (auto _ : state) {
    raster::fill_rectangle(surface, 0, 0, kCanvasWidth, kCanvasHeight, colour);
    benchmark::DoNotOptimize(surface.pixels);
    benchmark::ClobberMemory();
    colour ^= 0x00010101u;  // a different colour each time, as a frame would paint
  }
}

// A sprite game's frame: the canvas cleared and 20 pictures of 32 x 32 with
// soft, half-transparent edges blended over it, each where the last frame
// had it one pixel to the left.
void BM_FrameTwentySprites(benchmark::State& state) {
  open_package();
  int shift = 0;
  for (auto _ : state) {
    ZIVRO_clear();
    for (int i = 0; i < 20; ++i) {
      ZIVRO_image(ZIVRO_SPRITE_PNG, -280 + 28 * i + shift % 8, 200 - 20 * i);
    }
    ++shift;
  }
}

// The memory's floor: the canvas's bytes written by memset, the fastest
// stores this machine has. Frames are reported as multiples of this.
void BM_MemsetCanvas(benchmark::State& state) {
  open_package();
  std::vector<uint32_t>& pixels = settled_pixels(*canvas_context()->bitmap);
  int byte = 0xA6;
  for (auto _ : state) {
    std::memset(pixels.data(), byte, pixels.size() * sizeof(uint32_t));
    benchmark::DoNotOptimize(pixels.data());
    benchmark::ClobberMemory();
    byte ^= 0x01;
  }
}

// Whole runs of a long script: six clicks and 20000 ticks, 20006 frames.
void BM_ReplayLongScript(benchmark::State& state) {
  const std::filesystem::path script =
      std::filesystem::temp_directory_path() / "zivro-bench-replay.scr";
  {
    std::ofstream out(script, std::ios::binary);
    for (int i = 0; i < 6; ++i) out << "ZIVRO_MOUSE(-250, 180);\r\n";
    out << "ZIVRO_PERIODIC(20000);\r\n";
  }
  const int64_t frames = 6 + 20000 + 1;
  for (auto _ : state) {
    reset_package();
    headless::keep_main_window_surface(false);  // as the runner replays
    play_from_open(script.string());
    static char command_line[] = "";
    benchmark::DoNotOptimize(run_cargame(nullptr, nullptr, command_line, SW_SHOWNORMAL));
  }
  state.counters["frames_per_second"] = benchmark::Counter(
      static_cast<double>(frames * state.iterations()), benchmark::Counter::kIsRate);
  std::filesystem::remove(script);
}

// A drawn frame written as a PNG file, as --frames writes each one: range(0)
// 0 for the day frame, 1 for the busiest night frame; range(1) 0 for the
// runner's compression, 1 for libpng's defaults. Counts the file's bytes.
void BM_FramePng(benchmark::State& state) {
  open_package();
  GameState game;
  if (state.range(0) == 1) {
    game.day_count = 2;
    game.cop_active = 1;
    game.pulled_over = 1;
    game.cop_x = -40;
    game.stop_timer = 20;
  }
  draw_frame(game);
  const platform::BitmapObject& canvas = *canvas_context()->bitmap;
  const portable::PngCompression compression = state.range(1) == 0
                                                   ? portable::PngCompression::kFast
                                                   : portable::PngCompression::kLibpngDefaults;
  const std::filesystem::path file =
      std::filesystem::temp_directory_path() / "zivro-bench-frame.png";
  for (auto _ : state) {
    if (!portable::write_png(file.string(), settled_pixels(canvas).data(), canvas.width,
                             canvas.height, compression)) {
      state.SkipWithError("cannot write the PNG file");
      break;
    }
  }
  state.SetLabel(std::string(state.range(0) == 0 ? "day" : "night") +
                 (state.range(1) == 0 ? ", runner's level 1 + Sub filter"
                                      : ", libpng defaults (level 6, adaptive filters)"));
  state.counters["bytes"] = static_cast<double>(std::filesystem::file_size(file));
  std::filesystem::remove(file);
}

BENCHMARK(BM_FrameDay)->Unit(benchmark::kMicrosecond)->Repetitions(5)->ReportAggregatesOnly();
BENCHMARK(BM_FrameNightStop)->Unit(benchmark::kMicrosecond)->Repetitions(5)->ReportAggregatesOnly();
BENCHMARK(BM_FillCanvasOnce)->Unit(benchmark::kMicrosecond)->Repetitions(5)->ReportAggregatesOnly();
BENCHMARK(BM_FrameTwentySprites)
    ->Unit(benchmark::kMicrosecond)
    ->Repetitions(5)
    ->ReportAggregatesOnly();
BENCHMARK(BM_MemsetCanvas)->Unit(benchmark::kMicrosecond)->Repetitions(5)->ReportAggregatesOnly();
BENCHMARK(BM_FramePng)
    ->ArgsProduct({{0, 1}, {0, 1}})
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(5)
    ->ReportAggregatesOnly();
BENCHMARK(BM_ReplayLongScript)->Unit(benchmark::kMillisecond)->Iterations(1)->Repetitions(3);

// The console table, then each frame's median as a multiple of the median of
// BM_MemsetCanvas from the same run: the other cores' load moves all of
// them alike, so the multiples hold where the microseconds do not.
class FloorRatioReporter : public benchmark::ConsoleReporter {
 public:
  FloorRatioReporter() : ConsoleReporter(isatty(STDOUT_FILENO) ? OO_ColorTabular : OO_Tabular) {}

  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& run : runs) {
      if (run.error_occurred) continue;
      const std::string name = run.run_name.function_name;
      const bool median = run.run_type == Run::RT_Aggregate && run.aggregate_name == "median";
      const bool single = run.run_type == Run::RT_Iteration && run.repetitions <= 1;
      if (!median && !single) continue;
      // In seconds, whatever unit each benchmark reports in.
      const double unit = benchmark::GetTimeUnitMultiplier(run.time_unit);
      times_[name] = {run.GetAdjustedRealTime() / unit, run.GetAdjustedCPUTime() / unit};
    }
    ConsoleReporter::ReportRuns(runs);
  }

  void Finalize() override {
    ConsoleReporter::Finalize();
    const auto floor = times_.find("BM_MemsetCanvas");
    if (floor == times_.end() || floor->second.real <= 0 || floor->second.cpu <= 0) return;
    std::ostream& out = GetOutputStream();
    out << "\nMedians as multiples of BM_MemsetCanvas's (real time, CPU time):\n";
    for (const char* name : {"BM_FrameDay", "BM_FrameNightStop", "BM_FillCanvasOnce"}) {
      const auto found = times_.find(name);
      if (found == times_.end()) continue;
      char line[160];
      std::snprintf(line, sizeof line, "  %-20s %5.2f x  %5.2f x\n", name,
                    found->second.real / floor->second.real, found->second.cpu / floor->second.cpu);
      out << line;
    }
  }

 private:
  struct Times {
    double real = 0;
    double cpu = 0;
  };
  std::map<std::string, Times> times_;
};

// Whether the command line asks for another output format than the console's.
bool other_format_asked(int argc, char** argv) {
  const std::string flag = "--benchmark_format=";
  for (int i = 1; i < argc; ++i) {
    const std::string argument = argv[i];
    if (argument.rfind(flag, 0) == 0 && argument != flag + "console") return true;
  }
  return false;
}

}  // namespace

int main(int argc, char** argv) {
  const bool other_format = other_format_asked(argc, argv);  // before Initialize takes the flags
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  if (other_format) {
    benchmark::RunSpecifiedBenchmarks();
  } else {
    FloorRatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
  }
  benchmark::Shutdown();
  return 0;
}

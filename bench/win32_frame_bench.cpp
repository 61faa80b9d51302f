// One full frame of the car game drawn through GDI: the day frame that
// bench_frame's BM_FrameDay draws on the software canvas. A Windows console
// program, run under Wine by bench/gdi_vs_canvas_frame.sh.
//
// Usage: win32_frame_bench [FRAMES]   (default 2000, after 100 warm-up frames)
// Prints the median, the fastest and the slowest frame in microseconds; the
// last line is "median_us <value>" for scripts.
#include <windows.h>
#include <zivro.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "game_rules.h"
#include "scene.h"

int main(int argc, char** argv) {
  int frames = 2000;
  if (argc > 1) frames = std::max(1, std::atoi(argv[1]));
  const int warm_up = 100;

  static char command_line[] = "";
  ZIVRO_open(GetModuleHandleA(nullptr), nullptr, command_line, SW_SHOWNORMAL);
  ZIVRO_logging(0);
  ZIVRO_clear();

  LARGE_INTEGER frequency;
  QueryPerformanceFrequency(&frequency);

  const GameState game{};
  for (int i = 0; i < warm_up; ++i) draw_frame(game);
  GdiFlush();

  std::vector<double> micros(static_cast<size_t>(frames));
  for (double& frame : micros) {
    LARGE_INTEGER start, end;
    QueryPerformanceCounter(&start);
    draw_frame(game);
    GdiFlush();
    QueryPerformanceCounter(&end);
    frame = static_cast<double>(end.QuadPart - start.QuadPart) * 1e6 /
            static_cast<double>(frequency.QuadPart);
  }
  ZIVRO_close();

  std::sort(micros.begin(), micros.end());
  const size_t n = micros.size();
  const double median = n % 2 ? micros[n / 2] : (micros[n / 2 - 1] + micros[n / 2]) / 2;
  std::printf("GDI day frame over %d frames: median %.1f us, fastest %.1f us, slowest %.1f us\n",
              frames, median, micros.front(), micros.back());
  std::printf("median_us %.2f\n", median);
  return 0;
}

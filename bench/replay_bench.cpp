// How fast the car game runs on the headless layer: whole runs of N animation
// ticks, start-up to close, waited for by blocking and by spinning.
#include <benchmark/benchmark.h>

#include "cargame.h"
#include "events.h"
#include "package_reset.h"
#include "package_windows.h"
#include "platform/headless/headless.h"
#include "script.h"
#include "text/text_log.h"

namespace {

void run_game(benchmark::State& state, bool blocking) {
  const auto ticks = static_cast<uint64_t>(state.range(0));
  for (auto _ : state) {
    reset_package();
    headless::set_blocking_wait(blocking);
    headless::keep_main_window_surface(false);  // as the runner replays
    headless::set_clock_limit_ms(ticks * 100);
    static char command_line[] = "";
    benchmark::DoNotOptimize(run_cargame(nullptr, nullptr, command_line, SW_SHOWNORMAL));
  }
  state.counters["ticks_per_second"] = benchmark::Counter(
      static_cast<double>(ticks * state.iterations()), benchmark::Counter::kIsRate);
  state.counters["polls_per_tick"] =
      static_cast<double>(headless::empty_polls()) / static_cast<double>(ticks);
}

void BM_GameBlockingWait(benchmark::State& state) {
  run_game(state, true);
}
void BM_GameSpinningWait(benchmark::State& state) {
  run_game(state, false);
}

BENCHMARK(BM_GameBlockingWait)->Arg(1000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_GameSpinningWait)->Arg(1000)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();

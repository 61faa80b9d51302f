// A timer on the process's CPU clock ticks ten times per stretch of the
// watchdog; its signal handler sees whether any wait began or ran since the
// last tick. CPU time passes only while the program computes, so a program
// that sleeps is never woken by it, and a quiet stretch is measured from the
// first tick after the last wait: the program is stopped after at least the
// whole stretch without a wait, at most a tenth of it later.
#include "platform/headless/watchdog.h"

#include <signal.h>
#include <time.h>
#include <unistd.h>
#include <zivro.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "startup.h"

namespace headless {
namespace {

struct Watch {
  const char* program = "runner";
  long long stretch_ns = 0;
  char seconds[32] = {};
  WatchdogStatuses statuses{};
  timer_t timer{};
  bool armed = false;
  // Set before the timer is deleted: a tick already queued then does nothing.
  volatile sig_atomic_t off = 0;
  // The handler's own: the waits seen at the last tick, and since when
  // (process CPU time) none has been.
  long calls_seen = 0;
  long long quiet_since_ns = 0;
};

Watch watch;

long long cpu_now_ns() {
  timespec now{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
  return static_cast<long long>(now.tv_sec) * 1000000000LL + now.tv_nsec;
}

// The line is put together in a buffer of the handler's own, without
// stdio or allocation, which a signal handler may not use.
struct Line {
  char text[512];
  size_t length = 0;
  void add(const char* part) {
    while (*part && length < sizeof text - 1) text[length++] = *part++;
  }
  void add(long long number) {
    char digits[24];
    int count = 0;
    const bool negative = number < 0;
    unsigned long long rest = negative ? 0ULL - static_cast<unsigned long long>(number)
                                       : static_cast<unsigned long long>(number);
    do {
      digits[count++] = static_cast<char>('0' + rest % 10);
      rest /= 10;
    } while (rest);
    if (negative) add("-");
    while (count > 0 && length < sizeof text - 1) text[length++] = digits[--count];
  }
};

void add_event(Line& line, const WaitProgress& progress) {
  static const char* const kNames[] = {
      "no event",         "ZIVRO_MOUSE",       "ZIVRO_KBD",         "ZIVRO_PERIODIC",
      "ZIVRO_QUIT",       "ZIVRO_KEY_PRESS",   "ZIVRO_KEY_RELEASE", "ZIVRO_MOUSE_RELEASE",
      "ZIVRO_MOUSE_DRAG", "ZIVRO_MOUSE_RIGHT", "ZIVRO_MOUSE_MIDDLE"};
  const int kind = progress.kind.load(std::memory_order_relaxed);
  const bool named = kind >= 0 && kind < static_cast<int>(sizeof kNames / sizeof *kNames);
  line.add(named ? kNames[kind] : "event kind ");
  if (!named) line.add(kind);
  if (kind == ZIVRO_KBD || kind == ZIVRO_KEY_PRESS || kind == ZIVRO_KEY_RELEASE) {
    line.add(" with key ");
    line.add(progress.key.load(std::memory_order_relaxed));
  } else if (kind == ZIVRO_MOUSE || kind >= ZIVRO_MOUSE_RELEASE) {
    line.add(" at (");
    line.add(progress.x.load(std::memory_order_relaxed));
    line.add(", ");
    line.add(progress.y.load(std::memory_order_relaxed));
    line.add(")");
  }
}

[[noreturn]] void stop_the_run(long calls) {
  Line line;
  line.add(watch.program);
  if (calls == 0) {
    line.add(": the program never waited for an event: it ran for ");
    line.add(watch.seconds);
    line.add(" s of CPU time from its start without a call of ZIVRO_wait_event,");
  } else {
    line.add(": the program stopped waiting for events: after wait ");
    line.add(calls);
    line.add(" returned ");
    add_event(line, wait_progress());
    line.add(", it ran for ");
    line.add(watch.seconds);
    line.add(" s of CPU time without waiting again,");
  }
  line.add(" so the run was stopped\n");
  for (size_t written = 0; written < line.length;) {
    const ssize_t put = write(STDERR_FILENO, line.text + written, line.length - written);
    if (put <= 0 && errno != EINTR) break;
    if (put > 0) written += static_cast<size_t>(put);
  }
  _exit(calls == 0 ? watch.statuses.never_waited : watch.statuses.stopped_waiting);
}

void on_tick(int) {
  if (watch.off) return;
  const int saved_errno = errno;
  const WaitProgress& progress = wait_progress();
  const long long now = cpu_now_ns();
  const long calls = progress.calls.load(std::memory_order_relaxed);
  if (progress.inside.load(std::memory_order_relaxed) || calls != watch.calls_seen) {
    watch.calls_seen = calls;
    watch.quiet_since_ns = now;
  } else if (now - watch.quiet_since_ns >= watch.stretch_ns) {
    stop_the_run(calls);
  }
  errno = saved_errno;
}

}  // namespace

bool start_watchdog(const char* program, double seconds, WatchdogStatuses statuses) {
  stop_watchdog();
  watch.program = program;
  watch.statuses = statuses;
  watch.stretch_ns = std::llround(seconds * 1e9);
  std::snprintf(watch.seconds, sizeof watch.seconds, "%g", seconds);
  watch.off = 0;
  watch.calls_seen = wait_progress().calls.load();
  watch.quiet_since_ns = watch.calls_seen == 0 ? 0 : cpu_now_ns();

  struct sigaction action {};
  action.sa_handler = on_tick;
  action.sa_flags = SA_RESTART;
  sigfillset(&action.sa_mask);
  const int signal_number = SIGRTMIN;
  if (sigaction(signal_number, &action, nullptr) != 0) return false;
  sigevent event{};
  event.sigev_notify = SIGEV_SIGNAL;
  event.sigev_signo = signal_number;
  if (timer_create(CLOCK_PROCESS_CPUTIME_ID, &event, &watch.timer) != 0) return false;
  const long long tick_ns = std::max(watch.stretch_ns / 10, 1000000LL);
  itimerspec period{};
  period.it_interval = {static_cast<time_t>(tick_ns / 1000000000),
                        static_cast<long>(tick_ns % 1000000000)};
  period.it_value = period.it_interval;
  if (timer_settime(watch.timer, 0, &period, nullptr) != 0) {
    timer_delete(watch.timer);
    return false;
  }
  watch.armed = true;
  return true;
}

void stop_watchdog() {
  if (!watch.armed) return;
  watch.off = 1;
  timer_delete(watch.timer);
  watch.armed = false;
}

}  // namespace headless

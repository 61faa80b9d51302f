// What the event wait keeps of its calls for startup.h's wait_progress():
// a watchdog reads it from a signal handler, so it holds lock-free atomics
// only.
#pragma once

#include <atomic>

// Written by every call of the wait, any of its forms, before ZIVRO_open too.
struct WaitProgress {
  std::atomic<long> calls{0};       // waits begun since the start
  std::atomic<bool> inside{false};  // a wait is running now
  // The event the last wait returned (kind 0 before any returned).
  std::atomic<int> kind{0};
  std::atomic<int> x{0};
  std::atomic<int> y{0};
  std::atomic<int> key{0};
};
static_assert(std::atomic<long>::is_always_lock_free && std::atomic<int>::is_always_lock_free &&
              std::atomic<bool>::is_always_lock_free);

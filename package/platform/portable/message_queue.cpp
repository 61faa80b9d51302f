#include "platform/portable/message_queue.h"

#include <algorithm>
#include <deque>
#include <vector>

namespace portable {
namespace {

struct Timer {
  platform::Window window;
  unsigned id;
  unsigned period_ms;
  uint64_t due_ms;
};

struct QueueState {
  std::deque<platform::Message> posted;
  bool quit_posted = false;
  int quit_code = 0;
  std::vector<platform::Window> needs_paint;
  std::vector<Timer> timers;
};

QueueState queue;

Timer* due_timer(uint64_t now_ms) {
  Timer* earliest = nullptr;
  for (Timer& timer : queue.timers) {
    if (timer.due_ms <= now_ms && (!earliest || timer.due_ms < earliest->due_ms)) {
      earliest = &timer;
    }
  }
  return earliest;
}

}  // namespace

namespace {

bool is_button_message(unsigned number) {
  return number == WM_LBUTTONDOWN || number == WM_LBUTTONUP || number == WM_RBUTTONDOWN ||
         number == WM_RBUTTONUP || number == WM_MBUTTONDOWN || number == WM_MBUTTONUP ||
         number == WM_MOUSEWHEEL;
}

// A window's mouse move still queued, unless a button's press or release,
// or a turn of the wheel, was queued after it: moves are never carried past
// those.
platform::Message* pending_move(platform::Window window) {
  for (auto at = queue.posted.rbegin(); at != queue.posted.rend(); ++at) {
    if (at->window != window) continue;
    if (at->number == WM_MOUSEMOVE) return &*at;
    if (is_button_message(at->number)) return nullptr;
  }
  return nullptr;
}

}  // namespace

void queue_post(const platform::Message& message) {
  // As on Windows, a new position replaces the one a waiting move holds.
  if (message.number == WM_MOUSEMOVE) {
    if (platform::Message* move = pending_move(message.window)) {
      *move = message;
      return;
    }
  }
  queue.posted.push_back(message);
}

void queue_post_next(const platform::Message& message) {
  queue.posted.push_front(message);
}

void queue_post_quit(int exit_code) {
  queue.quit_posted = true;
  queue.quit_code = exit_code;
}

void queue_invalidate(platform::Window window) {
  if (std::find(queue.needs_paint.begin(), queue.needs_paint.end(), window) ==
      queue.needs_paint.end()) {
    queue.needs_paint.push_back(window);
  }
}

bool queue_validate(platform::Window window) {
  return std::erase(queue.needs_paint, window) > 0;
}

bool queue_take(platform::Message* message, uint64_t now_ms) {
  if (!queue.posted.empty()) {
    *message = queue.posted.front();
    queue.posted.pop_front();
    return true;
  }
  if (queue.quit_posted) {
    queue.quit_posted = false;
    *message = {nullptr, WM_QUIT, static_cast<uintptr_t>(queue.quit_code), 0};
    return true;
  }
  if (!queue.needs_paint.empty()) {
    // A paint request stays until the window validates itself while painting.
    *message = {queue.needs_paint.front(), WM_PAINT, 0, 0};
    return true;
  }
  if (Timer* timer = due_timer(now_ms)) {
    *message = {timer->window, WM_TIMER, timer->id, 0};
    // Missed periods are not made up: one message however late it is taken.
    while (timer->due_ms <= now_ms) timer->due_ms += timer->period_ms;
    return true;
  }
  return false;
}

bool queue_ready(uint64_t now_ms) {
  return queue_has_posted() || due_timer(now_ms) != nullptr;
}

bool queue_has_posted() {
  return !queue.posted.empty() || queue.quit_posted || !queue.needs_paint.empty();
}

void queue_start_timer(platform::Window window, unsigned id, unsigned period_ms, uint64_t now_ms) {
  // A zero period would fall due forever; Windows raises it to its minimum.
  if (period_ms == 0) period_ms = 10;
  queue_stop_timer(window, id);
  queue.timers.push_back({window, id, period_ms, now_ms + period_ms});
}

void queue_stop_timer(platform::Window window, unsigned id) {
  std::erase_if(queue.timers,
                [&](const Timer& timer) { return timer.window == window && timer.id == id; });
}

std::optional<uint64_t> queue_next_timer_due() {
  std::optional<uint64_t> earliest;
  for (const Timer& timer : queue.timers) {
    if (!earliest || timer.due_ms < *earliest) earliest = timer.due_ms;
  }
  return earliest;
}

void queue_forget_window(platform::Window window) {
  std::erase_if(queue.posted,
                [&](const platform::Message& message) { return message.window == window; });
  std::erase_if(queue.timers, [&](const Timer& timer) { return timer.window == window; });
  queue_validate(window);
}

void queue_reset() {
  queue = QueueState{};
}

}  // namespace portable

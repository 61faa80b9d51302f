// The thread's message queue as Windows keeps it: posted messages first, in
// order, a window's mouse moves coalesced into the newest one (never across
// a button's press or release); then the quit message; then paint requests;
// and timer messages made only when nothing else is there, at most one
// pending per window and id.
#pragma once

#include <cstdint>
#include <optional>

#include "platform/layer_only.h"
#include "platform/platform.h"

namespace portable {

void queue_post(const platform::Message& message);
// Puts a message ahead of everything posted, as a translated character is.
void queue_post_next(const platform::Message& message);
void queue_post_quit(int exit_code);
void queue_invalidate(platform::Window window);
// Returns whether the window had a paint request pending.
bool queue_validate(platform::Window window);

// Takes the next message at virtual or real time now_ms; false when none.
bool queue_take(platform::Message* message, uint64_t now_ms);
// Whether queue_take would return a message at now_ms.
bool queue_ready(uint64_t now_ms);
// Whether any message other than a timer's is queued.
bool queue_has_posted();

void queue_start_timer(platform::Window window, unsigned id, unsigned period_ms, uint64_t now_ms);
void queue_stop_timer(platform::Window window, unsigned id);
// The earliest time at which a timer message falls due.
std::optional<uint64_t> queue_next_timer_due();

// Drops everything queued for a window that is gone.
void queue_forget_window(platform::Window window);
void queue_reset();

}  // namespace portable

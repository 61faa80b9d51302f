// The two windows, the off-screen canvas and the coordinate origin.
#pragma once

#include <cstdint>

#include "platform/platform.h"

constexpr int kCanvasWidth = 601;
constexpr int kCanvasHeight = 540;
constexpr unsigned kAnimationTimerId = 2;
constexpr unsigned kAnimationPeriodMs = 100;
// The periods ZIVRO_set_tick accepts.
constexpr int kShortestTickMs = 10;
constexpr int kLongestTickMs = 1000;

platform::Window graphics_window();
platform::Window text_window();
platform::DrawingContext canvas_context();
int origin_x();
int origin_y();

// Whether ZIVRO_open has run. If not, the first call that asks prints one
// warning on standard error naming `call` and the fix.
bool package_opened(const char* call);
// ZIVRO_close has run since the last ZIVRO_open: a wait then returns
// ZIVRO_QUIT at once and no dialog is shown.
bool package_closed();

bool canvas_dirty();
void mark_canvas_dirty();
// Copies the whole canvas to the graphics window and clears the dirty flag.
void present_canvas();

intptr_t graphics_window_proc(platform::Window window, unsigned message, uintptr_t wparam,
                              intptr_t lparam);

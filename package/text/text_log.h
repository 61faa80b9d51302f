// The text window, its ring of the last 25 lines, ZIVRO_printf, and the
// logging flag. Knows no other module of the package.
#pragma once

#include <cstdint>
#include <string>

#include "platform/platform.h"

constexpr int kLogRingSlots = 25;
constexpr size_t kPrintBufferSize = 1024;

// The graphics window, to which keys typed into the text window go, and
// the text window itself; both null until the package is opened.
void text_log_attach(platform::Window graphics, platform::Window text);

// Read by every drawing call; the events module switches it, together with
// the run menu's check mark.
bool logging_flag();
void set_logging_flag(bool on);

// Scrolls the text window up one line and draws the text on the freed bottom
// line; removes one trailing newline from the caller's string.
void text_window_put_line(char* text);
void text_window_show(int show);
intptr_t text_window_proc(platform::Window window, unsigned message, uintptr_t wparam,
                          intptr_t lparam);

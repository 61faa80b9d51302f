// The line-input dialog of ZIVRO_gets.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/platform.h"

constexpr size_t kLineInputTemplateSize = 292;

// The dialog's in-memory template with the prompt in its static text.
void build_line_input_template(const char* prompt, uint8_t (&bytes)[kLineInputTemplateSize]);
intptr_t gets_dialog_proc(platform::Dialog dialog, unsigned message, uintptr_t wparam,
                          intptr_t lparam);

// Files the portable layers write for their runners.
#pragma once

#include <cstdio>

#include "platform/layer_only.h"

namespace portable {

// Appends one printed line to a log file, ended by exactly one newline, and
// flushes it, so a run that aborts keeps every line printed before. False
// if any of it could not be written.
bool write_log_line(std::FILE* file, const char* text);

}  // namespace portable

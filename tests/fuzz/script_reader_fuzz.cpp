// Feeds arbitrary bytes to the script reader as a whole script file, and
// each line to the line parser.
#include <zivro.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>

#include "script.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const ScriptLine whole = parse_script_line(reinterpret_cast<const char*>(data), size);
  (void)whole;
  if (size == 0) return 0;
  std::FILE* file = fmemopen(const_cast<uint8_t*>(data), size, "rb");
  if (!file) return 0;
  char line[512];
  bool at_end = false;
  while (!at_end) {
    const size_t length = read_script_line(file, line, &at_end);
    if (length > 511 || line[length] != '\0') __builtin_trap();
    const ScriptLine parsed = parse_script_line(line, length);
    // No event (0), or one of the kinds a script line can hold.
    if (parsed.kind < 0 || parsed.kind == ZIVRO_QUIT || parsed.kind > ZIVRO_MOUSE_WHEEL) {
      __builtin_trap();
    }
    if (length == 0 && !at_end && !std::ferror(file)) __builtin_trap();
    if (std::ferror(file)) break;
  }
  std::fclose(file);
  return 0;
}

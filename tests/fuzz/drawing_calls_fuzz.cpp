// Drives the drawing calls with arbitrary arguments: every call must repair,
// log and paint without undefined behaviour or a write outside the canvas.
#include <zivro.h>

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

#include "platform/headless/headless.h"

namespace {

struct Reader {
  const uint8_t* data;
  size_t size;
  int next_int() {
    int32_t value = 0;
    const size_t take = size < sizeof value ? size : sizeof value;
    std::memcpy(&value, data, take);
    data += take;
    size -= take;
    return value;
  }
  std::string next_text() {
    const size_t length = size ? data[0] % 64u : 0;
    const size_t take = size > length ? length : (size ? size - 1 : 0);
    std::string text(reinterpret_cast<const char*>(data + (size ? 1 : 0)), take);
    const size_t used = size ? take + 1 : 0;
    data += used;
    size -= used;
    return text;
  }
};

bool opened() {
  // The layer set up as the runner's main does, keeping no transcript.
  headless::mark_set_up();
  headless::keep_printed_lines(false);
  static char command_line[] = "";
  ZIVRO_open(nullptr, nullptr, command_line, 1);
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const bool ready = opened();
  (void)ready;
  Reader in{data, size};
  while (in.size > 0) {
    const int call = in.next_int();
    const int colour = in.next_int();
    const int a = in.next_int(), b = in.next_int(), c = in.next_int(), d = in.next_int();
    ZIVRO_logging(call & 0x100);
    switch ((call & 0xFF) % 14) {
      case 0:
        ZIVRO_pixel(colour, a, b);
        break;
      case 1:
        ZIVRO_circle(colour, a, b, c % 2000);
        break;
      case 2:
        ZIVRO_triangle(colour, a, b, c, d, in.next_int(), in.next_int(), in.next_int() % 64);
        break;
      case 3:
        ZIVRO_rectangle(colour, a, b, c, d, in.next_int() % 64);
        break;
      case 4:
        ZIVRO_oval(colour, a % 5000, b % 5000, c % 5000, d % 5000, in.next_int() % 64);
        break;
      case 5:
        ZIVRO_line(colour, a, b, c, d, in.next_int() % 64);
        break;
      case 6:
        ZIVRO_text(colour, a, b, c, in.next_text().c_str());
        break;
      case 7:
        ZIVRO_textf(colour, a, b, c, "%s %d", in.next_text().c_str(), d);
        break;
      case 9:
      case 10: {
        Point points[16];
        const int count = (c & 0xFF) % 20 - 2;  // some too few, some more than the list
        for (Point& p : points) p = {in.next_int() % 5000, in.next_int() % 5000};
        if (call & 0x200) {
          ZIVRO_polygon(colour, count > 16 ? 16 : count, points, d % 64);
        } else {
          ZIVRO_polyline(colour, count > 16 ? 16 : count, points, d % 64);
        }
        break;
      }
      case 11:
        ZIVRO_round_rectangle(colour, a, b, c, d, in.next_int(), in.next_int() % 64);
        break;
      case 12:
      case 13: {
        const int start = in.next_int(), sweep = in.next_int(), width = in.next_int() % 64;
        if (call & 0x200) {
          ZIVRO_pie(colour, a % 5000, b % 5000, c % 5000, d % 5000, start, sweep, width);
        } else {
          ZIVRO_arc(colour, a % 5000, b % 5000, c % 5000, d % 5000, start, sweep, width);
        }
        break;
      }
      default:
        ZIVRO_clear();
        break;
    }
  }
  return 0;
}

#include "pictures.h"

#include "platform/headless/png_io.h"

namespace grade {
namespace {

bool read_pair(const std::string& expected, const std::string& actual, headless::Image* a,
               headless::Image* b) {
  return headless::read_png(expected, a) && headless::read_png(actual, b) && a->width == b->width &&
         a->height == b->height;
}

}  // namespace

long count_differing(const std::string& expected, const std::string& actual) {
  headless::Image a, b;
  if (!read_pair(expected, actual, &a, &b)) return -1;
  long count = 0;
  for (size_t i = 0; i < a.pixels.size(); ++i) count += a.pixels[i] != b.pixels[i];
  return count;
}

long write_difference(const std::string& expected, const std::string& actual,
                      const std::string& difference) {
  headless::Image a, b;
  if (!read_pair(expected, actual, &a, &b)) return -1;
  long count = 0;
  headless::Image diff = a;
  for (size_t i = 0; i < a.pixels.size(); ++i) {
    const bool same = a.pixels[i] == b.pixels[i];
    count += same ? 0 : 1;
    diff.pixels[i] = same ? (a.pixels[i] >> 2) & 0x3F3F3Fu : 0xFF0000u;
  }
  if (!headless::write_png(difference, diff.pixels.data(), diff.width, diff.height)) return -1;
  return count;
}

}  // namespace grade

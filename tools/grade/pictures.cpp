#include "pictures.h"

#include <png.h>

#include <cstdint>

#include "platform/portable/png_files.h"

namespace grade {
namespace {

bool read_pair(const std::string& expected, const std::string& actual,
               const std::vector<bool>& ignored, portable::Image* a, portable::Image* b) {
  return portable::read_png(expected, a) && portable::read_png(actual, b) && a->width == b->width &&
         a->height == b->height && (ignored.empty() || ignored.size() == a->pixels.size());
}

bool is_ignored(const std::vector<bool>& ignored, size_t i) {
  return !ignored.empty() && ignored[i];
}

}  // namespace

bool read_mask(const std::string& path, int width, int height, std::vector<bool>* ignored,
               std::string* why) {
  // Read with its alpha channel, which the frames' reader drops.
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_file(&image, path.c_str())) {
    *why = "not a PNG picture";
    return false;
  }
  image.format = PNG_FORMAT_RGBA;
  if (static_cast<int>(image.width) != width || static_cast<int>(image.height) != height) {
    *why = "is " + std::to_string(image.width) + "x" + std::to_string(image.height) +
           "; the frames are " + std::to_string(width) + "x" + std::to_string(height);
    png_image_free(&image);
    return false;
  }
  std::vector<uint8_t> rgba(PNG_IMAGE_SIZE(image));
  if (!png_image_finish_read(&image, nullptr, rgba.data(), 0, nullptr)) {
    *why = "not a whole PNG picture";
    return false;
  }
  ignored->assign(static_cast<size_t>(width) * static_cast<size_t>(height), false);
  for (size_t i = 0; i < ignored->size(); ++i) {
    const uint8_t* pixel = &rgba[4 * i];
    (*ignored)[i] = pixel[3] != 0 && (pixel[0] | pixel[1] | pixel[2]) != 0;
  }
  return true;
}

long count_differing(const std::string& expected, const std::string& actual,
                     const std::vector<bool>& ignored) {
  portable::Image a, b;
  if (!read_pair(expected, actual, ignored, &a, &b)) return -1;
  long count = 0;
  for (size_t i = 0; i < a.pixels.size(); ++i) {
    count += a.pixels[i] != b.pixels[i] && !is_ignored(ignored, i);
  }
  return count;
}

long write_difference(const std::string& expected, const std::string& actual,
                      const std::string& difference, const std::vector<bool>& ignored) {
  portable::Image a, b;
  if (!read_pair(expected, actual, ignored, &a, &b)) return -1;
  long count = 0;
  portable::Image diff = a;
  for (size_t i = 0; i < a.pixels.size(); ++i) {
    const uint32_t dimmed = (a.pixels[i] >> 2) & 0x3F3F3Fu;
    if (is_ignored(ignored, i)) {
      diff.pixels[i] = dimmed | 0x000080u;
      continue;
    }
    const bool same = a.pixels[i] == b.pixels[i];
    count += same ? 0 : 1;
    diff.pixels[i] = same ? dimmed : 0xFF0000u;
  }
  if (!portable::write_png(difference, diff.pixels.data(), diff.width, diff.height)) return -1;
  return count;
}

}  // namespace grade

// PNG files of 32-bit surfaces (0x00RRGGBB), written as 8-bit RGB.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace headless {

struct Image {
  int width = 0;
  int height = 0;
  std::vector<uint32_t> pixels;  // 0x00RRGGBB, rows top to bottom
};

bool write_png(const std::string& path, const uint32_t* pixels, int width, int height);
// Reads an 8-bit RGB or RGBA PNG; false if the file is missing or not one.
bool read_png(const std::string& path, Image* image);

}  // namespace headless

#include "platform/headless/png_io.h"

#include <png.h>

#include <cstdio>
#include <memory>

namespace headless {
namespace {

struct FileCloser {
  void operator()(std::FILE* file) const { std::fclose(file); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

}  // namespace

bool write_png(const std::string& path, const uint32_t* pixels, int width, int height) {
  if (!pixels || width <= 0 || height <= 0) return false;
  File file(std::fopen(path.c_str(), "wb"));
  if (!file) return false;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png ? png_create_info_struct(png) : nullptr;
  if (!info) {
    png_destroy_write_struct(&png, nullptr);
    return false;
  }
  std::vector<png_byte> row(static_cast<size_t>(width) * 3);
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    return false;
  }
  png_init_io(png, file.get());
  png_set_IHDR(png, info, static_cast<png_uint_32>(width), static_cast<png_uint_32>(height), 8,
               PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
               PNG_FILTER_TYPE_DEFAULT);
  png_write_info(png, info);
  for (int y = 0; y < height; ++y) {
    const uint32_t* in = pixels + static_cast<size_t>(y) * static_cast<size_t>(width);
    for (int x = 0; x < width; ++x) {
      row[static_cast<size_t>(x) * 3 + 0] = static_cast<png_byte>(in[x] >> 16);
      row[static_cast<size_t>(x) * 3 + 1] = static_cast<png_byte>(in[x] >> 8);
      row[static_cast<size_t>(x) * 3 + 2] = static_cast<png_byte>(in[x]);
    }
    png_write_row(png, row.data());
  }
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  return std::fflush(file.get()) == 0;
}

bool read_png(const std::string& path, Image* image) {
  File file(std::fopen(path.c_str(), "rb"));
  if (!file || !image) return false;
  png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png ? png_create_info_struct(png) : nullptr;
  if (!info) {
    png_destroy_read_struct(&png, nullptr, nullptr);
    return false;
  }
  std::vector<png_byte> row;
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_read_struct(&png, &info, nullptr);
    return false;
  }
  png_init_io(png, file.get());
  png_read_info(png, info);
  const png_uint_32 width = png_get_image_width(png, info);
  const png_uint_32 height = png_get_image_height(png, info);
  const int type = png_get_color_type(png, info);
  if (png_get_bit_depth(png, info) != 8 ||
      (type != PNG_COLOR_TYPE_RGB && type != PNG_COLOR_TYPE_RGBA) || width == 0 || height == 0 ||
      width > 16384 || height > 16384) {
    png_destroy_read_struct(&png, &info, nullptr);
    return false;
  }
  const size_t channels = type == PNG_COLOR_TYPE_RGBA ? 4 : 3;
  row.resize(width * channels);
  image->width = static_cast<int>(width);
  image->height = static_cast<int>(height);
  image->pixels.assign(static_cast<size_t>(width) * height, 0);
  for (png_uint_32 y = 0; y < height; ++y) {
    png_read_row(png, row.data(), nullptr);
    for (png_uint_32 x = 0; x < width; ++x) {
      const png_byte* p = &row[x * channels];
      image->pixels[static_cast<size_t>(y) * width + x] =
          (uint32_t{p[0]} << 16) | (uint32_t{p[1]} << 8) | p[2];
    }
  }
  png_destroy_read_struct(&png, &info, nullptr);
  return true;
}

}  // namespace headless

#include "platform/portable/png_files.h"

#include <png.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <utility>

#include "platform/platform.h"
#include "platform/portable/objects.h"

namespace portable {
namespace {

constexpr png_uint_32 kMaxSide = 16384;

struct FileCloser {
  void operator()(std::FILE* file) const { std::fclose(file); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

// The file a picture is written to before it is renamed over `path`: in the
// same directory (a rename does not cross file systems), named per process.
std::string partial_name(const std::string& path) {
  return path + ".part-" + std::to_string(static_cast<long>(getpid()));
}

// libpng's errors end in a longjmp back to the caller, which says what went
// wrong in its own words; libpng prints nothing.
void on_error(png_structp png, png_const_charp) {
  png_longjmp(png, 1);
}
void on_warning(png_structp, png_const_charp) {}

// libpng reports errors by longjmp, so the function that calls setjmp holds
// no objects of its own: the row buffer belongs to the caller.
bool encode(std::FILE* file, const uint32_t* pixels, int width, int height,
            PngCompression compression, std::vector<png_byte>* row) {
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, on_error, on_warning);
  png_infop info = png ? png_create_info_struct(png) : nullptr;
  if (!info) {
    png_destroy_write_struct(&png, nullptr);
    return false;
  }
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    return false;
  }
  png_init_io(png, file);
  // Frames are written by the hundred: the fastest deflate level and one
  // fixed filter cost a fifth of libpng's adaptive defaults, for files
  // about a third larger. The pixels are the same.
  if (compression == PngCompression::kFast) {
    png_set_compression_level(png, 1);
    png_set_filter(png, PNG_FILTER_TYPE_BASE, PNG_FILTER_SUB);
  }
  png_set_IHDR(png, info, static_cast<png_uint_32>(width), static_cast<png_uint_32>(height), 8,
               PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
               PNG_FILTER_TYPE_DEFAULT);
  png_write_info(png, info);
  for (int y = 0; y < height; ++y) {
    const uint32_t* in = pixels + static_cast<size_t>(y) * static_cast<size_t>(width);
    for (int x = 0; x < width; ++x) {
      (*row)[static_cast<size_t>(x) * 3 + 0] = static_cast<png_byte>(in[x] >> 16);
      (*row)[static_cast<size_t>(x) * 3 + 1] = static_cast<png_byte>(in[x] >> 8);
      (*row)[static_cast<size_t>(x) * 3 + 2] = static_cast<png_byte>(in[x]);
    }
    png_write_row(png, row->data());
  }
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  return true;
}

// Reads the whole picture as 8-bit RGB rows into `data` (RGBA with
// `with_alpha`), every pass of an interlaced file included; `rows` and
// `data` belong to the caller.
bool decode(std::FILE* file, bool with_alpha, png_uint_32* width, png_uint_32* height,
            std::vector<png_byte>* data, std::vector<png_bytep>* rows) {
  png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, on_error, on_warning);
  png_infop info = png ? png_create_info_struct(png) : nullptr;
  if (!info) {
    png_destroy_read_struct(&png, nullptr, nullptr);
    return false;
  }
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_read_struct(&png, &info, nullptr);
    return false;
  }
  png_init_io(png, file);
  png_read_info(png, info);
  *width = png_get_image_width(png, info);
  *height = png_get_image_height(png, info);
  if (*width == 0 || *height == 0 || *width > kMaxSide || *height > kMaxSide) {
    png_destroy_read_struct(&png, &info, nullptr);
    return false;
  }
  // Palette and low-depth grey to 8 bits, 16 bits to 8, grey to RGB, alpha
  // (also from a transparency chunk) dropped or, with_alpha, kept with an
  // opaque one added where the file has none; interlace passes combined.
  png_set_expand(png);
  png_set_strip_16(png);
  if (with_alpha) {
    png_set_add_alpha(png, 0xFF, PNG_FILLER_AFTER);
  } else {
    png_set_strip_alpha(png);
  }
  png_set_gray_to_rgb(png);
  png_set_interlace_handling(png);
  png_read_update_info(png, info);
  const size_t channels = with_alpha ? 4 : 3;
  const size_t row_bytes = png_get_rowbytes(png, info);
  if (png_get_channels(png, info) != channels || png_get_bit_depth(png, info) != 8 ||
      row_bytes != size_t{*width} * channels) {
    png_destroy_read_struct(&png, &info, nullptr);
    return false;
  }
  data->resize(row_bytes * *height);
  rows->resize(*height);
  for (png_uint_32 y = 0; y < *height; ++y) (*rows)[y] = data->data() + row_bytes * y;
  png_read_image(png, rows->data());
  png_read_end(png, nullptr);
  png_destroy_read_struct(&png, &info, nullptr);
  return true;
}

}  // namespace

std::string output_target(const std::string& path) {
  std::filesystem::path target = path;
  std::error_code error;
  // As many links as the system itself follows before it gives up.
  for (int hop = 0; hop < 40 && std::filesystem::is_symlink(target, error); ++hop) {
    const std::filesystem::path next = std::filesystem::read_symlink(target, error);
    if (error) break;
    target = next.is_absolute() ? next : target.parent_path() / next;
  }
  return target.string();
}

std::string output_refusal(const std::string& path) {
  std::error_code error;
  const auto status = std::filesystem::status(path, error);
  if (std::filesystem::is_directory(status)) return "it is a directory";
  if (std::filesystem::exists(status) && !std::filesystem::is_regular_file(status)) {
    return "not a regular file";
  }
  return {};
}

bool write_png(const std::string& name, const uint32_t* pixels, int width, int height,
               PngCompression compression) {
  if (!pixels || width <= 0 || height <= 0) return false;
  if (!output_refusal(name).empty()) {
    errno = EINVAL;
    return false;
  }
  std::error_code error;
  if (std::filesystem::is_symlink(std::filesystem::symlink_status(name, error))) {
    // The target is written in place: a rename would replace it, and for a
    // name such as /dev/stdout, take the file from under its other users.
    File file(platform::open_regular_file(name.c_str(), true));
    if (!file) return false;
    std::vector<png_byte> row(static_cast<size_t>(width) * 3);
    return encode(file.get(), pixels, width, height, compression, &row) &&
           std::fflush(file.get()) == 0 && std::fclose(file.release()) == 0;
  }
  const std::string& path = name;
  const std::string partial = partial_name(path);
  bool written = false;
  {
    File file(std::fopen(partial.c_str(), "wb"));
    if (!file) return false;
    std::vector<png_byte> row(static_cast<size_t>(width) * 3);
    written = encode(file.get(), pixels, width, height, compression, &row) &&
              std::fflush(file.get()) == 0 && std::fclose(file.release()) == 0;
  }
  if (written && std::rename(partial.c_str(), path.c_str()) == 0) return true;
  std::remove(partial.c_str());
  return false;
}

bool can_write_png(const std::string& name) {
  if (!output_refusal(name).empty()) {
    errno = EINVAL;
    return false;
  }
  // Through a link, the target's own directory must take the partial file
  // only if the target is missing; either way opening the target tells.
  const std::string target = output_target(name);
  std::error_code error;
  if (target != name && std::filesystem::exists(target, error)) {
    std::FILE* file = std::fopen(target.c_str(), "ab");
    if (!file) return false;
    std::fclose(file);
    return true;
  }
  const std::string partial = partial_name(target);
  std::FILE* file = std::fopen(partial.c_str(), "wb");
  if (!file) return false;
  std::fclose(file);
  std::remove(partial.c_str());
  return true;
}

bool read_png(const std::string& path, Image* image) {
  File file(std::fopen(path.c_str(), "rb"));
  if (!file || !image) return false;
  png_uint_32 width = 0;
  png_uint_32 height = 0;
  std::vector<png_byte> data;
  std::vector<png_bytep> rows;
  if (!decode(file.get(), false, &width, &height, &data, &rows)) return false;
  image->width = static_cast<int>(width);
  image->height = static_cast<int>(height);
  image->pixels.assign(static_cast<size_t>(width) * height, 0);
  for (size_t i = 0; i < image->pixels.size(); ++i) {
    const png_byte* p = &data[i * 3];
    image->pixels[i] = (uint32_t{p[0]} << 16) | (uint32_t{p[1]} << 8) | p[2];
  }
  return true;
}

bool read_png_rgb(const std::string& path, RgbPicture* picture) {
  File file(std::fopen(path.c_str(), "rb"));
  if (!file || !picture) return false;
  png_uint_32 width = 0;
  png_uint_32 height = 0;
  if (!decode(file.get(), false, &width, &height, &picture->bytes, &picture->rows)) return false;
  picture->width = static_cast<int>(width);
  picture->height = static_cast<int>(height);
  return true;
}

bool read_png_rgba(const std::string& path, Image* image) {
  File file(platform::open_regular_file(path.c_str(), false));
  if (!file || !image) return false;
  png_uint_32 width = 0;
  png_uint_32 height = 0;
  std::vector<png_byte> data;
  std::vector<png_bytep> rows;
  if (!decode(file.get(), true, &width, &height, &data, &rows)) return false;
  image->width = static_cast<int>(width);
  image->height = static_cast<int>(height);
  image->pixels.assign(static_cast<size_t>(width) * height, 0);
  for (size_t i = 0; i < image->pixels.size(); ++i) {
    const png_byte* p = &data[i * 4];
    image->pixels[i] =
        (uint32_t{p[3]} << 24) | (uint32_t{p[0]} << 16) | (uint32_t{p[1]} << 8) | p[2];
  }
  return true;
}

}  // namespace portable

namespace platform {

#ifndef __EMSCRIPTEN__
// The page has no files of the user's to write: it saves through the
// browser (web_layer.cpp).
bool save_context_png(DrawingContext context, const char* path) {
  const BitmapObject* bitmap = context ? context->bitmap : nullptr;
  return bitmap && path &&
         portable::write_png(path, settled_pixels(*bitmap).data(), bitmap->width, bitmap->height);
}
#endif

bool load_picture(const char* path, Picture* picture) {
  portable::Image image;
  if (!path || !picture || !portable::read_png_rgba(path, &image)) return false;
  picture->width = image.width;
  picture->height = image.height;
  picture->pixels = std::move(image.pixels);
  return true;
}

}  // namespace platform

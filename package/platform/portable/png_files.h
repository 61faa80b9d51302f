// PNG files of 32-bit surfaces (0x00RRGGBB), written as 8-bit RGB, and
// pictures read for drawing.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/layer_only.h"

namespace portable {

struct Image {
  int width = 0;
  int height = 0;
  std::vector<uint32_t> pixels;  // 0x00RRGGBB, rows top to bottom
};

// Every output file of the runner follows one rule: it is written where the
// name leads. A symbolic link is followed to its final target, which is
// written in place (created if missing) while the link stays; a name that
// leads to anything but a regular file (a directory, a device, a FIFO, a
// socket) is never written.
//
// The final target of an output name: the name itself unless it is a
// symbolic link. A link loop leaves the last name reached.
std::string output_target(const std::string& path);
// Empty when an output may be written at path (nothing there yet, or a
// regular file), else why not: "it is a directory" or "not a regular file".
std::string output_refusal(const std::string& path);

// How a picture is compressed: as the runner writes every picture (the
// fastest deflate level, one fixed filter), or with libpng's own defaults
// (level 6, a filter chosen per row), which the benchmarks compare it with.
enum class PngCompression { kFast, kLibpngDefaults };

// Writes beside the file and renames over it, so a file already there is
// replaced only by a complete picture; through a link, writes the target in
// place.
bool write_png(const std::string& path, const uint32_t* pixels, int width, int height,
               PngCompression compression = PngCompression::kFast);
// Whether write_png could write there: makes and removes the file it writes
// first. On false, errno says why.
bool can_write_png(const std::string& path);
// Reads any PNG (palette, grey, 1 to 16 bits, alpha, interlaced) as 8-bit
// RGB, alpha dropped; false if the file is missing or not a PNG.
bool read_png(const std::string& path, Image* image);
// 8-bit RGB bytes, three a pixel, rows top to bottom, in storage that is
// kept from one read to the next.
struct RgbPicture {
  int width = 0;
  int height = 0;
  std::vector<uint8_t> bytes;
  std::vector<uint8_t*> rows;
};
// Reads as read_png does, into `picture`, reusing its storage.
bool read_png_rgb(const std::string& path, RgbPicture* picture);
// The same as 8-bit RGBA: pixels 0xAARRGGBB, alpha not premultiplied (255
// where the file has none). Reads regular files only, so a name that leads
// to a FIFO or a device never blocks.
bool read_png_rgba(const std::string& path, Image* image);

}  // namespace portable

// Reading expected pictures: every kind of PNG a tool may write reads as the
// same 8-bit RGB pixels, and a failed write leaves the old file in place.
#include "platform/portable/png_files.h"

#include <gtest/gtest.h>
#include <png.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>

namespace {

constexpr int kWidth = 9;  // odd sizes, so every interlace pass is partial
constexpr int kHeight = 7;

// The picture of each case, as 0x00RRGGBB; grey cases get grey pixels.
uint32_t pixel(int colour_type, int depth, int x, int y) {
  if (colour_type & PNG_COLOR_MASK_COLOR) {
    return (uint32_t(x * 29) << 16) | (uint32_t(y * 37) << 8) | uint32_t((x * y * 7) & 0xFF);
  }
  const uint32_t grey = depth == 1 ? ((x + y) & 1) * 255u : uint32_t((x * 31 + y * 5) & 0xFF);
  return grey * 0x010101u;
}

// A PNG of the case, written with libpng itself; palette entry i is pixel i.
void write_case(const std::string& path, int colour_type, int depth, int interlace) {
  std::FILE* file = std::fopen(path.c_str(), "wb");
  ASSERT_TRUE(file);
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  png_init_io(png, file);
  png_set_IHDR(png, info, kWidth, kHeight, depth, colour_type, interlace,
               PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  std::vector<png_color> palette;
  if (colour_type == PNG_COLOR_TYPE_PALETTE) {
    for (int i = 0; i < kWidth * kHeight; ++i) {
      const uint32_t p = pixel(PNG_COLOR_TYPE_RGB, 8, i % kWidth, i / kWidth);
      palette.push_back({png_byte(p >> 16), png_byte(p >> 8), png_byte(p)});
    }
    png_set_PLTE(png, info, palette.data(), static_cast<int>(palette.size()));
    png_byte transparency[2] = {0, 128};  // the reader drops alpha, whatever its source
    png_set_tRNS(png, info, transparency, 2, nullptr);
  }
  png_write_info(png, info);
  png_set_packing(png);  // depths below 8: one sample per byte here
  const int channels = png_get_channels(png, info);
  const int bytes = depth == 16 ? 2 : 1;
  std::vector<std::vector<png_byte>> rows(kHeight);
  for (int y = 0; y < kHeight; ++y) {
    for (int x = 0; x < kWidth; ++x) {
      const uint32_t p = pixel(colour_type, depth, x, y);
      std::vector<int> samples;
      if (colour_type == PNG_COLOR_TYPE_PALETTE) {
        samples = {y * kWidth + x};
      } else if (colour_type & PNG_COLOR_MASK_COLOR) {
        samples = {int(p >> 16), int((p >> 8) & 0xFF), int(p & 0xFF)};
      } else {
        samples = {depth == 1 ? int(p & 1) : int(p & 0xFF)};
      }
      if (colour_type & PNG_COLOR_MASK_ALPHA) samples.push_back(200);
      ASSERT_EQ(static_cast<int>(samples.size()), channels);
      for (int sample : samples) {
        if (bytes == 2) rows[y].push_back(png_byte(sample));  // high byte; low byte = same
        rows[y].push_back(png_byte(sample));
      }
    }
  }
  std::vector<png_bytep> pointers;
  for (auto& row : rows) pointers.push_back(row.data());
  png_write_image(png, pointers.data());
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  std::fclose(file);
}

std::filesystem::path scratch(const char* name) {
  return std::filesystem::temp_directory_path() / (std::string("zivro-png-") + name);
}

TEST(PngIo, EveryKindOfPngReadsAsTheSameRgbPixels) {
  const struct {
    const char* name;
    int colour_type;
    int depth;
  } kinds[] = {{"rgb", PNG_COLOR_TYPE_RGB, 8},         {"rgba", PNG_COLOR_TYPE_RGBA, 8},
               {"rgb16", PNG_COLOR_TYPE_RGB, 16},      {"rgba16", PNG_COLOR_TYPE_RGBA, 16},
               {"palette", PNG_COLOR_TYPE_PALETTE, 8}, {"grey", PNG_COLOR_TYPE_GRAY, 8},
               {"grey1", PNG_COLOR_TYPE_GRAY, 1},      {"grey16", PNG_COLOR_TYPE_GRAY, 16},
               {"grey_alpha", PNG_COLOR_TYPE_GA, 8}};
  const std::string path = scratch("case.png");
  for (const auto& kind : kinds) {
    for (int interlace : {PNG_INTERLACE_NONE, PNG_INTERLACE_ADAM7}) {
      SCOPED_TRACE(std::string(kind.name) + (interlace ? " interlaced" : ""));
      write_case(path, kind.colour_type, kind.depth, interlace);
      portable::Image image;
      ASSERT_TRUE(portable::read_png(path, &image));
      ASSERT_EQ(image.width, kWidth);
      ASSERT_EQ(image.height, kHeight);
      int wrong = 0;
      for (int y = 0; y < kHeight; ++y) {
        for (int x = 0; x < kWidth; ++x) {
          const int type =
              kind.colour_type == PNG_COLOR_TYPE_PALETTE ? PNG_COLOR_TYPE_RGB : kind.colour_type;
          wrong += image.pixels[y * kWidth + x] != pixel(type, kind.depth, x, y);
        }
      }
      EXPECT_EQ(wrong, 0);
    }
  }
  std::ofstream(path, std::ios::binary) << "not a picture";
  portable::Image image;
  EXPECT_FALSE(portable::read_png(path, &image));
  std::filesystem::remove(path);
}

// The same kinds read for drawing keep their alpha: 200 in the files that
// have an alpha channel, the palette's transparency entries, else opaque.
TEST(PngIo, EveryKindOfPngReadsAsRgbaWithItsAlpha) {
  const struct {
    const char* name;
    int colour_type;
    int depth;
  } kinds[] = {{"rgb16", PNG_COLOR_TYPE_RGB, 16},   {"rgba", PNG_COLOR_TYPE_RGBA, 8},
               {"rgba16", PNG_COLOR_TYPE_RGBA, 16}, {"palette", PNG_COLOR_TYPE_PALETTE, 8},
               {"grey1", PNG_COLOR_TYPE_GRAY, 1},   {"grey_alpha", PNG_COLOR_TYPE_GA, 8}};
  const std::string path = scratch("case-rgba.png");
  for (const auto& kind : kinds) {
    for (int interlace : {PNG_INTERLACE_NONE, PNG_INTERLACE_ADAM7}) {
      SCOPED_TRACE(std::string(kind.name) + (interlace ? " interlaced" : ""));
      write_case(path, kind.colour_type, kind.depth, interlace);
      portable::Image image;
      ASSERT_TRUE(portable::read_png_rgba(path, &image));
      ASSERT_EQ(image.width, kWidth);
      ASSERT_EQ(image.height, kHeight);
      int wrong = 0;
      for (int y = 0; y < kHeight; ++y) {
        for (int x = 0; x < kWidth; ++x) {
          const bool palette = kind.colour_type == PNG_COLOR_TYPE_PALETTE;
          const int index = y * kWidth + x;
          const uint32_t alpha = (kind.colour_type & PNG_COLOR_MASK_ALPHA) ? 200
                                 : palette && index < 2                    ? index * 128
                                                                           : 255;
          const uint32_t rgb =
              pixel(palette ? PNG_COLOR_TYPE_RGB : kind.colour_type, kind.depth, x, y);
          wrong += image.pixels[index] != ((alpha << 24) | rgb);
        }
      }
      EXPECT_EQ(wrong, 0);
    }
  }
  std::filesystem::remove(path);
  portable::Image image;
  EXPECT_FALSE(portable::read_png_rgba(path, &image));
}

TEST(PngIo, AFailedWriteLeavesTheOldFile) {
  const std::filesystem::path directory = scratch("dir");
  std::filesystem::create_directories(directory);
  const std::string path = (directory / "out.png").string();
  std::ofstream(path) << "old";
  const uint32_t pixels[2] = {0xFF0000u, 0x00FF00u};
  EXPECT_FALSE(portable::write_png(path, pixels, 0, 1));
  EXPECT_FALSE(portable::write_png(path + "/inside", pixels, 2, 1));
  std::ifstream in(path);
  EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), "old");
  ASSERT_TRUE(portable::write_png(path, pixels, 2, 1));
  portable::Image image;
  ASSERT_TRUE(portable::read_png(path, &image));
  EXPECT_EQ(image.pixels, (std::vector<uint32_t>{0xFF0000u, 0x00FF00u}));
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(directory), {}), 1)
      << "no partial file is left beside it";
  std::filesystem::remove_all(directory);
}

}  // namespace

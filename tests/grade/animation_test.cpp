// zivro-grade's animation of two runs: each side the mean of every block of
// the picture, for any shrinking factor, and a reference picture written
// anew under the same name shown anew.
#include "animation.h"

#include <gtest/gtest.h>
#include <webp/demux.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#include "platform/portable/png_files.h"

namespace {
namespace fs = std::filesystem;

std::vector<uint32_t> noise(int width, int height, unsigned seed) {
  std::mt19937 random(seed);
  std::vector<uint32_t> pixels(static_cast<size_t>(width) * height);
  for (uint32_t& pixel : pixels) pixel = random() & 0xFFFFFFu;
  return pixels;
}

// The first frame of the animation, RGBA.
std::vector<uint8_t> first_frame(const std::string& path, int* width, int* height) {
  std::ifstream file(path, std::ios::binary);
  const std::string bytes{std::istreambuf_iterator<char>(file), {}};
  WebPData data{reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()};
  WebPAnimDecoderOptions options;
  WebPAnimDecoderOptionsInit(&options);
  options.color_mode = MODE_RGBA;
  WebPAnimDecoder* decoder = WebPAnimDecoderNew(&data, &options);
  if (!decoder) return {};
  WebPAnimInfo info;
  uint8_t* frame = nullptr;
  int timestamp = 0;
  std::vector<uint8_t> rgba;
  if (WebPAnimDecoderGetInfo(decoder, &info) &&
      WebPAnimDecoderGetNext(decoder, &frame, &timestamp)) {
    *width = static_cast<int>(info.canvas_width);
    *height = static_cast<int>(info.canvas_height);
    rgba.assign(frame, frame + size_t{info.canvas_width} * info.canvas_height * 4);
  }
  WebPAnimDecoderDelete(decoder);
  return rgba;
}

// The side at `left` of the canvas against the block means of `pixels`.
void expect_side(const std::vector<uint8_t>& canvas, int canvas_width, int left,
                 const std::vector<uint32_t>& pixels, int width, int factor, int side_width,
                 int side_height, const std::string& what) {
  for (int y = 0; y < side_height; ++y) {
    for (int x = 0; x < side_width; ++x) {
      for (int c = 0; c < 3; ++c) {
        unsigned sum = 0;
        for (int dy = 0; dy < factor; ++dy) {
          for (int dx = 0; dx < factor; ++dx) {
            const uint32_t pixel =
                pixels[static_cast<size_t>(y * factor + dy) * width + x * factor + dx];
            sum += (pixel >> (16 - 8 * c)) & 0xFF;
          }
        }
        const uint8_t got = canvas[(static_cast<size_t>(y) * canvas_width + left + x) * 4 + c];
        ASSERT_EQ(got, sum / (factor * factor)) << what << " at " << x << "," << y << " " << c;
      }
    }
  }
}

TEST(GradeAnimation, EachSideIsTheMeanOfItsBlocks) {
  const fs::path dir = fs::path(testing::TempDir()) / "grade_animation_test";
  fs::remove_all(dir);
  fs::create_directories(dir);
  struct Case {
    int width, height, factor;
  };
  // Factors with their own paths (1 to 4) and the general one; sides that
  // leave columns and rows over.
  const Case cases[] = {{320, 40, 1}, {640, 48, 2}, {643, 37, 3}, {961, 30, 4}, {1700, 26, 6}};
  unsigned seed = 1;
  for (const Case& test : cases) {
    const std::string what = std::to_string(test.width) + "x" + std::to_string(test.height);
    const std::string expected = (dir / (what + "-expected.png")).string();
    const std::string actual = (dir / (what + "-actual.png")).string();
    const std::string animation = (dir / (what + ".webp")).string();
    // The expected picture is shown twice, written anew in between: the
    // second animation shows the new picture.
    for (int round = 0; round < 2; ++round) {
      const std::vector<uint32_t> left = noise(test.width, test.height, seed++);
      const std::vector<uint32_t> right = noise(test.width, test.height, seed++);
      ASSERT_TRUE(portable::write_png(expected, left.data(), test.width, test.height));
      ASSERT_TRUE(portable::write_png(actual, right.data(), test.width, test.height));
      grade::ShownFrame frame;
      frame.frame = 1;
      frame.expected = expected;
      frame.actual = actual;
      grade::AnimationSize size;
      std::string error;
      ASSERT_TRUE(grade::write_animation({frame, frame}, animation, 100, &size, &error)) << error;
      const int side_width = test.width / test.factor, side_height = test.height / test.factor;
      EXPECT_EQ(size.width, 2 * side_width + 4) << what;
      EXPECT_EQ(size.height, side_height) << what;
      int width = 0, height = 0;
      const std::vector<uint8_t> canvas = first_frame(animation, &width, &height);
      ASSERT_EQ(width, size.width) << what;
      ASSERT_EQ(height, size.height) << what;
      expect_side(canvas, width, 0, left, test.width, test.factor, side_width, side_height,
                  what + " expected, round " + std::to_string(round));
      expect_side(canvas, width, side_width + 4, right, test.width, test.factor, side_width,
                  side_height, what + " actual, round " + std::to_string(round));
    }
  }
  fs::remove_all(dir);
}

}  // namespace

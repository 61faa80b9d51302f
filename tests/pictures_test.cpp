// Pictures on the canvas: the blend on known pixels, placement and clipping
// in package coordinates, the cache, the warnings and the log sentence, and
// one golden canvas.
#include "platform/raster/pictures.h"

#include <png.h>

#include <climits>
#include <cstdio>
#include <filesystem>

#include "package_fixture.h"
#include "platform/portable/objects.h"
#include "platform/portable/png_files.h"

namespace {

// An 8-bit RGBA PNG of pixels 0xAARRGGBB, written with libpng itself.
void write_rgba(const std::string& path, const std::vector<uint32_t>& pixels, int width) {
  const int height = static_cast<int>(pixels.size()) / width;
  std::FILE* file = std::fopen(path.c_str(), "wb");
  ASSERT_TRUE(file);
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  png_init_io(png, file);
  png_set_IHDR(png, info, width, height, 8, PNG_COLOR_TYPE_RGBA, PNG_INTERLACE_NONE,
               PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  png_write_info(png, info);
  std::vector<png_byte> row;
  for (int y = 0; y < height; ++y) {
    row.clear();
    for (int x = 0; x < width; ++x) {
      const uint32_t p = pixels[static_cast<size_t>(y * width + x)];
      row.insert(row.end(), {png_byte(p >> 16), png_byte(p >> 8), png_byte(p), png_byte(p >> 24)});
    }
    png_write_row(png, row.data());
  }
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  std::fclose(file);
}

TEST(Blend, KnownPixels) {
  const struct {
    uint32_t picture, canvas, out;
  } cases[] = {
      {0xFF102030u, 0x00ABCDEFu, 0x102030u},  // opaque: the picture
      {0x00102030u, 0x00ABCDEFu, 0xABCDEFu},  // transparent: the canvas
      {0x80FF0000u, 0x000000FFu, 0x80007Fu},  // half: 32767/255 and 32512/255 rounded
      {0x80FFFFFFu, 0x00000000u, 0x808080u},
      {0x01FFFFFFu, 0x00000000u, 0x010101u},  // 382/255 rounds up
      {0xFE000000u, 0x00FFFFFFu, 0x010101u},
      {0x40C8641Eu, 0x00325A82u, 0x585D69u},  // (c*64 + d*191 + 127) / 255 per channel
  };
  for (const auto& c : cases) {
    EXPECT_EQ(raster::blend_pixel(c.picture, c.canvas), c.out) << std::hex << c.picture;
  }
}

TEST(Blend, ClippedToTheSurfaceAnywhere) {
  std::vector<uint32_t> pixels(4 * 3, 0x111111u);
  const raster::Surface surface{pixels.data(), 4, 3};
  const std::vector<uint32_t> picture = {0xFFAA0000u, 0xFFBB0000u, 0xFFCC0000u, 0xFFDD0000u};
  raster::blend_picture(surface, -1, -1, picture.data(), 2, 2);  // its last pixel only
  raster::blend_picture(surface, 3, 2, picture.data(), 2, 2);    // its first pixel only
  for (int x : {INT_MIN, INT_MAX - 1, -2}) {
    for (int y : {INT_MIN, INT_MAX - 1, -2})
      raster::blend_picture(surface, x, y, picture.data(), 2, 2);
  }
  EXPECT_EQ(pixels, (std::vector<uint32_t>{0xDD0000u, 0x111111u, 0x111111u, 0x111111u,  //
                                           0x111111u, 0x111111u, 0x111111u, 0x111111u,  //
                                           0x111111u, 0x111111u, 0x111111u, 0xAA0000u}));
}

class Pictures : public PackageTest {
 protected:
  void SetUp() override {
    PackageTest::SetUp();
    open();
    ZIVRO_logging(0);
    ZIVRO_clear();
  }
  const platform::BitmapObject& canvas() { return *canvas_context()->bitmap; }
  // The canvas pixel under package point (x, y).
  uint32_t at(int x, int y) {
    return settled_pixels(
        canvas())[static_cast<size_t>((origin_y() - y) * canvas().width + origin_x() + x)];
  }
  std::vector<std::string> printed_since(size_t count) {
    const auto& lines = headless::printed_lines();
    return {lines.begin() + static_cast<ptrdiff_t>(count), lines.end()};
  }
};

// The picture hangs right and down from its package point; read once, it
// draws from the cache after its file is gone.
TEST_F(Pictures, PlacedAtItsUpperLeftAndKeptAfterTheFileIsGone) {
  write_rgba("sprite.png",
             {0xFFFF0000u, 0x80000000u, 0x00123456u,  //
              0xFF0000FFu, 0xFF00FF00u, 0x40FFFFFFu},
             3);
  int width = 0, height = 0;
  EXPECT_EQ(ZIVRO_image_size("sprite.png", &width, &height), 1);
  EXPECT_EQ(width, 3);
  EXPECT_EQ(height, 2);
  EXPECT_EQ(ZIVRO_image("sprite.png", 10, 20), 1);
  EXPECT_EQ(at(10, 20), 0xFF0000u);
  EXPECT_EQ(at(11, 20), 0x7F7F7Fu);  // black at 128 over white: 32640/255 + rounding
  EXPECT_EQ(at(12, 20), 0xFFFFFFu);
  EXPECT_EQ(at(10, 19), 0x0000FFu);
  EXPECT_EQ(at(11, 19), 0x00FF00u);
  EXPECT_EQ(at(12, 19), 0xFFFFFFu);
  EXPECT_EQ(at(9, 20), 0xFFFFFFu);
  EXPECT_EQ(at(10, 21), 0xFFFFFFu);
  EXPECT_EQ(at(10, 18), 0xFFFFFFu);

  std::filesystem::remove("sprite.png");
  const size_t before = headless::printed_lines().size();
  EXPECT_EQ(ZIVRO_image("sprite.png", -100, -100), 1);
  EXPECT_EQ(at(-100, -100), 0xFF0000u);
  EXPECT_EQ(ZIVRO_image_size("sprite.png", nullptr, &height), 1);
  EXPECT_TRUE(printed_since(before).empty());

  // Over the canvas's upper-left corner: only what lands on it is drawn.
  ZIVRO_image("sprite.png", -origin_x() - 1, origin_y() + 1);
  EXPECT_EQ(settled_pixels(canvas())[0], 0x00FF00u);
  EXPECT_EQ(settled_pixels(canvas())[1], 0x404040u);  // white at 64 over the black frame
  ZIVRO_image("sprite.png", INT_MAX, INT_MIN);
  ZIVRO_image("sprite.png", INT_MIN, INT_MAX);
}

// A file that cannot be read draws nothing and is reported once; the log
// names the picture and its point.
TEST_F(Pictures, UnreadableFilesWarnOnceAndTheLogNamesThePicture) {
  std::FILE* text = std::fopen("text.png", "wb");
  std::fputs("not a picture", text);
  std::fclose(text);
  write_rgba("dot.png", {0xFF000000u}, 1);
  const std::vector<uint32_t> blank = settled_pixels(canvas());
  const size_t before = headless::printed_lines().size();
  int width = 7;
  EXPECT_EQ(ZIVRO_image_size("missing.png", &width, nullptr), 0);
  EXPECT_EQ(ZIVRO_image_size(nullptr, &width, nullptr), 0);
  EXPECT_EQ(width, 7);
  EXPECT_EQ(ZIVRO_image("missing.png", 0, 0), 1);
  EXPECT_EQ(ZIVRO_image("missing.png", 5, 5), 1);
  EXPECT_EQ(ZIVRO_image("text.png", 0, 0), 1);
  EXPECT_EQ(ZIVRO_image(".", 0, 0), 1);
  EXPECT_EQ(ZIVRO_image(nullptr, 0, 0), 1);
  EXPECT_TRUE(settled_pixels(canvas()) == blank);
  ZIVRO_logging(1);
  ZIVRO_image("dot.png", 10, -20);
  ZIVRO_image("text.png", 1, 2);
  EXPECT_EQ(
      printed_since(before),
      (std::vector<std::string>{
          "Cannot read picture \"missing.png\"; nothing drawn\n",
          "Cannot read picture \"text.png\"; nothing drawn\n",
          "Cannot read picture \".\"; nothing drawn\n", "Cannot read picture \"\"; nothing drawn\n",
          "picture \"dot.png\" at (10,-20)\n", "picture \"text.png\" at (1,2)\n"}));
  EXPECT_EQ(at(10, -20), 0x000000u);
}

// A sprite of every kind of pixel, drawn over shapes and across the canvas's
// edges, against the golden canvas (a failing run writes the actual canvas
// into golden-out/).
TEST_F(Pictures, SpritesOverShapesMatchTheGoldenCanvas) {
  std::vector<uint32_t> sprite;
  for (int y = 0; y < 24; ++y) {
    for (int x = 0; x < 32; ++x) {
      const uint32_t alpha = static_cast<uint32_t>(x * 8 + (y & 7));
      sprite.push_back((alpha << 24) | (uint32_t(y * 10) << 16) | (uint32_t(255 - x * 8) << 8) |
                       uint32_t((x * y) & 0xFF));
    }
  }
  write_rgba("sprite.png", sprite, 32);
  ZIVRO_rectangle(ZIVRO_BLUE, -200, 100, 0, -100, 0);
  ZIVRO_circle(ZIVRO_YELLOW, 100, 0, 60);
  ZIVRO_text(ZIVRO_BLACK, -250, 200, 24, "pictures");
  for (int i = 0; i < 8; ++i) ZIVRO_image("sprite.png", -220 + i * 40, 10 + i * 5);
  ZIVRO_image("sprite.png", -origin_x() - 10, origin_y() + 10);
  ZIVRO_image("sprite.png", 300 - 20, -250 + 10);

  const std::filesystem::path golden = std::filesystem::path(ZIVRO_GOLDEN_DIR) / "pictures.png";
  portable::Image expected;
  const bool same = portable::read_png(golden.string(), &expected) &&
                    expected.width == canvas().width && expected.pixels == settled_pixels(canvas());
  if (!same) {
    const std::filesystem::path out = ZIVRO_GOLDEN_OUT;
    std::filesystem::create_directories(out);
    portable::write_png((out / "pictures.actual.png").string(), settled_pixels(canvas()).data(),
                        canvas().width, canvas().height);
    ADD_FAILURE() << "the canvas differs from " << golden.string() << "; see " << out.string();
  }
}

}  // namespace

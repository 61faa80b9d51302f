// Chosen frames of the game compared pixel for pixel with the images in
// tests/golden, each made by the runner from the script beside it. A failing
// comparison writes the actual image and a difference image (changed pixels
// red on a dimmed copy of the golden one) into golden-out/ of the build.
#include <filesystem>

#include "cargame.h"
#include "package_fixture.h"
#include "platform/portable/objects.h"
#include "platform/portable/png_files.h"

namespace {

class Golden : public PackageTest, public ::testing::WithParamInterface<const char*> {};

portable::Image difference(const portable::Image& expected, const platform::BitmapObject& actual) {
  portable::Image diff{actual.width, actual.height, settled_pixels(actual)};
  for (size_t i = 0; i < diff.pixels.size(); ++i) {
    const uint32_t want = i < expected.pixels.size() ? expected.pixels[i] : 0;
    diff.pixels[i] = want == settled_pixels(actual)[i] ? (want >> 2) & 0x3F3F3F : 0xFF0000;
  }
  return diff;
}

TEST_P(Golden, FrameMatchesItsImage) {
  const std::string name = GetParam();
  const std::filesystem::path golden_dir = ZIVRO_GOLDEN_DIR;
  play_from_open((golden_dir / (name + ".scr")).string());
  static char command_line[] = "";
  ASSERT_EQ(run_cargame(nullptr, nullptr, command_line, SW_SHOWNORMAL), 0);

  const platform::BitmapObject& canvas = *canvas_context()->bitmap;
  portable::Image expected;
  ASSERT_TRUE(portable::read_png((golden_dir / (name + ".png")).string(), &expected)) << name;
  const bool same = expected.width == canvas.width && expected.height == canvas.height &&
                    expected.pixels == settled_pixels(canvas);
  if (!same) {
    const std::filesystem::path out = std::filesystem::path(ZIVRO_GOLDEN_OUT);
    std::filesystem::create_directories(out);
    portable::write_png((out / (name + ".actual.png")).string(), settled_pixels(canvas).data(),
                        canvas.width, canvas.height);
    const portable::Image diff = difference(expected, canvas);
    portable::write_png((out / (name + ".diff.png")).string(), diff.pixels.data(), diff.width,
                        diff.height);
    ADD_FAILURE() << name << " differs from its golden image; see " << out.string();
  }
}

INSTANTIATE_TEST_SUITE_P(Frames, Golden,
                         ::testing::Values("first_frame", "night_beam", "chase_lights",
                                           "ticket_payee", "confiscation"));

}  // namespace

// Presents on the headless layer when the main window's surface is not kept:
// the canvas is still seen as presented, and nothing else changes.
#include "package_fixture.h"
#include "platform/portable/objects.h"
#include "platform/portable/png_files.h"

namespace {

class HeadlessPresent : public PackageTest {};

TEST_F(HeadlessPresent, WithoutTheMainSurfaceEveryPresentStillCounts) {
  headless::keep_main_window_surface(false);
  open();
  platform::Window graphics = graphics_window();
  const std::vector<uint32_t> before = settled_pixels(graphics->surface);
  ZIVRO_clear();
  present_canvas();
  graphics_window_proc(graphics, WM_PAINT, 0, 0);
  EXPECT_EQ(headless::present_count(graphics), 2);
  EXPECT_FALSE(canvas_dirty());
  EXPECT_EQ(settled_pixels(graphics->surface), before);  // no copy made
  std::vector<uint32_t> pixels;
  int width = 0;
  int height = 0;
  ASSERT_TRUE(headless::presented_pixels(&pixels, &width, &height));
  EXPECT_EQ(pixels, settled_pixels(*canvas_context()->bitmap));
  EXPECT_EQ(width, 601);
  EXPECT_EQ(height, 540);
}

TEST_F(HeadlessPresent, TheFramesDirectoryGetsEachPresentedCanvas) {
  headless::keep_main_window_surface(false);
  headless::set_frames_directory(directory_.string());
  open();
  ZIVRO_clear();
  present_canvas();
  ZIVRO_rectangle(ZIVRO_RED, -10, -10, 10, 10, 0);
  present_canvas();
  ASSERT_TRUE(headless::frames_written_ok());
  portable::Image first;
  portable::Image second;
  ASSERT_TRUE(portable::read_png((directory_ / "000001.png").string(), &first));
  ASSERT_TRUE(portable::read_png((directory_ / "000002.png").string(), &second));
  EXPECT_NE(first.pixels, second.pixels);
  EXPECT_EQ(second.pixels, settled_pixels(*canvas_context()->bitmap));
}

TEST_F(HeadlessPresent, AResetKeepsTheMainSurfaceAgain) {
  headless::keep_main_window_surface(false);
  reset_package();
  open();
  ZIVRO_clear();
  present_canvas();
  EXPECT_EQ(settled_pixels(graphics_window()->surface)[1 + 595], 0xFFFFFFu);
}

}  // namespace

// Opening the package: windows, canvas, origin, timer, presenting.
#include <fstream>

#include "package_fixture.h"
#include "platform/portable/objects.h"

namespace {

class Windows : public PackageTest {};

TEST_F(Windows, OpenCreatesBothWindowsWithTheirGeometry) {
  open();
  platform::Window graphics = graphics_window();
  platform::Window text = text_window();
  ASSERT_NE(graphics, nullptr);
  ASSERT_NE(text, nullptr);
  EXPECT_EQ(graphics->title, "ZIVRO Graphics");
  EXPECT_EQ(graphics->class_name, "DrawWndClass");
  EXPECT_EQ(graphics->style, WS_CAPTION | WS_SYSMENU);
  EXPECT_EQ(graphics->width, 601);
  EXPECT_EQ(graphics->height, 540);
  EXPECT_EQ(graphics->client.width, 595);
  EXPECT_EQ(graphics->client.height, 501);
  EXPECT_EQ(origin_x(), 297);
  EXPECT_EQ(origin_y(), 250);
  EXPECT_EQ(text->title, "ZIVRO Text");
  EXPECT_EQ(text->class_name, "TextWndClass");
  EXPECT_EQ(text->style, WS_OVERLAPPEDWINDOW);
  // A 1024 x 768 screen: the bottom third.
  EXPECT_EQ(text->x, 0);
  EXPECT_EQ(text->y, 513);
  EXPECT_EQ(text->width, 1024);
  EXPECT_EQ(text->height, 256);
  EXPECT_TRUE(graphics->visible && text->visible);
}

TEST_F(Windows, SizeMessageSetsTheOriginFromTheClientRectangle) {
  open();
  platform::Window graphics = graphics_window();
  graphics->client = {0, 0};
  graphics_window_proc(graphics, WM_SIZE, 0, 0);
  EXPECT_EQ(origin_x(), 0);
  EXPECT_EQ(origin_y(), 0);
  graphics->client = {7, 9};
  graphics_window_proc(graphics, WM_SIZE, 0, 0);
  EXPECT_EQ(origin_x(), 3);
  EXPECT_EQ(origin_y(), 4);
}

TEST_F(Windows, ClearPaintsTheCanvasWhiteInABlackFrame) {
  open();
  ZIVRO_clear();
  EXPECT_TRUE(canvas_dirty());
  const platform::BitmapObject& canvas = *canvas_context()->bitmap;
  ASSERT_EQ(canvas.width, 601);
  ASSERT_EQ(canvas.height, 540);
  auto at = [&](int x, int y) { return settled_pixels(canvas)[static_cast<size_t>(y * 601 + x)]; };
  for (int x : {0, 600}) {
    for (int y : {0, 1, 270, 539}) EXPECT_EQ(at(x, y), 0u) << x << "," << y;
  }
  EXPECT_EQ(at(300, 0), 0u);
  EXPECT_EQ(at(300, 539), 0u);
  EXPECT_EQ(at(1, 1), 0xFFFFFFu);
  EXPECT_EQ(at(599, 538), 0xFFFFFFu);
}

TEST_F(Windows, PresentCopiesTheVisiblePartAndPaintAlwaysCopies) {
  open();
  ZIVRO_clear();
  platform::Window graphics = graphics_window();
  present_canvas();
  EXPECT_FALSE(canvas_dirty());
  EXPECT_EQ(headless::present_count(graphics), 1);
  EXPECT_EQ(settled_pixels(graphics->surface)[0], 0u);
  EXPECT_EQ(settled_pixels(graphics->surface)[1 + 595], 0xFFFFFFu);
  // Paint copies even when nothing changed, and leaves the flag clear.
  graphics_window_proc(graphics, WM_PAINT, 0, 0);
  EXPECT_EQ(headless::present_count(graphics), 2);
  EXPECT_FALSE(canvas_dirty());
}

TEST_F(Windows, CloseEndsAScriptInProgress) {
  open();
  headless::post_input(headless::menu_command(kCommandRecord));
  headless::post_input(headless::typed('a'));
  wait_event();
  EXPECT_EQ(ZIVRO_close(), 1);
  // A closed script file is opened afresh, and emptied, by the next line.
  script_write_event(ZIVRO_KBD, 0, 0, 'c');
  script_close();
  std::ifstream in(kScriptFileName, std::ios::binary);
  std::string content((std::istreambuf_iterator<char>(in)), {});
  EXPECT_EQ(content, "ZIVRO_KBD(99);\r\n");
}

TEST_F(Windows, ClosingTheTextWindowLeavesTheRunGoing) {
  open();
  headless::post_input(headless::to(text_window(), headless::close_window()));
  headless::post_input(headless::typed('a'));
  EXPECT_EQ(wait_event().kind, ZIVRO_KBD);
  EXPECT_TRUE(text_window()->destroyed);
  // Lines are still kept, though nothing shows them.
  ZIVRO_printf("after\n");
  EXPECT_EQ(*log_ring_line(0), "after\n");
}

}  // namespace

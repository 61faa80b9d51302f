// ZIVRO_gets: the dialog's template, byte for byte where it matters, and the
// answer it returns.
#include "text/line_input.h"

#include <cstring>

#include "package_fixture.h"
#include "platform/portable/dialog_template.h"
#include "platform/portable/objects.h"

namespace {

class LineInput : public PackageTest {
 protected:
  void SetUp() override {
    PackageTest::SetUp();
    open();
  }
};

TEST(LineInputTemplate, LayoutIdsAndStyles) {
  uint8_t bytes[kLineInputTemplateSize];
  build_line_input_template("Name?", bytes);
  portable::DialogLayout layout;
  ASSERT_TRUE(portable::parse_dialog_template(bytes, sizeof bytes, &layout));
  EXPECT_EQ(layout.style, 0x90C80080u);
  EXPECT_EQ(layout.caption, "ZIVRO_gets");
  EXPECT_EQ(layout.x, 50);
  EXPECT_EQ(layout.width, 185);
  EXPECT_EQ(layout.height, 92);
  ASSERT_EQ(layout.controls.size(), 3u);
  const portable::DialogControl& edit = layout.controls[0];
  EXPECT_EQ(edit.kind, portable::ControlKind::kEdit);
  EXPECT_EQ(edit.id, 102);
  EXPECT_EQ(edit.style, 0x50810044u);
  EXPECT_EQ((std::vector<int>{edit.x, edit.y, edit.width, edit.height}),
            (std::vector<int>{8, 30, 167, 37}));
  const portable::DialogControl& okay = layout.controls[1];
  EXPECT_EQ(okay.kind, portable::ControlKind::kButton);
  EXPECT_EQ(okay.id, 101);
  EXPECT_EQ(okay.title, "Okay");
  EXPECT_EQ((std::vector<int>{okay.x, okay.y, okay.width, okay.height}),
            (std::vector<int>{67, 74, 50, 14}));
  const portable::DialogControl& prompt = layout.controls[2];
  EXPECT_EQ(prompt.kind, portable::ControlKind::kStatic);
  EXPECT_EQ(prompt.id, 103);
  EXPECT_EQ(prompt.title, "Name?" + std::string(74, ' '));
  // The caption's length puts the first item on offset 44 with no gap, and
  // the template ends at 292.
  EXPECT_EQ(bytes[44], 0x44);
  EXPECT_EQ(bytes[130], 'N');
  EXPECT_EQ(bytes[130 + 2 * 78], ' ');
  EXPECT_EQ(bytes[130 + 2 * 79], 0);
  EXPECT_FALSE(portable::parse_dialog_template(bytes, 200, &layout)) << "a cut template";
}

TEST(LineInputTemplate, PromptIsCutOrPaddedTo79) {
  const std::string long_prompt(100, 'p');
  for (const std::string& prompt : {std::string(), std::string(79, 'q'), long_prompt}) {
    uint8_t bytes[kLineInputTemplateSize];
    build_line_input_template(prompt.c_str(), bytes);
    portable::DialogLayout layout;
    ASSERT_TRUE(portable::parse_dialog_template(bytes, sizeof bytes, &layout));
    const std::string expected =
        prompt.size() >= 79 ? prompt.substr(0, 79) : prompt + std::string(79 - prompt.size(), ' ');
    EXPECT_EQ(layout.controls[2].title, expected);
  }
}

// The headless user always presses Okay, so the dialog's procedure is asked
// directly: Cancel (Escape, the close box) and the edit field's notices
// leave the dialog open; Okay ends it with the field's text.
TEST(LineInputDialog, OnlyOkayEndsItCancelLeavesItOpen) {
  constexpr uintptr_t kCancel = 2;                       // IDCANCEL
  constexpr uintptr_t kEditChanged = 0x300 << 16 | 102;  // EN_CHANGE from the field
  platform::DialogObject dialog;
  dialog.texts[102] = "typed";
  char answer[256] = "";
  gets_dialog_proc(&dialog, WM_INITDIALOG, 0, reinterpret_cast<intptr_t>(answer));
  for (uintptr_t command : {kCancel, kEditChanged}) {
    gets_dialog_proc(&dialog, WM_COMMAND, command, 0);
    EXPECT_FALSE(dialog.ended) << "command " << command;
  }
  EXPECT_STREQ(answer, "");
  gets_dialog_proc(&dialog, WM_COMMAND, 101, 0);  // Okay
  EXPECT_TRUE(dialog.ended);
  EXPECT_EQ(dialog.result, 1);
  EXPECT_STREQ(answer, "typed");
}

TEST_F(LineInput, ReturnsTheTypedTextAsTyped) {
  headless::queue_dialog_answer("two\r\nlines");
  char buffer[256] = "old";
  EXPECT_EQ(ZIVRO_gets("Say something:", buffer), 1);
  EXPECT_STREQ(buffer, "two\r\nlines");
  ASSERT_EQ(headless::dialogs_seen().size(), 1u);
  EXPECT_EQ(headless::dialogs_seen()[0].caption, "ZIVRO_gets");
  EXPECT_EQ(headless::dialogs_seen()[0].static_texts[0].substr(0, 14), "Say something:");
}

TEST_F(LineInput, EmptyAnswerAndLongAnswer) {
  char buffer[300];
  std::memset(buffer, 'x', sizeof buffer);
  EXPECT_EQ(ZIVRO_gets("", buffer), 1);
  EXPECT_STREQ(buffer, "") << "nothing typed: a single NUL";
  headless::queue_dialog_answer(std::string(300, 'a'));
  std::memset(buffer, 'x', sizeof buffer);
  EXPECT_EQ(ZIVRO_gets(nullptr, buffer), 1);
  EXPECT_EQ(std::strlen(buffer), 255u);
  EXPECT_EQ(buffer[256], 'x') << "nothing written past the 256 bytes";
}

}  // namespace

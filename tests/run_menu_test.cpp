// The "&Run" menu: its items, its commands, its check marks, and the Ctrl-key
// accelerators typed into either window.
#include <fstream>
#include <string>

#include "package_fixture.h"
#include "platform/portable/objects.h"

namespace {

using headless::post_input;

class RunMenu : public PackageTest {
 protected:
  const platform::MenuItem& item(unsigned id) {
    for (const platform::MenuItem& entry : run_menu()->items) {
      if (entry.id == id && !(entry.flags & MF_SEPARATOR)) return entry;
    }
    static platform::MenuItem none;
    ADD_FAILURE() << "no item " << id;
    return none;
  }
  bool checked(unsigned id) { return (item(id).flags & MF_CHECKED) != 0; }
  void ctrl(unsigned key, platform::Window target = nullptr) {
    post_input(headless::to(target, headless::key_down(VK_CONTROL)));
    post_input(headless::to(target, headless::key_down(key)));
    post_input(headless::to(target, headless::key_up(key)));
    post_input(headless::to(target, headless::key_up(VK_CONTROL)));
  }
  // Runs one wait that ends on a character typed after the given input.
  void pump_then_type() {
    post_input(headless::typed('.'));
    EXPECT_EQ(wait_event().kind, ZIVRO_KBD);
  }
};

TEST_F(RunMenu, ItemsLabelsIdsAndStates) {
  open();
  platform::Window graphics = graphics_window();
  ASSERT_NE(graphics->menu, nullptr);
  ASSERT_EQ(graphics->menu->items.size(), 1u);
  EXPECT_EQ(graphics->menu->items[0].label, "&Run");
  EXPECT_EQ(graphics->menu->items[0].popup, run_menu());

  struct Expected {
    unsigned id;
    unsigned flags;
    std::string label;
  };
  const Expected expected[] = {
      {1, MF_STRING, "&Animate\tCtrl+A"},
      {2, MF_STRING, "&Halt animation\tCtrl+H"},
      {3, MF_STRING, "Advance one &frame\tCtrl+F"},
      {0, MF_SEPARATOR, ""},
      {4, MF_CHECKED, "&Logging\tCtrl+L"},
      {0, MF_SEPARATOR, ""},
      {5, MF_STRING, "&Record Script\tCtrl+R"},
      {6, MF_STRING, "&Playback Script\tCtrl+P"},
      {7, MF_STRING, "Play &One Script\tCtrl+O"},
      {0, MF_SEPARATOR, ""},
      {8, MF_STRING, "&Quit\tCtrl+Q"},
      {0, MF_SEPARATOR, ""},
  };
  const auto& items = run_menu()->items;
  ASSERT_EQ(items.size(), std::size(expected) + 3);
  for (size_t i = 0; i < std::size(expected); ++i) {
    EXPECT_EQ(items[i].id, expected[i].id) << i;
    EXPECT_EQ(items[i].flags, expected[i].flags) << i;
    EXPECT_EQ(items[i].label, expected[i].label) << i;
  }
  const char* prefixes[] = {"MAC: ", "WINDOWS: ", "UPDATES: "};
  for (size_t i = 0; i < 3; ++i) {
    const platform::MenuItem& contact = items[std::size(expected) + i];
    EXPECT_EQ(contact.id, 9u);
    EXPECT_EQ(contact.flags, MF_GRAYED);
    EXPECT_EQ(contact.label.rfind(prefixes[i], 0), 0u) << contact.label;
    EXPECT_GT(contact.label.size(), std::string(prefixes[i]).size());
  }
}

TEST_F(RunMenu, LoggingCommandFlipsFlagAndMarkOnly) {
  open();
  EXPECT_TRUE(logging_flag());
  EXPECT_TRUE(checked(kCommandLogging));
  platform::Window text = text_window();
  platform::show_window(text, SW_HIDE);
  post_input(headless::menu_command(kCommandLogging));
  pump_then_type();
  EXPECT_FALSE(logging_flag());
  EXPECT_FALSE(checked(kCommandLogging));
  ctrl('L');
  pump_then_type();
  EXPECT_TRUE(logging_flag());
  EXPECT_TRUE(checked(kCommandLogging));
  EXPECT_FALSE(text->visible) << "the command never shows the text window";
}

TEST_F(RunMenu, LoggingCallSetsMarkAndShowsTheWindow) {
  EXPECT_EQ(ZIVRO_logging(0), 0) << "before opening";
  EXPECT_TRUE(logging_flag());
  open();
  platform::Window text = text_window();
  EXPECT_EQ(ZIVRO_logging(0), 1);
  EXPECT_FALSE(logging_flag());
  EXPECT_FALSE(checked(kCommandLogging));
  EXPECT_TRUE(text->visible) << "switching off does not hide the window";
  platform::show_window(text, SW_HIDE);
  EXPECT_EQ(ZIVRO_logging(7), 1);
  EXPECT_TRUE(logging_flag());
  EXPECT_TRUE(checked(kCommandLogging));
  EXPECT_TRUE(text->visible);
}

TEST_F(RunMenu, RecordAndPlaybackMarksFollowTheirFlags) {
  open();
  post_input(headless::menu_command(kCommandRecord));
  post_input(headless::menu_command(kCommandPlayback));
  ZIVRO_run_control(ZIVRO_RUN_ANIMATE);
  // Playback starts halted; the script file is missing, so the read fails.
  post_input(headless::typed('.'), 0);
  wait_event();
  EXPECT_TRUE(script_recording());
  EXPECT_TRUE(checked(kCommandRecord));
  EXPECT_FALSE(script_playing());
  EXPECT_FALSE(checked(kCommandPlayback));
  EXPECT_FALSE(run_state().animate);
  ctrl('R');
  pump_then_type();
  EXPECT_FALSE(script_recording());
  EXPECT_FALSE(checked(kCommandRecord));
}

TEST_F(RunMenu, AcceleratorsAcceptBothCodesOnlyWithCtrl) {
  open();
  post_input(headless::key_down('A'));
  post_input(headless::key_up('A'));
  EXPECT_EQ(wait_event(), (WaitResult{ZIVRO_KBD, 0, 0, 'a'}));
  EXPECT_FALSE(run_state().animate);

  ctrl('A');
  pump_then_type();
  EXPECT_TRUE(run_state().animate);
  ctrl(0x68);  // keypad 8 is the lower-case code of H
  pump_then_type();
  EXPECT_FALSE(run_state().animate);
  ctrl(0x6F);  // keypad divide, the lower-case code of O
  pump_then_type();
  EXPECT_FALSE(run_state().play_one) << "the next step took the play-one read";
}

// Ctrl+O plays one event of the script and halts, with the letter's code as
// with the keypad's: the second event stays in the file.
TEST_F(RunMenu, CtrlOPlaysOneEventWithEitherCode) {
  for (unsigned code : {unsigned{'O'}, 0x6Fu}) {
    SCOPED_TRACE(code);
    reset_package();
    std::ofstream(kScriptFileName, std::ios::binary) << "ZIVRO_KBD(120);\r\nZIVRO_KBD(121);\r\n";
    open();
    ctrl(code);
    EXPECT_EQ(wait_event(), (WaitResult{ZIVRO_KBD, 0, 0, 'x'}));
    post_input(headless::typed('.'));
    EXPECT_EQ(wait_event(), (WaitResult{ZIVRO_KBD, 0, 0, '.'})) << "the script went on playing";
  }
}

TEST_F(RunMenu, CtrlCharactersMakeNoEvent) {
  open();
  headless::set_clock_limit_ms(1000);
  post_input(headless::key_down(VK_CONTROL));
  post_input(headless::key_down('B'));  // no command; its control character is ignored
  post_input(headless::typed('x'));
  post_input(headless::key_up(VK_CONTROL));
  post_input(headless::typed('y'));
  EXPECT_EQ(wait_event(), (WaitResult{ZIVRO_KBD, 0, 0, 'y'}));
}

TEST_F(RunMenu, StuckCtrlKeepsLettersAsCommands) {
  open();
  // Ctrl went up while neither window had the keyboard.
  post_input(headless::key_down(VK_CONTROL));
  post_input(headless::key_down('A'));
  post_input(headless::typed('a'));
  post_input(headless::key_down('Q'));
  EXPECT_EQ(wait_event().kind, ZIVRO_QUIT);
  EXPECT_TRUE(run_state().animate);
  EXPECT_TRUE(run_state().ctrl_held);
}

TEST_F(RunMenu, KeysTypedIntoTheTextWindowReachTheGraphicsWindow) {
  open();
  platform::Window text = text_window();
  ctrl('A', text);
  post_input(headless::to(text, headless::key_down('K')));
  EXPECT_EQ(wait_event(), (WaitResult{ZIVRO_KBD, 0, 0, 'k'}));
  EXPECT_TRUE(run_state().animate);
}

TEST_F(RunMenu, UnknownAndGrayedCommandsDoNothing) {
  open();
  post_input(headless::menu_command(kCommandContact));  // grayed: cannot be chosen
  post_input(headless::menu_command(kCommandQuit + 10));
  for (uintptr_t id : {uintptr_t{0}, uintptr_t{9}, uintptr_t{0x10001}, uintptr_t{0x10008}}) {
    post_input(headless::message(WM_COMMAND, id, 0));
  }
  post_input(headless::typed('.'));
  EXPECT_EQ(wait_event().kind, ZIVRO_KBD);
  const RunState& run = run_state();
  EXPECT_FALSE(run.animate || run.single_step || run.quit_requested || run.play_one ||
               script_playing() || script_recording());
  EXPECT_TRUE(logging_flag());
  EXPECT_EQ(wait_event().kind, ZIVRO_QUIT) << "no quit was posted; the run just ended";
}

}  // namespace

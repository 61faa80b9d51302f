// Typing on the portable layers as on Windows: Caps Lock in the key
// translation, Alt keys and F10 that open the menu and make no character,
// and characters without a key code of their own, typed into either window.
#include "platform/portable/keyboard.h"

#include <string>
#include <vector>

#include "package_fixture.h"

namespace {

using headless::Input;
using headless::post_input;

class Keyboard : public PackageTest {
 protected:
  void SetUp() override {
    PackageTest::SetUp();
    open();
    headless::set_clock_limit_ms(1000);
  }
  // A key pressed and released, as the user types it.
  static std::vector<Input> press(unsigned key) {
    return {headless::key_down(key), headless::key_up(key)};
  }
  static std::vector<Input> shifted(unsigned key) {
    return {headless::key_down(VK_SHIFT), headless::key_down(key), headless::key_up(key),
            headless::key_up(VK_SHIFT)};
  }
  static std::vector<Input> with_alt(unsigned key) {
    return {headless::sys_key_down(VK_MENU), headless::sys_key_down(key), headless::sys_key_up(key),
            headless::key_up(VK_MENU)};
  }
  static void post_all(const std::vector<Input>& inputs, platform::Window target = nullptr) {
    for (const Input& input : inputs) post_input(headless::to(target, input));
  }
};

TEST_F(Keyboard, CapsLockTurnsLettersOnlyAndShiftTurnsThemBack) {
  const std::vector<Input> caps_key = press(VK_CAPITAL);
  struct Case {
    const char* what;
    bool caps_lock;
    std::vector<Input> before;  // keys typed ahead of the one that counts
    std::vector<Input> keys;
    char expected;
  };
  const Case cases[] = {
      {"a, Caps Lock off", false, {}, press('A'), 'a'},
      {"Shift+a, Caps Lock off", false, {}, shifted('A'), 'A'},
      {"a, Caps Lock on", true, {}, press('A'), 'A'},
      {"Shift+z, Caps Lock on", true, {}, shifted('Z'), 'z'},
      {"a digit, Caps Lock on", true, {}, press('1'), '1'},
      {"Shift+digit, Caps Lock on", true, {}, shifted('1'), '!'},
      {"a punctuation key, Caps Lock on", true, {}, press(0xBA), ';'},
      {"the Caps Lock key turns it on", false, caps_key, press('Q'), 'Q'},
      {"and off", true, caps_key, press('Q'), 'q'},
      {"a held Caps Lock key repeating toggles once",
       false,
       {headless::key_down(VK_CAPITAL), headless::key_down(VK_CAPITAL),
        headless::key_up(VK_CAPITAL)},
       press('Q'),
       'Q'},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    headless::set_caps_lock(c.caps_lock);
    post_all(c.before);
    post_all(c.keys);
    EXPECT_EQ(wait_event(), (WaitResult{ZIVRO_KBD, 0, 0, c.expected}));
  }
}

TEST_F(Keyboard, KeypadDigitsTypeTheirDigits) {
  constexpr unsigned kNumpad0 = 0x60;  // VK_NUMPAD0; VK_NUMPAD9 is 0x69
  for (unsigned digit = 0; digit <= 9; ++digit) {
    post_all(press(kNumpad0 + digit));
    EXPECT_EQ(wait_event(), (WaitResult{ZIVRO_KBD, 0, 0, static_cast<char>('0' + digit)}))
        << "keypad " << digit;
  }
}

TEST_F(Keyboard, AltKeysAndF10OpenTheMenuAndMakeNoCharacter) {
  struct Case {
    const char* what;
    std::vector<Input> keys;
    bool in_text_window;
    std::vector<std::string> opened;
  };
  const Case cases[] = {
      {"Alt+R: the Run menu's mnemonic", with_alt('R'), false, {"&Run"}},
      {"Alt+Shift+R",
       {headless::sys_key_down(VK_MENU), headless::sys_key_down(VK_SHIFT),
        headless::sys_key_down('R'), headless::sys_key_up('R'), headless::sys_key_up(VK_SHIFT),
        headless::key_up(VK_MENU)},
       false,
       {"&Run"}},
      {"Alt+X: no mnemonic", with_alt('X'), false, {}},
      {"Alt+R in the text window, which has no menu", with_alt('R'), true, {}},
      {"F10", {headless::sys_key_down(VK_F10), headless::sys_key_up(VK_F10)}, false, {"&Run"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    reset_package();
    open();
    post_all(c.keys, c.in_text_window ? text_window() : nullptr);
    post_input(headless::typed('.'));
    EXPECT_EQ(wait_event(), (WaitResult{ZIVRO_KBD, 0, 0, '.'})) << "no event before the '.'";
    EXPECT_EQ(headless::menus_opened(), c.opened);
    EXPECT_FALSE(run_state().ctrl_held);
  }
}

TEST_F(Keyboard, AMenuChoiceMadeAfterAltRRunsItsCommand) {
  post_all(with_alt('R'));
  post_input(headless::menu_command(kCommandAnimate));
  post_input(headless::typed('.'));
  EXPECT_EQ(wait_event().kind, ZIVRO_KBD);
  EXPECT_EQ(headless::menus_opened(), std::vector<std::string>{"&Run"});
  EXPECT_TRUE(run_state().animate);
}

TEST_F(Keyboard, CharactersWithoutKeyCodeReachTheGraphicsWindowFromEither) {
  for (platform::Window target : {graphics_window(), text_window()}) {
    SCOPED_TRACE(target == text_window() ? "typed into the text window" : "into the graphics one");
    post_input(headless::to(target, headless::character_key_down('\xE9')));
    post_input(headless::to(target, headless::character_key_up('\xE9')));
    EXPECT_EQ(wait_event(), (WaitResult{ZIVRO_KBD, 0, 0, '\xE9'}));
    // With Ctrl held such a key makes no character, as a Ctrl letter does.
    post_all({headless::key_down(VK_CONTROL), headless::character_key_down('\xE9'),
              headless::key_up(VK_CONTROL)},
             target);
    post_input(headless::typed('.'));
    EXPECT_EQ(wait_event(), (WaitResult{ZIVRO_KBD, 0, 0, '.'}));
  }
}

}  // namespace

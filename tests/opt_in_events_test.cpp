// The opt-in events through the real pump: each kind as the input makes it,
// as its script line, and as that line plays back; and the recording of a
// program that asks for none of them, against the lines it always wrote.
#include <fstream>
#include <iterator>

#include "package_fixture.h"

// Found by argument lookup: the record lives in the global namespace.
static bool operator==(const ZIVRO_Event& a, const ZIVRO_Event& b) {
  return a.kind == b.kind && a.x == b.x && a.y == b.y && a.key == b.key && a.button == b.button &&
         a.modifiers == b.modifiers;
}

static std::ostream& operator<<(std::ostream& out, const ZIVRO_Event& e) {
  return out << "{" << e.kind << ", " << e.x << ", " << e.y << ", key " << e.key << ", button "
             << e.button << ", mods " << e.modifiers << "}";
}

namespace {

using headless::Input;
using headless::mouse_button;
using headless::mouse_move;

std::string read_file(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}

class OptInEvents : public PackageTest {
 protected:
  // Waits until the run ends (the headless user closes the window once the
  // input is used up) and returns every event before the quit.
  std::vector<ZIVRO_Event> events_until_quit() {
    std::vector<ZIVRO_Event> seen;
    ZIVRO_Event event{};
    while (ZIVRO_wait_event_ex(&event) != ZIVRO_QUIT && seen.size() < 50) seen.push_back(event);
    return seen;
  }
};

TEST_F(OptInEvents, EachKindDeliveredRecordedAndReplayed) {
  const int left = ZIVRO_BUTTON_LEFT;
  struct Case {
    const char* what;
    int wanted;
    std::vector<Input> input;
    std::vector<ZIVRO_Event> events;
    std::string lines;
  };
  const std::vector<Case> cases = {
      {"keys: a letter with Shift, its character between press and release",
       ZIVRO_WANT_KEYS,
       {headless::key_down(VK_SHIFT), headless::key_down('A'), headless::key_up('A'),
        headless::key_up(VK_SHIFT)},
       {{ZIVRO_KEY_PRESS, 0, 0, VK_SHIFT, 0, ZIVRO_MOD_SHIFT},
        {ZIVRO_KEY_PRESS, 0, 0, 'A', 0, ZIVRO_MOD_SHIFT},
        {ZIVRO_KBD, 0, 0, 'A', 0, ZIVRO_MOD_SHIFT},
        {ZIVRO_KEY_RELEASE, 0, 0, 'A', 0, ZIVRO_MOD_SHIFT},
        {ZIVRO_KEY_RELEASE, 0, 0, VK_SHIFT, 0, 0}},
       "ZIVRO_KEY_PRESS(16, 1);\r\nZIVRO_KEY_PRESS(65, 1);\r\nZIVRO_KBD(65, 1);\r\n"
       "ZIVRO_KEY_RELEASE(65, 1);\r\nZIVRO_KEY_RELEASE(16, 0);\r\n"},
      {"keys: an accelerator's key makes no event, an arrow does",
       ZIVRO_WANT_KEYS,
       {headless::key_down(VK_CONTROL), headless::key_down('H'), headless::key_up('H'),
        headless::key_up(VK_CONTROL), headless::key_down(ZIVRO_VK_DOWN)},
       {{ZIVRO_KEY_PRESS, 0, 0, VK_CONTROL, 0, ZIVRO_MOD_CTRL},
        {ZIVRO_KEY_RELEASE, 0, 0, VK_CONTROL, 0, 0},
        {ZIVRO_KEY_PRESS, 0, 0, ZIVRO_VK_DOWN, 0, 0}},
       "ZIVRO_KEY_PRESS(17, 2);\r\nZIVRO_KEY_RELEASE(17, 0);\r\nZIVRO_KEY_PRESS(40, 0);\r\n"},
      {"keys: system keys with Alt held",
       ZIVRO_WANT_KEYS,
       {headless::sys_key_down(VK_MENU), headless::sys_key_down(ZIVRO_VK_F5),
        headless::sys_key_up(ZIVRO_VK_F5), headless::key_up(VK_MENU)},
       {{ZIVRO_KEY_PRESS, 0, 0, VK_MENU, 0, ZIVRO_MOD_ALT},
        {ZIVRO_KEY_PRESS, 0, 0, ZIVRO_VK_F5, 0, ZIVRO_MOD_ALT},
        {ZIVRO_KEY_RELEASE, 0, 0, ZIVRO_VK_F5, 0, ZIVRO_MOD_ALT},
        {ZIVRO_KEY_RELEASE, 0, 0, VK_MENU, 0, 0}},
       "ZIVRO_KEY_PRESS(18, 4);\r\nZIVRO_KEY_PRESS(116, 4);\r\n"
       "ZIVRO_KEY_RELEASE(116, 4);\r\nZIVRO_KEY_RELEASE(18, 0);\r\n"},
      {"drag: moves coalesced into the last, which may leave the window; a move "
       "with no button held makes no event",
       ZIVRO_WANT_RELEASE | ZIVRO_WANT_DRAG,
       {mouse_button(WM_LBUTTONDOWN, kOriginX + 1, kOriginY + 1),
        mouse_move(kOriginX + 5, kOriginY - 3, MK_LBUTTON), mouse_move(-10, kOriginY, MK_LBUTTON),
        mouse_button(WM_LBUTTONUP, kOriginX + 8, kOriginY + 2), mouse_move(kOriginX, kOriginY, 0)},
       {{ZIVRO_MOUSE, 1, -1, 0, left, 0},
        {ZIVRO_MOUSE_DRAG, -10 - kOriginX, 0, 0, left, 0},
        {ZIVRO_MOUSE_RELEASE, 8, -2, 0, left, 0}},
       "ZIVRO_MOUSE(1, -1);\r\nZIVRO_MOUSE_DRAG(-307, 0, 1, 0);\r\n"
       "ZIVRO_MOUSE_RELEASE(8, -2, 1, 0);\r\n"},
      {"buttons: right and middle with their releases, a Ctrl-click",
       ZIVRO_WANT_BUTTONS | ZIVRO_WANT_RELEASE | ZIVRO_WANT_DRAG,
       {mouse_button(WM_RBUTTONDOWN, kOriginX + 3, kOriginY + 4),
        mouse_move(kOriginX + 4, kOriginY + 4, MK_RBUTTON | MK_MBUTTON),
        mouse_button(WM_RBUTTONUP, kOriginX + 3, kOriginY + 4),
        mouse_button(WM_MBUTTONDOWN, kOriginX, kOriginY), mouse_button(WM_MBUTTONUP, 0, 0),
        headless::key_down(VK_CONTROL), headless::click(kOriginX + 2, kOriginY)},
       {{ZIVRO_MOUSE_RIGHT, 3, -4, 0, ZIVRO_BUTTON_RIGHT, 0},
        {ZIVRO_MOUSE_DRAG, 4, -4, 0, ZIVRO_BUTTON_RIGHT | ZIVRO_BUTTON_MIDDLE, 0},
        {ZIVRO_MOUSE_RELEASE, 3, -4, 0, ZIVRO_BUTTON_RIGHT, 0},
        {ZIVRO_MOUSE_MIDDLE, 0, 0, 0, ZIVRO_BUTTON_MIDDLE, 0},
        {ZIVRO_MOUSE_RELEASE, -kOriginX, kOriginY, 0, ZIVRO_BUTTON_MIDDLE, 0},
        {ZIVRO_MOUSE, 2, 0, 0, left, ZIVRO_MOD_CTRL},
        {ZIVRO_MOUSE_RELEASE, 2, 0, 0, left, ZIVRO_MOD_CTRL}},
       "ZIVRO_MOUSE_RIGHT(3, -4, 0);\r\nZIVRO_MOUSE_DRAG(4, -4, 6, 0);\r\n"
       "ZIVRO_MOUSE_RELEASE(3, -4, 2, 0);\r\nZIVRO_MOUSE_MIDDLE(0, 0, 0);\r\n"
       "ZIVRO_MOUSE_RELEASE(-297, 250, 4, 0);\r\nZIVRO_MOUSE(2, 0, 2);\r\n"
       "ZIVRO_MOUSE_RELEASE(2, 0, 1, 2);\r\n"},
      {"moves: coalesced into the last until a button's press; a move with a button held "
       "is a drag, not a move",
       ZIVRO_WANT_MOVE,
       {mouse_move(kOriginX + 1, kOriginY + 1, 0), mouse_move(kOriginX + 5, kOriginY - 3, 0),
        headless::click(kOriginX, kOriginY), mouse_move(kOriginX + 2, kOriginY, MK_LBUTTON),
        mouse_move(-10, kOriginY, 0)},
       {{ZIVRO_MOUSE_MOVE, 5, 3, 0, 0, 0},
        {ZIVRO_MOUSE, 0, 0, 0, left, 0},
        {ZIVRO_MOUSE_MOVE, -10 - kOriginX, 0, 0, 0, 0}},
       "ZIVRO_MOUSE_MOVE(5, 3, 0);\r\nZIVRO_MOUSE(0, 0);\r\nZIVRO_MOUSE_MOVE(-307, 0, 0);\r\n"},
      {"wheel: whole steps each way, parts of a step added up, a move before it kept",
       ZIVRO_WANT_WHEEL | ZIVRO_WANT_MOVE,
       {mouse_move(kOriginX + 1, kOriginY, 0), headless::mouse_wheel(kOriginX + 1, kOriginY, 240),
        mouse_move(kOriginX + 2, kOriginY, 0), headless::key_down(VK_SHIFT),
        headless::mouse_wheel(kOriginX + 2, kOriginY, -120),
        headless::mouse_wheel(kOriginX, kOriginY, 60),
        headless::mouse_wheel(kOriginX, kOriginY, 60)},
       {{ZIVRO_MOUSE_MOVE, 1, 0, 0, 0, 0},
        {ZIVRO_MOUSE_WHEEL, 1, 0, 0, 2, 0},
        {ZIVRO_MOUSE_MOVE, 2, 0, 0, 0, 0},
        {ZIVRO_MOUSE_WHEEL, 2, 0, 0, -1, ZIVRO_MOD_SHIFT},
        {ZIVRO_MOUSE_WHEEL, 0, 0, 0, 1, ZIVRO_MOD_SHIFT}},
       "ZIVRO_MOUSE_MOVE(1, 0, 0);\r\nZIVRO_MOUSE_WHEEL(1, 0, 2, 0);\r\n"
       "ZIVRO_MOUSE_MOVE(2, 0, 0);\r\nZIVRO_MOUSE_WHEEL(2, 0, -1, 1);\r\n"
       "ZIVRO_MOUSE_WHEEL(0, 0, 1, 1);\r\n"},
      {"buttons without releases: a release comes only when asked for",
       ZIVRO_WANT_BUTTONS,
       {mouse_button(WM_MBUTTONDOWN, kOriginX, kOriginY), mouse_button(WM_MBUTTONUP, 0, 0),
        headless::click(kOriginX, kOriginY)},
       {{ZIVRO_MOUSE_MIDDLE, 0, 0, 0, ZIVRO_BUTTON_MIDDLE, 0}, {ZIVRO_MOUSE, 0, 0, 0, left, 0}},
       "ZIVRO_MOUSE_MIDDLE(0, 0, 0);\r\nZIVRO_MOUSE(0, 0);\r\n"},
  };

  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    reset_package();
    open();
    ZIVRO_want_events(c.wanted);
    headless::post_input(headless::menu_command(kCommandRecord));
    for (const Input& input : c.input) headless::post_input(input);
    EXPECT_EQ(events_until_quit(), c.events) << "live";
    script_close();
    EXPECT_EQ(read_file(kScriptFileName), c.lines);

    reset_package();
    open();
    ZIVRO_want_events(c.wanted);
    headless::post_input(headless::menu_command(kCommandPlayback));
    EXPECT_EQ(events_until_quit(), c.events) << "played back";
  }
}

// Each group is filtered by its own bit: a program asking for releases
// without drags gets the releases of a script, and the other way round.
TEST_F(OptInEvents, PlaybackPassesOverEachGroupNotAskedFor) {
  const int left = ZIVRO_BUTTON_LEFT;
  const ZIVRO_Event click{ZIVRO_MOUSE, 1, 1, 0, left, 0};
  const ZIVRO_Event drag{ZIVRO_MOUSE_DRAG, 2, 2, 0, left, 0};
  const ZIVRO_Event release{ZIVRO_MOUSE_RELEASE, 3, 3, 0, left, 0};
  const ZIVRO_Event key{ZIVRO_KBD, 0, 0, 'a', 0, 0};
  const struct {
    int wanted;
    std::vector<ZIVRO_Event> events;
  } cases[] = {
      {ZIVRO_WANT_RELEASE, {click, release, key}},
      {ZIVRO_WANT_DRAG, {click, drag, key}},
      {ZIVRO_WANT_RELEASE | ZIVRO_WANT_DRAG, {click, drag, release, key}},
  };
  for (const auto& c : cases) {
    reset_package();
    std::ofstream(kScriptFileName, std::ios::binary)
        << "ZIVRO_MOUSE(1, 1);\r\nZIVRO_MOUSE_DRAG(2, 2, 1, 0);\r\n"
           "ZIVRO_MOUSE_RELEASE(3, 3, 1, 0);\r\nZIVRO_KBD(97);\r\n";
    open();
    ZIVRO_want_events(c.wanted);
    headless::post_input(headless::menu_command(kCommandPlayback));
    EXPECT_EQ(events_until_quit(), c.events) << "wanted " << c.wanted;
  }
}

// A program that asks for nothing: everything the new events are made of
// goes in, and exactly the lines of a build without them come out. Played
// back by a program that asks for nothing, a script with the new lines
// gives only the events of old.
TEST_F(OptInEvents, ProgramNotAskingRecordsWhatItAlwaysDid) {
  open();
  headless::set_clock_limit_ms(1000);
  ZIVRO_run_control(ZIVRO_RUN_ANIMATE);
  headless::post_input(headless::menu_command(kCommandRecord));
  const Input input[] = {
      headless::key_down(VK_SHIFT),
      headless::key_down('Q'),
      headless::key_up('Q'),
      headless::key_up(VK_SHIFT),
      headless::key_down(ZIVRO_VK_LEFT),
      headless::key_up(ZIVRO_VK_LEFT),
      mouse_button(WM_LBUTTONDOWN, kOriginX + 1, kOriginY + 1),
      mouse_move(kOriginX + 9, kOriginY + 9, MK_LBUTTON),
      mouse_button(WM_LBUTTONUP, kOriginX + 9, kOriginY + 9),
      mouse_button(WM_RBUTTONDOWN, 5, 5),
      mouse_button(WM_RBUTTONUP, 5, 5),
      mouse_button(WM_MBUTTONDOWN, 6, 6),
      mouse_button(WM_MBUTTONUP, 6, 6),
      headless::key_down(VK_CONTROL),
      headless::click(kOriginX, kOriginY),
      headless::key_up(VK_CONTROL),
      headless::key_down(ZIVRO_VK_ESCAPE),
  };
  uint64_t at = 150;
  for (const Input& each : input) headless::post_input(each, at += 20);
  while (ZIVRO_wait_event(nullptr, nullptr, nullptr) != ZIVRO_QUIT) {
  }
  script_close();
  const std::string golden = read_file(ZIVRO_GOLDEN_DIR "/no_opt_in.scr");
  ASSERT_FALSE(golden.empty());
  EXPECT_EQ(read_file(kScriptFileName), golden);

  reset_package();
  std::ofstream(kScriptFileName, std::ios::binary)
      << "ZIVRO_KEY_PRESS(37, 0);\r\nZIVRO_MOUSE_DRAG(1, 2, 1, 0);\r\nZIVRO_MOUSE(3, 4, 2);\r\n"
         "ZIVRO_MOUSE_RIGHT(5, 6, 0);\r\nZIVRO_KBD(120);\r\n";
  open();
  headless::post_input(headless::menu_command(kCommandPlayback));
  EXPECT_EQ(events_until_quit(),
            (std::vector<ZIVRO_Event>{{ZIVRO_MOUSE, 3, 4, 0, 1, 0}, {ZIVRO_KBD, 0, 0, 'x', 0, 0}}));
}

// Held keys and buttons follow the events given, live and in the replay of
// their recording alike; a button counts only while its release is asked for.
TEST_F(OptInEvents, HeldKeysAndButtonsFollowTheEventsGiven) {
  const std::vector<Input> input = {headless::key_down(ZIVRO_VK_LEFT),
                                    headless::key_down(VK_SHIFT),
                                    headless::key_up(ZIVRO_VK_LEFT),
                                    mouse_button(WM_RBUTTONDOWN, kOriginX, kOriginY),
                                    headless::key_up(VK_SHIFT),
                                    mouse_move(kOriginX + 1, kOriginY, MK_RBUTTON | MK_LBUTTON),
                                    mouse_button(WM_RBUTTONUP, 0, 0),
                                    mouse_button(WM_LBUTTONUP, 0, 0)};
  // After each event: the left arrow, Shift, the left and the right button.
  const std::vector<std::string> expected = {"L...", "LS..", ".S..", ".S.R",
                                             "...R", "..LR", "..L.", "...."};
  const auto held_now = [] {
    return std::string{ZIVRO_key_held(ZIVRO_VK_LEFT) ? 'L' : '.',
                       ZIVRO_key_held(VK_SHIFT) ? 'S' : '.',
                       ZIVRO_button_held(ZIVRO_BUTTON_LEFT) ? 'L' : '.',
                       ZIVRO_button_held(ZIVRO_BUTTON_RIGHT) ? 'R' : '.'};
  };
  const int wanted = ZIVRO_WANT_ALL;
  for (const int command : {kCommandRecord, kCommandPlayback}) {
    SCOPED_TRACE(command == kCommandRecord ? "live" : "played back");
    reset_package();
    open();
    ZIVRO_want_events(wanted);
    headless::post_input(headless::menu_command(command));
    if (command == kCommandRecord) {
      for (const Input& each : input) headless::post_input(each);
    }
    std::vector<std::string> seen;
    ZIVRO_Event event{};
    while (ZIVRO_wait_event_ex(&event) != ZIVRO_QUIT && seen.size() < 20) {
      if (event.kind != ZIVRO_PERIODIC) seen.push_back(held_now());
    }
    EXPECT_EQ(seen, expected);
    if (command == kCommandRecord) script_close();
  }

  reset_package();
  open();
  ZIVRO_want_events(ZIVRO_WANT_KEYS | ZIVRO_WANT_BUTTONS);
  headless::post_input(mouse_button(WM_RBUTTONDOWN, kOriginX, kOriginY));
  headless::post_input(headless::key_down('Q'));
  ZIVRO_wait_event_ex(nullptr);
  ZIVRO_wait_event_ex(nullptr);
  EXPECT_EQ(ZIVRO_button_held(ZIVRO_BUTTON_RIGHT), 0) << "no releases asked for";
  EXPECT_EQ(ZIVRO_key_held('Q'), 1);
  ZIVRO_want_events(0);
  EXPECT_EQ(ZIVRO_key_held('Q'), 0) << "keys no longer asked for";
  EXPECT_EQ(ZIVRO_key_held(-1) + ZIVRO_key_held(256) + ZIVRO_button_held(3), 0);
}

}  // namespace

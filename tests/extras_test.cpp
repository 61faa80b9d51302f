// The calls a program makes only when it wants them: the tick's period, line
// input into a buffer of a given size, colour names, recording from the
// start, and the program's arguments as Windows' command line.
#include <cstring>
#include <fstream>
#include <iterator>

#include "draw/colour_table.h"
#include "package_fixture.h"
#include "platform/portable/command_line.h"
#include "platform/portable/objects.h"

namespace {

std::string read_file(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}

class Extras : public PackageTest {};

// Each period paces the live ticks; one outside 10..1000 is repaired with a
// warning; the recording of three ticks is the same line at any period.
TEST_F(Extras, SetTickPacesTicksAndRepairsOutOfRange) {
  EXPECT_EQ(ZIVRO_set_tick(50), 0) << "before ZIVRO_open";
  struct Case {
    int asked;
    uint64_t used;
    const char* warning;
  };
  const Case cases[] = {{33, 33, nullptr},
                        {1000, 1000, nullptr},
                        {9, 10, "Tick of 9 ms not possible, using tick of 10 ms\n"},
                        {5000, 1000, "Tick of 5000 ms not possible, using tick of 1000 ms\n"}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.asked);
    reset_package();
    open();
    headless::set_clock_limit_ms(10000);
    ZIVRO_logging(0);
    ZIVRO_run_control(ZIVRO_RUN_ANIMATE);
    post_input(headless::menu_command(kCommandRecord));
    EXPECT_EQ(ZIVRO_set_tick(c.asked), 1);
    const std::vector<std::string> warnings(headless::printed_lines());
    EXPECT_EQ(warnings,
              c.warning ? std::vector<std::string>{c.warning} : std::vector<std::string>{});
    for (uint64_t tick = 1; tick <= 3; ++tick) {
      EXPECT_EQ(wait_event().kind, ZIVRO_PERIODIC);
      EXPECT_EQ(headless::now_ms(), tick * c.used);
    }
    post_input(headless::menu_command(kCommandRecord));
    post_input(headless::typed('q'));
    EXPECT_EQ(wait_event().kind, ZIVRO_KBD);
    EXPECT_EQ(read_file(kScriptFileName), "ZIVRO_PERIODIC(3);\r\n");
  }
}

// The answer is cut to the caller's size, always ended by a NUL, and nothing
// past `size` bytes is touched; the recording keeps every answer whole,
// those the caller keeps none of too.
TEST_F(Extras, GetsNCutsTheAnswerToTheBuffer) {
  open();
  struct Case {
    int size;
    const char* stored;  // null: the buffer is left alone
  };
  const Case cases[] = {{-1, nullptr}, {0, nullptr},    {1, ""},
                        {4, "abc"},    {9, "abcdefgh"}, {300, "abcdefgh"}};
  post_input(headless::menu_command(kCommandRecord));
  post_input(headless::typed('x'));
  EXPECT_EQ(wait_event().kind, ZIVRO_KBD);  // recording is on from this wait
  for (const Case& c : cases) {
    SCOPED_TRACE(c.size);
    headless::queue_dialog_answer("abcdefgh");
    char buffer[310];
    std::memset(buffer, '#', sizeof buffer);
    EXPECT_EQ(ZIVRO_gets_n("Colour?", buffer, c.size), 1);
    if (!c.stored) {
      EXPECT_EQ(buffer[0], '#');
      continue;
    }
    EXPECT_STREQ(buffer, c.stored);
    const size_t written = std::strlen(c.stored) + 1;
    EXPECT_EQ(std::string(buffer + written, buffer + 310), std::string(310 - written, '#'));
  }
  headless::queue_dialog_answer("no buffer");
  EXPECT_EQ(ZIVRO_gets_n("Colour?", nullptr, 10), 1);
  EXPECT_EQ(headless::dialogs_seen().size(), std::size(cases) + 1) << "every call shows the dialog";
  ZIVRO_close();
  std::string answers;
  for (size_t i = 0; i < std::size(cases); ++i) answers += "ZIVRO_GETS(abcdefgh);\r\n";
  EXPECT_EQ(read_file(kScriptFileName),
            "ZIVRO_KBD(120);\r\n" + answers + "ZIVRO_GETS(no buffer);\r\n");

  // Played back, the whole answer is cut as the live one was.
  reset_package();
  headless::post_at_start(headless::menu_command(kCommandPlayback));
  open();
  char small[4];
  EXPECT_EQ(wait_event().kind, ZIVRO_KBD);
  EXPECT_EQ(ZIVRO_gets_n("Colour?", small, 0), 1);
  EXPECT_EQ(ZIVRO_gets_n("Colour?", small, sizeof small), 1);
  EXPECT_STREQ(small, "abc");
  EXPECT_TRUE(headless::dialogs_seen().empty()) << "the script answered";
}

// After ZIVRO_close the run is over: a wait ends at once with the whole
// event set, and no dialog is shown.
TEST_F(Extras, AfterCloseWaitsQuitAndNoDialogIsShown) {
  open();
  ZIVRO_close();
  ZIVRO_Event event{-1, 1, 2, 3, 4, 5};
  EXPECT_EQ(ZIVRO_wait_event_ex(&event), ZIVRO_QUIT);
  EXPECT_EQ(event.kind, ZIVRO_QUIT);
  EXPECT_EQ(event.x + event.y + event.key + event.button + event.modifiers, 0);
  EXPECT_EQ(wait_event().kind, ZIVRO_QUIT);
  char buffer[256] = "kept";
  headless::queue_dialog_answer("never asked");
  EXPECT_EQ(ZIVRO_gets("Name?", buffer), 0);
  EXPECT_EQ(ZIVRO_gets_n("Name?", buffer, sizeof buffer), 0);
  EXPECT_STREQ(buffer, "kept");
  EXPECT_TRUE(headless::dialogs_seen().empty());
}

TEST(ColourIndex, NamesAsLoggedInAnyCaseAndSpacing) {
  for (int index = 0; index < kColourCount; ++index) {
    EXPECT_EQ(ZIVRO_colour_index(colour_name(index)), index) << colour_name(index);
  }
  const std::pair<const char*, int> cases[] = {{"  NAVY\t blue\r\n", ZIVRO_NAVY_BLUE},
                                               {"50% GRAY", ZIVRO_GRAY_50},
                                               {"seagreen", -1},
                                               {"sea green x", -1},
                                               {"sea gree", -1},
                                               {"  ", -1},
                                               {nullptr, -1}};
  for (const auto& [name, index] : cases) {
    EXPECT_EQ(ZIVRO_colour_index(name), index) << (name ? name : "NULL");
  }
}

// Each line splits back into the arguments under the Microsoft C runtime's
// rules (quotes group, 2n backslashes before a quote give n, 2n + 1 give n
// and a literal quote, other backslashes are literal).
TEST(CommandLine, QuotedAsWindowsPassesIt) {
  const std::pair<std::vector<std::string>, std::string> cases[] = {
      {{}, ""},
      {{"level1.txt", "42"}, "level1.txt 42"},
      {{"a b", ""}, "\"a b\" \"\""},
      {{"ab\"c"}, "\"ab\\\"c\""},
      {{"a\\\\\\b"}, "a\\\\\\b"},
      {{"a\\\"b"}, "\"a\\\\\\\"b\""},
      {{"dir with space\\"}, "\"dir with space\\\\\""},
      {{"tab\there"}, "\"tab\there\""},
  };
  for (const auto& [arguments, line] : cases) {
    EXPECT_EQ(portable::windows_command_line(arguments), line);
  }
}

// Asked before WinMain, recording is on when ZIVRO_open returns (its menu
// item checked), so the first event is the script's first line; the script
// goes to the file asked for and replays the same events.
TEST_F(Extras, RecordFromOpenTakesTheFirstEvent) {
  script_record_to("first.scr");
  record_from_open();
  open();
  bool checked = false;
  for (const platform::MenuItem& item : run_menu()->items) {
    if (item.id == kCommandRecord) checked = (item.flags & MF_CHECKED) != 0;
  }
  EXPECT_TRUE(checked);
  headless::set_clock_limit_ms(300);
  ZIVRO_run_control(ZIVRO_RUN_ANIMATE);
  post_input(headless::click(kOriginX + 5, kOriginY - 6), 150);
  std::vector<WaitResult> live;
  for (WaitResult event = wait_event(); event.kind != ZIVRO_QUIT; event = wait_event()) {
    live.push_back(event);
  }
  ZIVRO_close();
  EXPECT_EQ(read_file("first.scr"),
            "ZIVRO_PERIODIC(1);\r\nZIVRO_MOUSE(5, 6);\r\nZIVRO_PERIODIC(2);\r\n");
  EXPECT_FALSE(std::filesystem::exists(kScriptFileName));

  reset_package();
  play_from_open("first.scr");
  open();
  std::vector<WaitResult> played;
  for (size_t i = 0; i < live.size(); ++i) played.push_back(wait_event());
  EXPECT_EQ(played, live);
}

}  // namespace

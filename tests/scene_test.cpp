// The car game's frame at its edges, observed through the sentences that the
// drawing calls log while logging is on: one per call, in drawing order. The
// whole frame, call by call, is pinned by the golden logs (tests/golden/*.log,
// compared by the scene_log_* tests); these cases are the ones a run does not
// reach or does not single out: night, every stop_timer boundary, both beams.
#include "scene.h"

#include <functional>

#include "package_fixture.h"

namespace {

using Lines = std::vector<std::string>;

const int kCloudX[4] = {-400, -120, 7, 260};
const int kCloudY[4] = {180, 221, 190, 203};

class SceneTest : public PackageTest {
 protected:
  void SetUp() override {
    PackageTest::SetUp();
    open();
    ZIVRO_logging(1);
  }
  // The sentences printed while draw runs.
  static Lines drawn(const std::function<void()>& draw) {
    const size_t before = headless::printed_lines().size();
    draw();
    const Lines& all = headless::printed_lines();
    return Lines(all.begin() + static_cast<long>(before), all.end());
  }
  static Lines scene(int is_day, int car_speed, int pulled_over) {
    return drawn([&] { draw_scene(250, 131, is_day, car_speed, pulled_over, kCloudX, kCloudY); });
  }
};

std::string text(const char* colour, int x, int y, const std::string& words) {
  return std::string(colour) + " text at (" + std::to_string(x) + "," + std::to_string(y) +
         "), \"" + words + "\"\n";
}

TEST_F(SceneTest, NightChangesOnlyTheSkyAndTheDisc) {
  Lines expected = scene(1, 7, 0);
  expected[0] = "black rectangle with bounding box (-300,250) to (300,-250), filled\n";
  expected[1] = "white circle at (250,131), radius 20\n";
  EXPECT_EQ(scene(0, 7, 0), expected);
}

TEST_F(SceneTest, ReadOutShowsTenTimesTheSpeedAndZeroWhilePulledOver) {
  const auto read_out = [](const Lines& lines) { return lines.at(10); };
  EXPECT_EQ(read_out(scene(1, 12, 0)), text("red", -70, -245, "CURRENT SPEED: 120mph"));
  EXPECT_EQ(read_out(scene(1, 0, 0)), text("red", -70, -245, "CURRENT SPEED: 0mph"));
  EXPECT_EQ(read_out(scene(0, 12, 1)), text("red", -70, -245, "CURRENT SPEED: 0mph"));
}

// At night every black outline and label turns white; "Go" and "Stop" keep
// their colours.
TEST_F(SceneTest, NightButtonsAreTheDayButtonsInWhite) {
  Lines expected = drawn([] { draw_buttons(1); });
  for (std::string& sentence : expected) {
    if (sentence.rfind("black ", 0) == 0) sentence.replace(0, 5, "white");
  }
  EXPECT_EQ(drawn([] { draw_buttons(0); }), expected);
}

TEST_F(SceneTest, CarColourAndItsBeamOnlyAtNightInItsDirection) {
  struct Case {
    int colour, is_day, direction;
    const char* body;  // the first sentence's colour
    const char* beam;  // the fifth sentence, or null for none
  };
  const Case cases[] = {
      {0, 1, 1, "black", nullptr},
      {23, 1, -1, "20% gray", nullptr},
      {15, 0, 1, "pink", "yellow triangle at (50,-94), (110,-100), (110,-88)\n"},
      {15, 0, -1, "pink", "yellow triangle at (10,-94), (-50,-100), (-50,-88)\n"},
  };
  for (const Case& c : cases) {
    const Lines lines = drawn([&] { draw_car(30, -100, c.colour, c.is_day, c.direction); });
    ASSERT_EQ(lines.size(), c.beam ? 5u : 4u) << c.colour;
    EXPECT_EQ(lines[0],
              std::string(c.body) + " rectangle with bounding box (10,-82) to (50,-94), filled\n");
    if (c.beam) {
      EXPECT_EQ(lines[4], c.beam);
    }
  }
}

TEST_F(SceneTest, PoliceFlashesSwapWithTickParityAndStopAfter44) {
  struct Case {
    int tick, stop_timer;
    const char* left;  // null: no flashes
    const char* right;
  };
  const Case cases[] = {{7, 0, "red", "blue"},
                        {8, 0, "blue", "red"},
                        {9, 44, "red", "blue"},
                        {9, 45, nullptr, nullptr},
                        {10, 91, nullptr, nullptr}};
  for (const Case& c : cases) {
    const Lines lines = drawn([&] { draw_cop_car(-40, -100, c.tick, c.stop_timer); });
    ASSERT_EQ(lines.size(), c.left ? 9u : 7u) << "stop_timer " << c.stop_timer;
    EXPECT_EQ(lines[6], "black line from (-46,-94) to (-34,-94), width 0\n");
    if (!c.left) continue;
    EXPECT_EQ(lines[7], std::string(c.left) + " triangle at (-42,-73), (-100,-76), (-100,-70)\n");
    EXPECT_EQ(lines[8], std::string(c.right) + " triangle at (-38,-73), (20,-76), (20,-70)\n");
  }
}

TEST_F(SceneTest, TicketLinesChangeAtTheirBoundaries) {
  const std::string question =
      text("black", -250, -166, "COP: Do you know how fast you were going?");
  const std::string price = text("black", -250, -166, "It's going to be a $75 ticket.");
  const std::string payable = text("black", -250, -166, "You can make that a check payable to:");
  const std::string payee =
      text("navy blue", -100, -166, "ZIVRO Traffic Court\n1 Example Street\nSpringfield, EX 00000");
  const std::pair<int, std::string> cases[] = {{0, question}, {14, question}, {15, price},
                                               {29, price},   {30, payable},  {44, payable},
                                               {45, payee},   {91, payee},    {120, payee}};
  for (const auto& [timer, expected] : cases) {
    // Captured by value: clang before 16 cannot capture a structured binding.
    EXPECT_EQ(drawn([t = timer] { draw_ticket_talk(t); }), Lines{expected})
        << "stop_timer " << timer;
  }
}

TEST_F(SceneTest, ConfiscationLinesChangeAtTheirBoundaries) {
  const std::string question =
      text("black", -280, -166, "COP: Do you know how fast you were going?");
  const std::string smell = text("black", -250, -166,
                                 "Your speeding ticket's going to be --\n"
                                 "    Hey, is that reefer I smell?...");
  const std::string sorry =
      text("black", -250, -166, "Sorry but I'm going to have to confiscate that.");
  const std::string thanks = text("black", -100, -166, "Thank you, have a nice day.");
  const std::pair<int, std::string> cases[] = {{0, question}, {14, question}, {15, smell},
                                               {39, smell},   {40, sorry},    {64, sorry},
                                               {65, thanks},  {91, thanks},   {120, thanks}};
  for (const auto& [timer, expected] : cases) {
    EXPECT_EQ(drawn([t = timer] { draw_confiscate_talk(t); }), Lines{expected})
        << "stop_timer " << timer;
  }
}

GameState pulled_over_at_night(int car_x, int stop_timer) {
  GameState game;
  game.day_count = 2;
  game.car_x = car_x;
  game.cop_x = car_x - 40;
  game.cop_active = 1;
  game.pulled_over = 1;
  game.stop_timer = stop_timer;
  return game;
}

// The night frames that the golden runs do not reach: the police car after
// the buttons, the dialogue last.
TEST_F(SceneTest, NightStopFrameIsSceneButtonsCarsThenTheDialogue) {
  const Lines night = drawn([] { draw_frame(pulled_over_at_night(30, 44)); });
  ASSERT_EQ(night.size(), 65u);
  EXPECT_EQ(night[50], "black rectangle with bounding box (-30,-82) to (10,-94), filled\n");
  EXPECT_EQ(night[64], text("black", -250, -166, "You can make that a check payable to:"));

  const Lines confiscation = drawn([] { draw_frame(pulled_over_at_night(-32, 70)); });
  ASSERT_EQ(confiscation.size(), 63u) << "no flashes after 44";
  EXPECT_EQ(confiscation.back(), text("black", -100, -166, "Thank you, have a nice day."));
}

TEST_F(SceneTest, NoFrameEverPrintsAWarning) {
  for (int colour = 0; colour < 24; ++colour) {
    for (int timer : {0, 44, 45, 65, 95}) {
      GameState game = pulled_over_at_night(colour * 13 - 150, timer);
      game.car_color = colour;
      game.car_dir = colour % 2 ? 1 : -1;
      game.day_count = 1 + colour % 2;
      game.tick_count = timer + colour;
      game.pulled_over = timer < 95;
      for (const std::string& sentence : drawn([&] { draw_frame(game); })) {
        for (const char* warning : {"Illegal color", "Radius of", "Width of", "ptsize of"}) {
          EXPECT_NE(sentence.rfind(warning, 0), 0u) << sentence;
        }
      }
    }
  }
}

}  // namespace

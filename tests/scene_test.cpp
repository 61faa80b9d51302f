// The car game's frame, observed through the sentences that the drawing calls log while logging is
// on: one per call, in drawing order.
#include "scene.h"

#include <cstdio>
#include <functional>

#include "package_fixture.h"

namespace {

using Lines = std::vector<std::string>;

std::string format(const char* pattern, auto... values) {
  char buffer[512];
  std::snprintf(buffer, sizeof buffer, pattern, values...);
  return buffer;
}
// Corners as logged: upper left, then lower right.
std::string fill(const char* colour, int left, int top, int right, int bottom) {
  return format("%s rectangle with bounding box (%d,%d) to (%d,%d), filled\n", colour, left, top,
                right, bottom);
}
std::string outline(const char* colour, int left, int top, int right, int bottom) {
  return format("%s rectangle with bounding box (%d,%d) to (%d,%d) with line width 1\n", colour,
                left, top, right, bottom);
}
std::string disc(const char* colour, int x, int y, int radius) {
  return format("%s circle at (%d,%d), radius %d\n", colour, x, y, radius);
}
std::string triangle(const char* colour, int x1, int y1, int x2, int y2, int x3, int y3) {
  return format("%s triangle at (%d,%d), (%d,%d), (%d,%d)\n", colour, x1, y1, x2, y2, x3, y3);
}
std::string line(const char* colour, int x1, int y1, int x2, int y2) {
  return format("%s line from (%d,%d) to (%d,%d), width 0\n", colour, x1, y1, x2, y2);
}
std::string text(const char* colour, int x, int y, const char* words) {
  return format("%s text at (%d,%d), \"%s\"\n", colour, x, y, words);
}

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

using SceneLandscape = SceneTest;
using SceneButtons = SceneTest;
using SceneCars = SceneTest;
using SceneDialogue = SceneTest;
using SceneFrame = SceneTest;

TEST_F(SceneLandscape, DayIsSkySunGroundRoadSignTextsMountainsThenClouds) {
  Lines expected = {
      fill("ice blue", -300, 250, 300, -250),
      disc("yellow", 250, 131, 20),
      fill("brown", -300, -50, 300, -250),
      fill("white", -300, -90, 300, -110),
      line("black", -300, -100, 300, -100),
      fill("black", -2, -70, 2, -90),
      fill("orange", -50, -35, 50, -70),
      text("black", -46, -65, "SPEED LIMIT 100"),
      text("black", -285, -220, "Click a button to control the car."),
      fill("black", -75, -230, 75, -250),
      text("red", -70, -245, "CURRENT SPEED: 70mph"),
      triangle("50% gray", -300, -50, 300, -50, 0, 200),
      triangle("olive", -375, -50, 100, -50, -225, 166),
      triangle("forest green", -100, -50, 300, -50, 300, 166),
  };
  for (int k = 0; k < 4; ++k) {
    for (auto [dx, dy] : {std::pair{0, 0}, {10, 10}, {20, -10}, {30, 10}, {40, -10}, {50, 0}}) {
      expected.push_back(disc("white", kCloudX[k] + dx, kCloudY[k] + dy, 20));
    }
  }
  EXPECT_EQ(scene(1, 7, 0), expected);
}

TEST_F(SceneLandscape, NightChangesOnlyTheSkyAndTheDisc) {
  Lines expected = scene(1, 7, 0);
  expected[0] = fill("black", -300, 250, 300, -250);
  expected[1] = disc("white", 250, 131, 20);
  EXPECT_EQ(scene(0, 7, 0), expected);
}

TEST_F(SceneLandscape, ReadOutShowsTenTimesTheSpeedAndZeroWhilePulledOver) {
  const auto read_out = [](const Lines& lines) { return lines.at(10); };
  EXPECT_EQ(read_out(scene(1, 12, 0)), text("red", -70, -245, "CURRENT SPEED: 120mph"));
  EXPECT_EQ(read_out(scene(1, 0, 0)), text("red", -70, -245, "CURRENT SPEED: 0mph"));
  EXPECT_EQ(read_out(scene(0, 12, 1)), text("red", -70, -245, "CURRENT SPEED: 0mph"));
}

TEST_F(SceneButtons, OutlinesThenLabelsWithNightColours) {
  for (int day : {1, 0}) {
    const char* plain = day ? "black" : "white";
    Lines expected;
    for (int r = 0; r < 6; ++r) {
      expected.push_back(outline(plain, -295, 245 - 25 * r, -220, 220 - 25 * r));
    }
    expected.push_back(text("forest green", -285, 227, "Go"));
    expected.push_back(text("red", -285, 202, "Stop"));
    expected.push_back(text(plain, -285, 177, "Faster"));
    expected.push_back(text(plain, -285, 152, "Slower"));
    expected.push_back(text(plain, -285, 127, "Reverse"));
    expected.push_back(text(plain, -285, 102, "New Color"));
    EXPECT_EQ(drawn([&] { draw_buttons(day); }), expected) << "is_day " << day;
  }
}

Lines car_by_day(const char* colour, int x, int y) {
  return {fill(colour, x - 20, y + 18, x + 20, y + 6), fill(colour, x - 6, y + 24, x + 6, y + 18),
          disc("black", x - 10, y + 6, 6), disc("black", x + 10, y + 6, 6)};
}

TEST_F(SceneCars, CarHasItsBeamOnlyAtNightAndInItsDirection) {
  EXPECT_EQ(drawn([] { draw_car(30, -100, 0, 1, 1); }), car_by_day("black", 30, -100));
  EXPECT_EQ(drawn([] { draw_car(30, -100, 23, 1, -1); }), car_by_day("20% gray", 30, -100));

  Lines right = car_by_day("pink", 30, -100);
  right.push_back(triangle("yellow", 50, -94, 110, -100, 110, -88));
  EXPECT_EQ(drawn([] { draw_car(30, -100, 15, 0, 1); }), right);

  Lines left = car_by_day("pink", 30, -100);
  left.push_back(triangle("yellow", 10, -94, -50, -100, -50, -88));
  EXPECT_EQ(drawn([] { draw_car(30, -100, 15, 0, -1); }), left);
}

Lines cop_car(int x, int y, const char* left_flash, const char* right_flash) {
  Lines lines = {fill("black", x - 20, y + 18, x + 20, y + 6),
                 fill("white", x - 6, y + 18, x + 6, y + 6),
                 fill("black", x - 6, y + 24, x + 6, y + 18),
                 disc("black", x - 10, y + 6, 6),
                 disc("black", x + 10, y + 6, 6),
                 fill("black", x - 2, y + 30, x + 2, y + 24),
                 line("black", x - 6, y + 6, x + 6, y + 6)};
  if (left_flash) {
    lines.push_back(triangle(left_flash, x - 2, y + 27, x - 60, y + 24, x - 60, y + 30));
    lines.push_back(triangle(right_flash, x + 2, y + 27, x + 60, y + 24, x + 60, y + 30));
  }
  return lines;
}

TEST_F(SceneCars, PoliceFlashesSwapWithTickParityAndStopAfter44) {
  EXPECT_EQ(drawn([] { draw_cop_car(-40, -100, 7, 0); }), cop_car(-40, -100, "red", "blue"));
  EXPECT_EQ(drawn([] { draw_cop_car(-40, -100, 8, 0); }), cop_car(-40, -100, "blue", "red"));
  EXPECT_EQ(drawn([] { draw_cop_car(-40, -100, 9, 44); }), cop_car(-40, -100, "red", "blue"));
  EXPECT_EQ(drawn([] { draw_cop_car(-40, -100, 9, 45); }), cop_car(-40, -100, nullptr, nullptr));
  EXPECT_EQ(drawn([] { draw_cop_car(-40, -100, 10, 91); }), cop_car(-40, -100, nullptr, nullptr));
}

TEST_F(SceneCars, PoliceCarOnlyWhenActiveAndBeneathTheCar) {
  EXPECT_EQ(drawn([] { draw_cars(30, -100, 4, 1, 1, -40, -100, 0, 7, 0); }),
            car_by_day("blue", 30, -100));
  Lines both = cop_car(-40, -100, "red", "blue");
  for (const auto& car_line : car_by_day("blue", 30, -100)) both.push_back(car_line);
  EXPECT_EQ(drawn([] { draw_cars(30, -100, 4, 1, 1, -40, -100, 1, 7, 0); }), both);
}

TEST_F(SceneDialogue, TicketLinesChangeAtTheirBoundaries) {
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
    EXPECT_EQ(drawn([&] { draw_ticket_talk(timer); }), Lines{expected}) << "stop_timer " << timer;
  }
}

TEST_F(SceneDialogue, ConfiscationLinesChangeAtTheirBoundaries) {
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
    EXPECT_EQ(drawn([&] { draw_confiscate_talk(timer); }), Lines{expected})
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

TEST_F(SceneFrame, DrawsSceneButtonsCarsThenTheDialogue) {
  const Lines day = drawn([] { draw_frame(GameState{}); });
  ASSERT_EQ(day.size(), 54u);
  EXPECT_EQ(day[0], fill("ice blue", -300, 250, 300, -250));
  EXPECT_EQ(day[38], outline("black", -295, 245, -220, 220));
  EXPECT_EQ(Lines(day.begin() + 50, day.end()), car_by_day("red", 0, -100));

  const Lines night = drawn([] { draw_frame(pulled_over_at_night(30, 44)); });
  ASSERT_EQ(night.size(), 65u);
  EXPECT_EQ(night[10], text("red", -70, -245, "CURRENT SPEED: 0mph"));
  EXPECT_EQ(night[50], fill("black", -30, -82, 10, -94)) << "police car after the buttons";
  EXPECT_EQ(night[64], text("black", -250, -166, "You can make that a check payable to:"));

  const Lines confiscation = drawn([] { draw_frame(pulled_over_at_night(-32, 70)); });
  ASSERT_EQ(confiscation.size(), 63u) << "no flashes after 44";
  EXPECT_EQ(confiscation.back(), text("black", -100, -166, "Thank you, have a nice day."));
}

TEST_F(SceneFrame, NoFrameEverPrintsAWarning) {
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

#include "game_rules.h"

#include <gtest/gtest.h>
#include <zivro.h>

#include <climits>
#include <cstdlib>
#include <vector>

namespace {

enum Row { kGo, kStop, kFaster, kSlower, kReverse, kNewColor };

// A click in the middle of the given button row.
void click_row(GameState& game, int row) {
  EXPECT_EQ(apply_event(game, ZIVRO_MOUSE, -250, 245 - 25 * row - 12), 0);
}

void tick(GameState& game) {
  EXPECT_EQ(apply_event(game, ZIVRO_PERIODIC, 0, 0), 0);
}

// Ticks a chase until the car is pulled over and returns how many ticks that took.
int chase_until_caught(GameState& game) {
  for (int ticks = 1; ticks <= 2000; ++ticks) {
    tick(game);
    if (game.pulled_over == 1) {
      EXPECT_EQ(game.stop_timer, 0) << "the catching tick must not count as a stopped tick";
      EXPECT_EQ(game.cop_active, 1);
      const int behind = (game.car_x - game.cop_x) * game.cop_dir;
      EXPECT_GT(behind, 25);
      EXPECT_LT(behind, 55);
      return ticks;
    }
  }
  ADD_FAILURE() << "the police car never caught up";
  return -1;
}

// From the catching tick: 90 ticks standing still, the first departing step in the tick that
// makes stop_timer 91, then driving off until the next step would pass 320. Returns cop_x at
// the departure.
int stand_and_depart(GameState& game) {
  const int car_x = game.car_x;
  const int cop_x = game.cop_x;
  const int cop_step = game.cop_dir * game.cop_speed;
  for (int t = 1; t <= 90; ++t) {
    tick(game);
    EXPECT_EQ(game.stop_timer, t);
    EXPECT_EQ(game.pulled_over, 1);
    EXPECT_EQ(game.car_x, car_x);
    EXPECT_EQ(game.cop_x, cop_x);
  }
  tick(game);
  EXPECT_EQ(game.stop_timer, 91);
  EXPECT_EQ(game.cop_x, cop_x + cop_step);
  int last_cop_x = game.cop_x;
  while (game.cop_active == 1 && game.tick_count < 100000) {
    last_cop_x = game.cop_x;
    tick(game);
    EXPECT_EQ(game.car_x, car_x);
  }
  EXPECT_GT(std::abs(last_cop_x + cop_step), 320);
  EXPECT_EQ(game.cop_x, last_cop_x);
  EXPECT_EQ(game.pulled_over, 0);
  EXPECT_EQ(game.stop_timer, 0);
  EXPECT_EQ(game.car_speed, 5);
  EXPECT_EQ(game.cop_speed, 20);
  return game.cop_x;
}

TEST(ButtonPanelTest, CornersAndRowBoundaries) {
  GameState game;
  game.car_moving = 0;
  EXPECT_EQ(apply_event(game, ZIVRO_MOUSE, -294, 244), 0);
  EXPECT_EQ(game.car_moving, 1) << "top-left corner is Go";
  apply_event(game, ZIVRO_MOUSE, -250, 220);
  EXPECT_EQ(game.car_moving, 0) << "the line between Go and Stop belongs to Stop";
  apply_event(game, ZIVRO_MOUSE, -221, 96);
  EXPECT_EQ(game.car_color, 3) << "bottom-right corner is New Color";
}

TEST(ButtonPanelTest, OutlineAndOutsideDoNothing) {
  const int points[][2] = {{-295, 170}, {-220, 170}, {-250, 245}, {-250, 95}, {0, 0}};
  for (const auto& p : points) {
    EXPECT_EQ(in_button_panel(p[0], p[1]), 0) << p[0] << "," << p[1];
    GameState game;
    game.car_moving = 0;  // so a stray "Go" would show
    const GameState before = game;
    apply_event(game, ZIVRO_MOUSE, p[0], p[1]);
    EXPECT_EQ(game, before) << p[0] << "," << p[1];
  }
}

TEST(ButtonPanelTest, FasterStartsAndFeedsTheChase) {
  GameState game;
  for (int i = 0; i < 5; ++i) click_row(game, kFaster);
  EXPECT_EQ(game.car_speed, 10);
  EXPECT_EQ(game.cop_active, 0);
  EXPECT_EQ(game.cop_speed, 20);

  click_row(game, kFaster);
  EXPECT_EQ(game.car_speed, 11);
  EXPECT_EQ(game.cop_active, 1);
  EXPECT_EQ(game.cop_speed, 22);
  EXPECT_EQ(game.cop_dir, game.car_dir);

  // A later press re-aims the police car in the car's current direction.
  click_row(game, kReverse);
  click_row(game, kFaster);
  EXPECT_EQ(game.car_speed, 12);
  EXPECT_EQ(game.cop_speed, 24);
  EXPECT_EQ(game.cop_dir, -1);

  // Slowing down below the limit does not call off the chase.
  click_row(game, kSlower);
  click_row(game, kSlower);
  EXPECT_EQ(game.cop_active, 1);
  EXPECT_EQ(game.cop_speed, 24);
}

TEST(ButtonPanelTest, SlowerColorAndReverseLimits) {
  GameState game;
  for (int i = 0; i < 7; ++i) click_row(game, kSlower);
  EXPECT_EQ(game.car_speed, 0);
  tick(game);
  EXPECT_EQ(game.car_x, 0) << "speed 0 stands still although car_moving is 1";

  game.car_color = 23;
  click_row(game, kNewColor);
  EXPECT_EQ(game.car_color, 0);

  click_row(game, kReverse);
  EXPECT_EQ(game.car_dir, -1);
  click_row(game, kReverse);
  EXPECT_EQ(game.car_dir, 1);
}

TEST(TickTest, CarsAndCloudsWrapFromTheirCurrentPosition) {
  GameState game;
  game.car_x = 318;
  game.cloud_x[2] = 300;
  tick(game);
  EXPECT_EQ(game.car_x, -318);
  EXPECT_EQ(game.cloud_x[2], -391);
  EXPECT_EQ(game.cloud_x[3], 201);
  tick(game);
  EXPECT_EQ(game.car_x, -313);

  game.car_dir = -1;
  game.car_x = -316;
  tick(game);
  EXPECT_EQ(game.car_x, 316);
}

TEST(TickTest, HugeSpeedsWrapOrLeaveInsteadOfOverflowing) {
  int car_x = 10, cop_x = 300, cop_active = 1, pulled_over = 0, stop_timer = 0;
  int car_speed = INT_MAX, cop_speed = INT_MAX;
  move_cars(1, 1, car_x, cop_x, cop_active, pulled_over, stop_timer, car_speed, cop_speed);
  EXPECT_EQ(car_x, -10);
  EXPECT_EQ(cop_x, -300);

  pulled_over = 1;
  stop_timer = 90;
  move_cars(-1, -1, car_x, cop_x, cop_active, pulled_over, stop_timer, car_speed, cop_speed);
  EXPECT_EQ(cop_active, 0) << "a departing police car leaves rather than wraps";
  EXPECT_EQ(cop_x, -300);
  EXPECT_EQ(car_speed, 5);
}

TEST(PulledOverTest, WindowBehindThePoliceCar) {
  struct Case {
    int cop_dir, cop_x, pulled_over;
  };
  const Case cases[] = {{1, -54, 1}, {1, -26, 1}, {1, -55, 0}, {1, -25, 0}, {1, 40, 0},
                        {-1, 54, 1}, {-1, 26, 1}, {-1, 55, 0}, {-1, 25, 0}, {-1, -40, 0}};
  for (const Case& c : cases) {
    GameState game;
    game.car_moving = 0;  // the test is made even while nothing moves
    game.cop_active = 1;
    game.cop_dir = c.cop_dir;
    game.cop_x = c.cop_x;
    tick(game);
    EXPECT_EQ(game.pulled_over, c.pulled_over) << "cop_dir " << c.cop_dir << " cop_x " << c.cop_x;
  }
}

TEST(PulledOverTest, NoStopWithoutPoliceCar) {
  GameState game;
  game.car_moving = 0;
  game.cop_x = -40;
  tick(game);
  EXPECT_EQ(game.pulled_over, 0);
}

TEST(SkyTest, DaysAndNightsAlternate) {
  GameState game;
  EXPECT_EQ(is_day(game.day_count), 1);
  int changes = 0;
  int last_change = 0;
  while (changes < 4) {
    const int day_count = game.day_count;
    tick(game);
    if (game.day_count == day_count) continue;
    ++changes;
    if (changes == 1) {
      EXPECT_EQ(game.tick_count, 194);
      EXPECT_EQ(game.sun_x, 332);
      EXPECT_EQ(game.sun_y, 214);
      EXPECT_EQ(is_day(game.day_count), 0);
    } else {
      EXPECT_EQ(game.tick_count - last_change, 221);
      EXPECT_EQ(game.sun_x, changes % 2 == 0 ? 331 : 332);
      EXPECT_EQ(is_day(game.day_count), changes % 2 == 0 ? 1 : 0);
    }
    last_change = game.tick_count;
  }
  EXPECT_EQ(game.day_count, 5);
  EXPECT_EQ(game.sun_y, 211);
}

TEST(SkyTest, CloudWrapTimes) {
  // A wrap is the one tick in which a cloud moves left; -400 passes -391 on its way right first.
  GameState game;
  std::vector<int> wraps;
  while (wraps.size() < 2) {
    const int before = game.cloud_x[0];
    tick(game);
    if (game.cloud_x[0] < before) {
      EXPECT_EQ(game.cloud_x[0], -391);
      wraps.push_back(game.tick_count);
    }
  }
  EXPECT_EQ(wraps[0], 701);
  EXPECT_EQ(wraps[1] - wraps[0], 692);
}

TEST(PoliceEpisodeTest, TwoEpisodesInARow) {
  GameState game;
  for (int i = 0; i < 6; ++i) click_row(game, kFaster);
  ASSERT_EQ(game.cop_active, 1);

  // Before either car reaches an edge, after k ticks the car is at 11k and the police car at
  // -300 + 22k; the first k that puts it 26..54 behind is the catching tick.
  int expected_catch = 1;
  while (11 * expected_catch - (-300 + 22 * expected_catch) >= 55) ++expected_catch;
  ASSERT_LE(-300 + 22 * expected_catch, 320);
  EXPECT_EQ(chase_until_caught(game), expected_catch);
  EXPECT_EQ(game.car_x, 11 * expected_catch);
  const int left_at = stand_and_depart(game);
  EXPECT_EQ(game.car_dir, 1);
  EXPECT_EQ(game.car_moving, 1);

  // The next chase starts where the police car left, which here is just short of the edge.
  for (int i = 0; i < 6; ++i) click_row(game, kFaster);
  EXPECT_EQ(game.cop_speed, 22);
  EXPECT_EQ(game.cop_x, left_at);
  tick(game);
  EXPECT_EQ(game.cop_x, left_at + 22 <= 320 ? left_at + 22 : -left_at);
  chase_until_caught(game);
  stand_and_depart(game);
}

TEST(PoliceEpisodeTest, StopFreezesTheStopTimerUntilGo) {
  GameState game;
  game.car_moving = 0;
  game.cop_active = 1;
  game.cop_x = -40;
  tick(game);
  ASSERT_EQ(game.pulled_over, 1);
  click_row(game, kGo);
  tick(game);
  tick(game);
  EXPECT_EQ(game.stop_timer, 2);

  click_row(game, kStop);
  for (int i = 0; i < 200; ++i) tick(game);
  EXPECT_EQ(game.stop_timer, 2);
  EXPECT_EQ(game.pulled_over, 1);
  EXPECT_EQ(game.cop_x, -40);

  click_row(game, kGo);
  tick(game);
  EXPECT_EQ(game.stop_timer, 3);
}

TEST(EventTest, KeysChangeNothingAndQuitEndsTheLoop) {
  GameState game;
  tick(game);
  const GameState before = game;
  EXPECT_EQ(apply_event(game, ZIVRO_KBD, -250, 230), 0);
  EXPECT_EQ(game, before);
  EXPECT_EQ(apply_event(game, ZIVRO_QUIT, -250, 230), 1);
  EXPECT_EQ(game, before);
}

TEST(DialogueTest, MultiplesOfFourConfiscate) {
  EXPECT_EQ(dialogue_is_confiscation(-8), 1);
  EXPECT_EQ(dialogue_is_confiscation(0), 1);
  EXPECT_EQ(dialogue_is_confiscation(4), 1);
  EXPECT_EQ(dialogue_is_confiscation(6), 0);
  EXPECT_EQ(dialogue_is_confiscation(-6), 0);
}

}  // namespace

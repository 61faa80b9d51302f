#include "scene.h"

#include <zivro.h>

namespace {

constexpr int kFilled = 0;    // rectangles and triangles of width 0 are filled
constexpr int kHairline = 0;  // a line of width 0 is one pixel wide
constexpr int kOutline = 1;

constexpr int kTextSize = 12;
constexpr int kTalkSize = 30;
constexpr int kPayeeSize = 25;
constexpr int kTalkY = -166;

constexpr int kDiscRadius = 20;  // sun, moon and every cloud disc
constexpr int kWheelRadius = 6;

// Each cloud's discs, as offsets from its first disc.
constexpr int kCloudDiscs[6][2] = {{0, 0}, {10, 10}, {20, -10}, {30, 10}, {40, -10}, {50, 0}};

constexpr int kLabelX = -285;
constexpr int kFirstLabelY = 233 - kTextSize / 2;

const char* const kTicketPayee =
    "ZIVRO Traffic Court\n"
    "1 Example Street\n"
    "Springfield, EX 00000";

}  // namespace

void draw_scene(int sun_x, int sun_y, int is_day, int car_speed, int pulled_over,
                const int cloud_x[4], const int cloud_y[4]) {
  ZIVRO_rectangle(is_day == 1 ? ZIVRO_ICE_BLUE : ZIVRO_BLACK, -300, -250, 300, 250, kFilled);
  ZIVRO_circle(is_day == 1 ? ZIVRO_YELLOW : ZIVRO_WHITE, sun_x, sun_y, kDiscRadius);
  ZIVRO_rectangle(ZIVRO_BROWN, -300, -250, 300, -50, kFilled);  // ground
  ZIVRO_rectangle(ZIVRO_WHITE, -300, -110, 300, -90, kFilled);  // road
  ZIVRO_line(ZIVRO_BLACK, -300, -100, 300, -100, kHairline);    // centre line
  ZIVRO_rectangle(ZIVRO_BLACK, -2, -90, 2, -70, kFilled);       // sign post
  ZIVRO_rectangle(ZIVRO_ORANGE, -50, -70, 50, -35, kFilled);    // sign board
  ZIVRO_textf(ZIVRO_BLACK, -46, -65, kTextSize, "SPEED LIMIT 100");
  ZIVRO_textf(ZIVRO_BLACK, -285, -220, kTextSize, "Click a button to control the car.");
  ZIVRO_rectangle(ZIVRO_BLACK, -75, -250, 75, -230, kFilled);  // read-out box
  ZIVRO_textf(ZIVRO_RED, -70, -245, kTextSize, "CURRENT SPEED: %dmph",
              pulled_over == 1 ? 0 : car_speed * 10);
  ZIVRO_triangle(ZIVRO_GRAY_50, -300, -50, 300, -50, 0, 200, kFilled);
  ZIVRO_triangle(ZIVRO_OLIVE, -375, -50, 100, -50, -225, 166, kFilled);
  ZIVRO_triangle(ZIVRO_FOREST_GREEN, -100, -50, 300, -50, 300, 166, kFilled);
  for (int k = 0; k < 4; ++k) {
    for (const auto& disc : kCloudDiscs) {
      ZIVRO_circle(ZIVRO_WHITE, cloud_x[k] + disc[0], cloud_y[k] + disc[1], kDiscRadius);
    }
  }
}

void draw_buttons(int is_day) {
  const int plain = is_day == 1 ? ZIVRO_BLACK : ZIVRO_WHITE;
  for (int row = 0; row < kPanelRows; ++row) {
    ZIVRO_rectangle(plain, kPanelLeft, kPanelTop - kPanelRowHeight * row, kPanelRight,
                    kPanelTop - kPanelRowHeight * (row + 1), kOutline);
  }
  const struct {
    const char* text;
    int colour;
  } labels[kPanelRows] = {{"Go", ZIVRO_FOREST_GREEN}, {"Stop", ZIVRO_RED}, {"Faster", plain},
                          {"Slower", plain},          {"Reverse", plain},  {"New Color", plain}};
  for (int row = 0; row < kPanelRows; ++row) {
    ZIVRO_textf(labels[row].colour, kLabelX, kFirstLabelY - kPanelRowHeight * row, kTextSize, "%s",
                labels[row].text);
  }
}

void draw_car(int x, int y, int colour, int is_day, int direction) {
  ZIVRO_rectangle(colour, x - 20, y + 6, x + 20, y + 18, kFilled);  // body
  ZIVRO_rectangle(colour, x - 6, y + 18, x + 6, y + 24, kFilled);   // cabin
  ZIVRO_circle(ZIVRO_BLACK, x - 10, y + 6, kWheelRadius);
  ZIVRO_circle(ZIVRO_BLACK, x + 10, y + 6, kWheelRadius);
  if (is_day != 1) {
    // The beam starts at the front of the body and widens to 12 units 60 units ahead.
    const int ahead = direction == -1 ? -1 : 1;
    ZIVRO_triangle(ZIVRO_YELLOW, x + 20 * ahead, y + 6, x + 80 * ahead, y, x + 80 * ahead, y + 12,
                   kFilled);
  }
}

void draw_cop_car(int x, int y, int tick_count, int stop_timer) {
  ZIVRO_rectangle(ZIVRO_BLACK, x - 20, y + 6, x + 20, y + 18, kFilled);  // body
  ZIVRO_rectangle(ZIVRO_WHITE, x - 6, y + 6, x + 6, y + 18, kFilled);    // door panel
  ZIVRO_rectangle(ZIVRO_BLACK, x - 6, y + 18, x + 6, y + 24, kFilled);   // cabin
  ZIVRO_circle(ZIVRO_BLACK, x - 10, y + 6, kWheelRadius);
  ZIVRO_circle(ZIVRO_BLACK, x + 10, y + 6, kWheelRadius);
  ZIVRO_rectangle(ZIVRO_BLACK, x - 2, y + 24, x + 2, y + 30, kFilled);  // roof light
  ZIVRO_line(ZIVRO_BLACK, x - 6, y + 6, x + 6, y + 6, kHairline);       // foot of the door
  if (stop_timer <= kLightsLastTick) {
    const bool odd = tick_count % 2 != 0;
    ZIVRO_triangle(odd ? ZIVRO_RED : ZIVRO_BLUE, x - 2, y + 27, x - 60, y + 24, x - 60, y + 30,
                   kFilled);
    ZIVRO_triangle(odd ? ZIVRO_BLUE : ZIVRO_RED, x + 2, y + 27, x + 60, y + 24, x + 60, y + 30,
                   kFilled);
  }
}

void draw_cars(int car_x, int car_y, int car_color, int is_day, int car_dir, int cop_x, int cop_y,
               int cop_active, int tick_count, int stop_timer) {
  if (cop_active == 1) draw_cop_car(cop_x, cop_y, tick_count, stop_timer);
  draw_car(car_x, car_y, car_color, is_day, car_dir);
}

void draw_ticket_talk(int stop_timer) {
  if (stop_timer <= 14) {
    ZIVRO_textf(ZIVRO_BLACK, -250, kTalkY, kTalkSize, "COP: Do you know how fast you were going?");
  } else if (stop_timer <= 29) {
    ZIVRO_textf(ZIVRO_BLACK, -250, kTalkY, kTalkSize, "It's going to be a $75 ticket.");
  } else if (stop_timer <= kLightsLastTick) {
    ZIVRO_textf(ZIVRO_BLACK, -250, kTalkY, kTalkSize, "You can make that a check payable to:");
  } else {
    ZIVRO_textf(ZIVRO_NAVY_BLUE, -100, kTalkY, kPayeeSize, "%s", kTicketPayee);
  }
}

void draw_confiscate_talk(int stop_timer) {
  if (stop_timer <= 14) {
    ZIVRO_textf(ZIVRO_BLACK, -280, kTalkY, kTalkSize, "COP: Do you know how fast you were going?");
  } else if (stop_timer <= 39) {
    ZIVRO_textf(ZIVRO_BLACK, -250, kTalkY, kTalkSize,
                "Your speeding ticket's going to be --\n    Hey, is that reefer I smell?...");
  } else if (stop_timer <= 64) {
    ZIVRO_textf(ZIVRO_BLACK, -250, kTalkY, kTalkSize,
                "Sorry but I'm going to have to confiscate that.");
  } else {
    ZIVRO_textf(ZIVRO_BLACK, -100, kTalkY, kTalkSize, "Thank you, have a nice day.");
  }
}

void draw_frame(const GameState& game) {
  const int day = is_day(game.day_count);
  draw_scene(game.sun_x, game.sun_y, day, game.car_speed, game.pulled_over, game.cloud_x,
             game.cloud_y);
  draw_buttons(day);
  draw_cars(game.car_x, game.car_y, game.car_color, day, game.car_dir, game.cop_x, game.cop_y,
            game.cop_active, game.tick_count, game.stop_timer);
  if (game.pulled_over == 1) {
    if (dialogue_is_confiscation(game.car_x)) {
      draw_confiscate_talk(game.stop_timer);
    } else {
      draw_ticket_talk(game.stop_timer);
    }
  }
}

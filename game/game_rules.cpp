#include "game_rules.h"

#include <zivro.h>

#include <cstdint>

namespace {

enum ButtonRow { kGo = 0, kStop, kFaster, kSlower, kReverse, kNewColor };

// Above this the police come after the car.
constexpr int kSpeedLimit = 10;
constexpr int kCopSpeedStep = 2;
constexpr int kColourCount = 24;

// A car whose next step would take it farther than this from the centre wraps or leaves.
constexpr int kRoadEdge = 320;
constexpr int kSpeedAfterStop = 5;
constexpr int kCopSpeedAtRest = 20;

constexpr int kSunStep = 3;
constexpr int kSkyLeftEdge = -330;
constexpr int kCloudRightEdge = 300;
// Puts a cloud that passed the right edge back well beyond the left one (301 becomes -391).
constexpr int kCloudWrapShift = 90;

// How far behind the car, in the police car's direction, it has to be to pull the car over.
constexpr int kCatchNear = 25;
constexpr int kCatchFar = 55;

// Where a car at pos would be after one step. Done in 64 bits because speeds have no upper bound
// and the sum must be compared with the road's edge before it is known to fit in an int.
int64_t next_position(int pos, int dir, int speed) {
  return int64_t{pos} + int64_t{dir} * int64_t{speed};
}

bool on_road(int64_t x) {
  return x >= -kRoadEdge && x <= kRoadEdge;
}

// Chase step: a car leaving one side comes back on the other, mirrored from where it is now
// rather than from where it would have been.
int step_or_wrap(int pos, int dir, int speed) {
  const int64_t next = next_position(pos, dir, speed);
  return on_road(next) ? static_cast<int>(next) : -pos;
}

bool cop_is_close_behind(int car_x, int cop_x, int cop_dir) {
  if (cop_dir == 1) return car_x - kCatchFar < cop_x && cop_x < car_x - kCatchNear;
  return car_x + kCatchNear < cop_x && cop_x < car_x + kCatchFar;
}

}  // namespace

int in_button_panel(int x, int y) {
  return (kPanelLeft < x && x < kPanelRight && kPanelBottom < y && y < kPanelTop) ? 1 : 0;
}

// All rows span the same x range, so only y picks the button.
void press_button(int /*x*/, int y, int& car_moving, int& car_speed, int& car_dir, int& cop_dir,
                  int& car_color, int& cop_active, int& cop_speed) {
  // A y on the line between two rows falls to the lower one (y = 220 is "Stop").
  const int row = (kPanelTop - y) / kPanelRowHeight;
  switch (row) {
    case kGo:
      car_moving = 1;
      break;
    case kStop:
      car_moving = 0;
      break;
    case kFaster:
      car_speed += 1;
      // Every press above the limit re-aims and speeds up the police, even mid-stop.
      if (car_speed > kSpeedLimit) {
        cop_active = 1;
        cop_dir = car_dir;
        cop_speed += kCopSpeedStep;
      }
      break;
    case kSlower:
      car_speed -= 1;
      if (car_speed < 0) car_speed = 0;
      break;
    case kReverse:
      car_dir = -car_dir;
      break;
    case kNewColor:
      car_color = (car_color + 1) % kColourCount;
      break;
    default:
      break;
  }
}

void move_sun(int& sun_x, int& sun_y, int& day_count) {
  sun_x -= kSunStep;
  if (sun_x < kSkyLeftEdge) {
    sun_x = -sun_x;
    sun_y -= 1;
    day_count += 1;
  }
}

void move_clouds(int cloud_x[4]) {
  for (int i = 0; i < 4; ++i) {
    cloud_x[i] += 1;
    if (cloud_x[i] > kCloudRightEdge) cloud_x[i] = -cloud_x[i] - kCloudWrapShift;
  }
}

void move_cars(int car_dir, int cop_dir, int& car_x, int& cop_x, int& cop_active, int& pulled_over,
               int& stop_timer, int& car_speed, int& cop_speed) {
  if (pulled_over == 0) {
    if (cop_active == 1) cop_x = step_or_wrap(cop_x, cop_dir, cop_speed);
    car_x = step_or_wrap(car_x, car_dir, car_speed);
  }
  if (pulled_over == 1) stop_timer += 1;
  if (stop_timer > kStopTicks) {
    // Departing: the police car drives off without wrapping, and the episode ends once it is
    // gone. cop_x keeps its last value, which is where the next chase starts.
    const int64_t next = next_position(cop_x, cop_dir, cop_speed);
    if (on_road(next)) {
      cop_x = static_cast<int>(next);
    } else {
      cop_active = 0;
      pulled_over = 0;
      stop_timer = 0;
      car_speed = kSpeedAfterStop;
      cop_speed = kCopSpeedAtRest;
    }
  }
}

int is_day(int day_count) {
  return day_count % 2;
}

void tick_step(GameState& game) {
  game.tick_count += 1;
  move_sun(game.sun_x, game.sun_y, game.day_count);
  move_clouds(game.cloud_x);
  if (game.car_moving == 1) {
    move_cars(game.car_dir, game.cop_dir, game.car_x, game.cop_x, game.cop_active, game.pulled_over,
              game.stop_timer, game.car_speed, game.cop_speed);
  }
  // Checked even while the cars stand still. Only the departure in move_cars clears pulled_over.
  if (game.cop_active == 1 && cop_is_close_behind(game.car_x, game.cop_x, game.cop_dir)) {
    game.pulled_over = 1;
  }
}

int apply_event(GameState& game, int kind, int mouse_x, int mouse_y) {
  switch (kind) {
    case ZIVRO_MOUSE:
      if (in_button_panel(mouse_x, mouse_y) == 1) {
        press_button(mouse_x, mouse_y, game.car_moving, game.car_speed, game.car_dir, game.cop_dir,
                     game.car_color, game.cop_active, game.cop_speed);
      }
      return 0;
    case ZIVRO_PERIODIC:
      tick_step(game);
      return 0;
    case ZIVRO_QUIT:
      return 1;
    default:
      // Keys and anything else leave the game as it is; the caller redraws regardless.
      return 0;
  }
}

int dialogue_is_confiscation(int car_x) {
  return car_x % 4 == 0 ? 1 : 0;
}

#include "scene.h"

// The scene's shapes are painted by the drawing calls, which arrive with the
// renderer; until then a frame draws nothing but keeps its order.
void draw_scene(int, int, int, int, int, const int[4], const int[4]) {}
void draw_buttons(int) {}
void draw_cars(int, int, int, int, int, int, int, int, int, int) {}
void draw_ticket_talk(int) {}
void draw_confiscate_talk(int) {}

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

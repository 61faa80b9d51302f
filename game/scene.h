// Drawing one frame of the car game.
#pragma once

#include "game_rules.h"

void draw_scene(int sun_x, int sun_y, int is_day, int car_speed, int pulled_over,
                const int cloud_x[4], const int cloud_y[4]);
void draw_buttons(int is_day);
void draw_cars(int car_x, int car_y, int car_color, int is_day, int car_dir, int cop_x, int cop_y,
               int cop_active, int tick_count, int stop_timer);
// The player's car with its base line at y; at night a headlight beam points in the driving
// direction (-1 left, anything else right).
void draw_car(int x, int y, int colour, int is_day, int direction);
// The police car; its roof light flashes red and blue, swapping with tick_count's parity, until
// the car has stood 45 ticks.
void draw_cop_car(int x, int y, int tick_count, int stop_timer);
void draw_ticket_talk(int stop_timer);
void draw_confiscate_talk(int stop_timer);

// The whole frame, in drawing order; nothing is cleared in between.
void draw_frame(const GameState& game);

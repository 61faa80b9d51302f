// Drawing one frame of the car game.
#pragma once

#include "game_rules.h"

void draw_scene(int sun_x, int sun_y, int is_day, int car_speed, int pulled_over,
                const int cloud_x[4], const int cloud_y[4]);
void draw_buttons(int is_day);
void draw_cars(int car_x, int car_y, int car_color, int is_day, int car_dir, int cop_x, int cop_y,
               int cop_active, int tick_count, int stop_timer);
void draw_ticket_talk(int stop_timer);
void draw_confiscate_talk(int stop_timer);

// The whole frame, in drawing order; nothing is cleared in between.
void draw_frame(const GameState& game);

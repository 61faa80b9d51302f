// CarGame's state and the rules that change it: button presses, animation ticks and the police
// chase. Nothing here draws or talks to the package; the main loop hands each event to
// apply_event and then redraws the whole scene from GameState.
#pragma once

// Every variable of the game. All positions are package coordinates (origin at the centre of the
// graphics window, y upwards); flags hold 0 or 1. The initialisers are the start of a run.
struct GameState {
  int car_x = 0;       // centre of the car; stays within -320..320
  int car_y = -100;    // base line of the car's wheels; never changes
  int car_dir = 1;     // 1 drives right, -1 left
  int car_speed = 5;   // x units per tick; shown as car_speed * 10 mph; never below 0
  int car_moving = 1;  // 0 after "Stop": neither car moves and the stop timer stands still
  int car_color = 2;   // colour index 0..23 of body and cabin; starts red
  int sun_x = 250;     // centre of the sun by day, of the moon by night
  int sun_y = 215;
  int day_count = 1;  // half-days since start: odd is day, even is night; only grows
  int cloud_x[4] = {-400, -200, 0, 200};  // first circle of each cloud
  int cloud_y[4] = {180, 220, 190, 200};  // never change
  int cop_x = -300;                       // centre of the police car; kept after it leaves
  int cop_y = -100;                       // base line of the police car; never changes
  // Only read while cop_active is 1, and every press that sets cop_active also sets this, so the
  // initial value never matters; 1 just keeps the field defined.
  int cop_dir = 1;
  int cop_speed = 20;   // x units per tick
  int cop_active = 0;   // police car on the scene: chasing, stopping or departing
  int pulled_over = 0;  // from the catching tick until the police car has left
  int stop_timer = 0;   // ticks spent pulled over; picks the dialogue line and starts departure
  int tick_count = 0;   // periodic events handled; its parity flashes the police lights

  friend bool operator==(const GameState&, const GameState&) = default;
};

// The six-button panel at the upper left: one column of rows, each
// kPanelRowHeight high, stacked down from kPanelTop. The rules hit-test it
// and the scene draws it from these same numbers.
constexpr int kPanelLeft = -295;
constexpr int kPanelRight = -220;
constexpr int kPanelTop = 245;
constexpr int kPanelRowHeight = 25;
constexpr int kPanelRows = 6;
constexpr int kPanelBottom = kPanelTop - kPanelRows * kPanelRowHeight;

// Ticks the car stands pulled over before the police car drives off.
constexpr int kStopTicks = 90;
// The stop's last tick with the police lights flashing; after it the
// ticket's dialogue shows the payee.
constexpr int kLightsLastTick = 44;

// 1 when (x, y) lies strictly inside the six-button panel, else 0. Clicks on its outline miss.
int in_button_panel(int x, int y);

// Applies the button under (x, y), a point that in_button_panel has accepted: "Go", "Stop",
// "Faster", "Slower", "Reverse" or "New Color" from the top row down. A "Faster" press that leaves
// car_speed above 10 (re)starts the chase in the car's current direction and adds 2 to cop_speed.
void press_button(int x, int y, int& car_moving, int& car_speed, int& car_dir, int& cop_dir,
                  int& car_color, int& cop_active, int& cop_speed);

// Moves the sun (or moon) 3 units left; past the left edge it reappears on the right, one unit
// lower, and the half-day count advances.
void move_sun(int& sun_x, int& sun_y, int& day_count);

// Moves each cloud one unit right; a cloud past 300 reappears off the left edge.
void move_clouds(int cloud_x[4]);

// One tick of both cars while car_moving is 1: chase and drive with wrap-around, count the stop,
// and after 90 ticks of stop let the police car drive off, resetting the episode when it leaves.
void move_cars(int car_dir, int cop_dir, int& car_x, int& cop_x, int& cop_active, int& pulled_over,
               int& stop_timer, int& car_speed, int& cop_speed);

// 1 by day, 0 by night.
int is_day(int day_count);

// Everything one ZIVRO_PERIODIC event does: count it, move sun, clouds and (if moving) cars, then
// check whether the police car has caught up.
void tick_step(GameState& game);

// Updates the game for one event of the given kind (ZIVRO_MOUSE with its position, ZIVRO_PERIODIC,
// ZIVRO_KBD, ZIVRO_QUIT). Returns 1 for ZIVRO_QUIT, the signal to leave the loop after the next
// frame, else 0.
int apply_event(GameState& game, int kind, int mouse_x, int mouse_y);

// 1 when a stop at car_x plays the confiscation dialogue, 0 for the ticket. The car stands still
// while pulled over, so one stop always keeps the same dialogue.
int dialogue_is_confiscation(int car_x);

// Which keys and mouse buttons are held, as the events the program has been
// given tell it: a replay, giving the same events, answers the same.
#pragma once

#include <zivro.h>

// Each event the wait hands the program, with the groups it asked for then.
void note_given_event(const ZIVRO_Event& event, int wanted);
// A group the program no longer asks for tells nothing more: what it held
// is forgotten rather than held for ever.
void forget_unwanted_held(int wanted);
void reset_held_input();

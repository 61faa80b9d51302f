// What only the tests ask of the events module: a fresh start.
#pragma once

#include "events.h"

void reset_events_state();

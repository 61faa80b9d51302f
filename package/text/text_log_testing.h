// What only the tests ask of the text log: its ring, and a fresh start.
#pragma once

#include "text/text_log.h"

// The ring, for inspection: slot indices and the stored text of a slot.
int log_ring_first();
int log_ring_next();
const std::string* log_ring_line(int slot);
void reset_text_log_state();

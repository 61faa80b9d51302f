// The desktop layer's own interface.
#pragma once

namespace desktop {

// true: waiting for a message returns at once, so the package spins as its
// pump step alone would. For measuring what blocking saves.
void set_spinning_wait(bool spinning);

}  // namespace desktop

// For tests: forget the pictures read and the warnings given, as a fresh
// process would.
#pragma once

void reset_pictures_state();

// For tests: forget the colours a program defined, as a fresh process would.
#pragma once

void reset_colour_table();

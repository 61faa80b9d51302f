// Painting drawing commands onto the canvas.
#pragma once

#include "draw/colour_table.h"

// Paints one command in package coordinates and marks the canvas dirty.
void draw_command(const DrawCommand& command);
// Paints the whole canvas white with the context's pen along its edges, and
// marks the canvas dirty.
void clear_canvas();

// Painting drawing commands onto the canvas.
#pragma once

// Paints the whole canvas white with the context's pen along its edges, and
// marks the canvas dirty.
void clear_canvas();

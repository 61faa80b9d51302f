/* ada: the light's drawing, apart from its events. */
void draw_light(int phase, int ticks);

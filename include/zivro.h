/* ZIVRO: a small graphics package for simple interactive programs.
 *
 * An application provides WinMain, calls ZIVRO_open with its four start-up
 * values, then loops on ZIVRO_wait_event, drawing after each event, and calls
 * ZIVRO_close once the wait has returned ZIVRO_QUIT. This header is plain C
 * and may be included from C and C++ alike. */
#pragma once

/* NULL, which the calls take for the results a caller does not want. */
#include <stddef.h>

#ifdef _WIN32
#include <windows.h>
#else
/* Just enough of Windows' entry-point types for
 *   int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
 * to compile unchanged; on these platforms the package supplies main(). */
typedef struct ZIVRO_instance_tag* HINSTANCE;
typedef char* LPSTR;
#ifndef WINAPI
#define WINAPI
#endif
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* Event kinds returned by ZIVRO_wait_event. */
enum {
  ZIVRO_MOUSE = 1,    /* a left click; x and y in package coordinates */
  ZIVRO_KBD = 2,      /* a typed character */
  ZIVRO_PERIODIC = 3, /* one animation tick */
  ZIVRO_QUIT = 4      /* the run is over */
};

/* Colour indices of the package's 24 colours. */
enum {
  ZIVRO_BLACK = 0,
  ZIVRO_WHITE = 1,
  ZIVRO_RED = 2,
  ZIVRO_GREEN = 3,
  ZIVRO_BLUE = 4,
  ZIVRO_YELLOW = 5,
  ZIVRO_MAGENTA = 6,
  ZIVRO_CYAN = 7,
  ZIVRO_PURPLE = 8,
  ZIVRO_NAVY_BLUE = 9,
  ZIVRO_DUSTY_PLUM = 10,
  ZIVRO_ICE_BLUE = 11,
  ZIVRO_TURQUOISE = 12,
  ZIVRO_ORANGE = 13,
  ZIVRO_BROWN = 14,
  ZIVRO_PINK = 15,
  ZIVRO_CHALK = 16,
  ZIVRO_GOLD = 17,
  ZIVRO_PEACH = 18,
  ZIVRO_FOREST_GREEN = 19,
  ZIVRO_SEA_GREEN = 20,
  ZIVRO_OLIVE = 21,
  ZIVRO_GRAY_50 = 22,
  ZIVRO_GRAY_20 = 23,
  ZIVRO_COLOUR_COUNT = 24
};

/* A point in package coordinates: origin at the centre of the graphics
 * window's client area, x to the right, y upwards. */
typedef struct Point {
  int x;
  int y;
} Point;

/* What ZIVRO_wait_event_rec fills in: the click position and the key. */
typedef struct EventRecord {
  int x;
  int y;
  int key; /* the character's byte, sign-extended as char is */
} EventRecord;

/* Opening and closing. Both always return 1. */
int ZIVRO_open(HINSTANCE instance, HINSTANCE previous, LPSTR command_line, int show_mode);
int ZIVRO_close(void);

/* Waits for the next event and returns its kind; stores the click position
 * and the key (0 where the event has none). */
int ZIVRO_wait_event(int* x, int* y, char* key);
int ZIVRO_wait_event_rec(EventRecord* event);

/* What ZIVRO_run_control does. */
enum {
  ZIVRO_RUN_HALT = 0,    /* stop the animation; a pending single step is dropped */
  ZIVRO_RUN_STEP = 1,    /* one ZIVRO_PERIODIC event at the next tick */
  ZIVRO_RUN_ANIMATE = 2, /* a ZIVRO_PERIODIC event at every tick */
  ZIVRO_RUN_QUIT = 5     /* every later wait returns ZIVRO_QUIT */
};

/* One of the ZIVRO_RUN_ values; other values do nothing. Returns 0 (and
 * does nothing) before ZIVRO_open, otherwise 1. */
int ZIVRO_run_control(int what);

/* Extensions: opt-in input events. A program that never calls
 * ZIVRO_want_events gets exactly the events above, and its recordings hold
 * exactly the lines they always held. */

/* The further event kinds; each comes only when its group is wanted. */
enum {
  ZIVRO_KEY_PRESS = 5,     /* a key went down (repeats while held) */
  ZIVRO_KEY_RELEASE = 6,   /* a key went up */
  ZIVRO_MOUSE_RELEASE = 7, /* a mouse button went up */
  ZIVRO_MOUSE_DRAG = 8,    /* the mouse moved with a button held */
  ZIVRO_MOUSE_RIGHT = 9,   /* the right button went down */
  ZIVRO_MOUSE_MIDDLE = 10, /* the middle button went down */
  ZIVRO_MOUSE_MOVE = 11,   /* the mouse moved with no button held */
  ZIVRO_MOUSE_WHEEL = 12   /* the wheel turned; button holds its steps */
};

/* The groups of events for ZIVRO_want_events, to be or-ed together. */
enum {
  ZIVRO_WANT_KEYS = 0x1,    /* ZIVRO_KEY_PRESS and ZIVRO_KEY_RELEASE */
  ZIVRO_WANT_RELEASE = 0x2, /* ZIVRO_MOUSE_RELEASE */
  ZIVRO_WANT_DRAG = 0x4,    /* ZIVRO_MOUSE_DRAG */
  ZIVRO_WANT_BUTTONS = 0x8, /* ZIVRO_MOUSE_RIGHT and ZIVRO_MOUSE_MIDDLE */
  ZIVRO_WANT_ALL = 0xF,     /* the four groups above */
  ZIVRO_WANT_MOVE = 0x10,   /* ZIVRO_MOUSE_MOVE, coalesced as Windows does */
  ZIVRO_WANT_WHEEL = 0x20   /* ZIVRO_MOUSE_WHEEL */
};

/* Mouse buttons, in ZIVRO_Event.button: the one pressed or released, or
 * for a drag the buttons held, or-ed together. For ZIVRO_MOUSE_WHEEL the
 * field holds the wheel's steps instead: positive turned away from the
 * user, negative towards. */
enum { ZIVRO_BUTTON_LEFT = 0x1, ZIVRO_BUTTON_RIGHT = 0x2, ZIVRO_BUTTON_MIDDLE = 0x4 };

/* Modifier keys held, in ZIVRO_Event.modifiers. */
enum { ZIVRO_MOD_SHIFT = 0x1, ZIVRO_MOD_CTRL = 0x2, ZIVRO_MOD_ALT = 0x4 };

/* Key codes of ZIVRO_KEY_PRESS and ZIVRO_KEY_RELEASE: the Windows
 * virtual-key codes. A letter key gives its upper-case letter ('A'..'Z'),
 * a digit key its digit ('0'..'9'), whatever Shift does to the character. */
enum {
  ZIVRO_VK_BACKSPACE = 0x08,
  ZIVRO_VK_TAB = 0x09,
  ZIVRO_VK_ENTER = 0x0D,
  ZIVRO_VK_SHIFT = 0x10,
  ZIVRO_VK_CTRL = 0x11,
  ZIVRO_VK_ALT = 0x12,
  ZIVRO_VK_ESCAPE = 0x1B,
  ZIVRO_VK_SPACE = 0x20,
  ZIVRO_VK_PAGE_UP = 0x21,
  ZIVRO_VK_PAGE_DOWN = 0x22,
  ZIVRO_VK_END = 0x23,
  ZIVRO_VK_HOME = 0x24,
  ZIVRO_VK_LEFT = 0x25,
  ZIVRO_VK_UP = 0x26,
  ZIVRO_VK_RIGHT = 0x27,
  ZIVRO_VK_DOWN = 0x28,
  ZIVRO_VK_INSERT = 0x2D,
  ZIVRO_VK_DELETE = 0x2E,
  ZIVRO_VK_F1 = 0x70,
  ZIVRO_VK_F2 = 0x71,
  ZIVRO_VK_F3 = 0x72,
  ZIVRO_VK_F4 = 0x73,
  ZIVRO_VK_F5 = 0x74,
  ZIVRO_VK_F6 = 0x75,
  ZIVRO_VK_F7 = 0x76,
  ZIVRO_VK_F8 = 0x77,
  ZIVRO_VK_F9 = 0x78,
  ZIVRO_VK_F10 = 0x79,
  ZIVRO_VK_F11 = 0x7A,
  ZIVRO_VK_F12 = 0x7B
};

/* What ZIVRO_wait_event_ex fills in. Fields an event does not carry are 0.
 *   kind       what the wait returns
 *   x, y       mouse kinds: the position, in package coordinates
 *   key        ZIVRO_KBD: the character's byte as ZIVRO_wait_event_rec gives
 *              it; ZIVRO_KEY_PRESS and ZIVRO_KEY_RELEASE: the key code
 *   button     mouse kinds: ZIVRO_BUTTON_ values
 *   modifiers  the ZIVRO_MOD_ keys held when the event happened */
typedef struct ZIVRO_Event {
  int kind;
  int x;
  int y;
  int key;
  int button;
  int modifiers;
} ZIVRO_Event;

/* Chooses the groups of further events the waits return, for the rest of
 * the run (0 switches them all off). Unknown bits are ignored. Returns the
 * groups wanted before. May be called before ZIVRO_open. */
int ZIVRO_want_events(int mask);

/* Whether a key (by its key code, as ZIVRO_KEY_PRESS gives it) or a mouse
 * button (one of ZIVRO_BUTTON_LEFT, _RIGHT, _MIDDLE) is held now, as the
 * events the waits have returned tell: a key from its ZIVRO_KEY_PRESS until
 * its ZIVRO_KEY_RELEASE (so only while ZIVRO_WANT_KEYS is asked for), a
 * button from its press until its release (only while ZIVRO_WANT_RELEASE
 * is). A replay, returning the same events, answers the same. 1 or 0. */
int ZIVRO_key_held(int key_code);
int ZIVRO_button_held(int button);

/* ZIVRO_wait_event_rec with the kind and all of the event's details. */
int ZIVRO_wait_event_ex(ZIVRO_Event* event);

#ifndef _WIN32
/* The application's entry. On these platforms the package's own main()
 * calls it with the four start-up values. */
int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR command_line, int show_mode);
#endif

/* Drawing, in package coordinates. Bad arguments are repaired with a
 * warning in the text window: a colour outside 0..23 becomes red, negative
 * sizes become positive, point sizes above 127 become 127. A width of 0
 * fills the shape. Each call returns 1; the printf-style calls return the
 * number of characters formatted. */
int ZIVRO_pixel(int colour, int x, int y);
int ZIVRO_circle(int colour, int x, int y, int radius);
int ZIVRO_triangle(int colour, int x1, int y1, int x2, int y2, int x3, int y3, int width);
int ZIVRO_rectangle(int colour, int x1, int y1, int x2, int y2, int width);
int ZIVRO_oval(int colour, int x1, int y1, int x2, int y2, int width);
int ZIVRO_line(int colour, int x1, int y1, int x2, int y2, int width);
int ZIVRO_text(int colour, int x, int y, int ptsize, const char* text);
int ZIVRO_textf(int colour, int x, int y, int ptsize, const char* format, ...)
#if defined(__GNUC__)
    __attribute__((format(printf, 5, 6)))
#endif
    ;
int ZIVRO_textf2(int colour, int x, int y, int ptsize, const char* format, ...)
#if defined(__GNUC__)
    __attribute__((format(printf, 5, 6)))
#endif
    ;
/* The same calls with each coordinate pair as one Point. */
int ZIVRO_pixel_at(int colour, Point at);
int ZIVRO_circle_at(int colour, Point centre, int radius);
int ZIVRO_triangle_at(int colour, Point first, Point second, Point third, int width);
int ZIVRO_rectangle_at(int colour, Point first, Point second, int width);
int ZIVRO_oval_at(int colour, Point first, Point second, int width);
int ZIVRO_line_at(int colour, Point start, Point end, int width);
int ZIVRO_text_at(int colour, Point at, int ptsize, const char* text);

/* Extensions: more shapes, in package coordinates, repaired and logged like
 * the calls above; a width of 0 fills the closed ones.
 *
 * ZIVRO_polygon joins points[0..count-1] and closes the outline back to the
 * first; filled, the inside is where a ray crosses the outline an odd number
 * of times, as for the triangle. ZIVRO_polyline joins them without closing,
 * with a line of the width (0 is one pixel). Fewer than 2 points, or no
 * list, draw nothing with a warning; a list longer than 10000 points is cut
 * to 10000 with a warning.
 *
 * ZIVRO_round_rectangle is ZIVRO_rectangle with each corner a quarter of the
 * circle of `radius` (0 is the plain rectangle; a radius past half the box
 * makes its ends round).
 *
 * ZIVRO_arc draws part of the outline of the oval in the box (0 width is one
 * pixel); ZIVRO_pie joins that part's ends to the oval's centre and fills
 * with width 0. The part starts at start_degrees, counted counter-clockwise
 * from 3 o'clock, and sweeps over sweep_degrees, counter-clockwise when
 * positive, clockwise when negative; a sweep of 0 draws nothing and one
 * beyond +-360 is held to a whole turn with a warning. Boxes more than
 * 131072 pixels across are not drawn. */
int ZIVRO_polygon(int colour, int count, const Point* points, int width);
int ZIVRO_polyline(int colour, int count, const Point* points, int width);
int ZIVRO_arc(int colour, int x1, int y1, int x2, int y2, int start_degrees, int sweep_degrees,
              int width);
int ZIVRO_pie(int colour, int x1, int y1, int x2, int y2, int start_degrees, int sweep_degrees,
              int width);
int ZIVRO_round_rectangle(int colour, int x1, int y1, int x2, int y2, int radius, int width);

/* What ZIVRO_text would take for `text` at `ptsize`, in pixels, measured
 * by the same font the drawing uses: the width is the advance of the widest
 * line (the next text drawn that far to the right starts where this one's
 * last character ends), the height the pitch of one line (a text of n lines
 * takes n times as much). The point size is repaired as ZIVRO_text repairs
 * it, with the same warning; a NULL text is 0 wide. 0 before ZIVRO_open. */
int ZIVRO_text_width(int ptsize, const char* text);
int ZIVRO_text_height(int ptsize);

/* Writes the canvas, as drawn so far, to png_file as a PNG picture (in the
 * browser: offers it as a download of that name). Returns 1, or 0 with a
 * warning in the text window when it could not be written. */
int ZIVRO_save_png(const char* png_file);
/* Draws the PNG picture png_file with its upper-left pixel at (x, y), its
 * alpha blended over the canvas, clipped to it. The file is read on first
 * use and kept: later calls with the same name draw what was read. A file
 * that cannot be read draws nothing, with a warning in the text window
 * (once per file). Returns 1. */
int ZIVRO_image(const char* png_file, int x, int y);
/* Sets *width and *height to the size of the picture png_file (either
 * pointer may be NULL) and returns 1; returns 0 if it cannot be read. */
int ZIVRO_image_size(const char* png_file, int* width, int* height);
/* Paints the canvas white; ZIVRO_undo is obsolete and only says so. */
int ZIVRO_clear(void);
int ZIVRO_undo(void);

/* Text window. ZIVRO_printf returns the number of characters formatted. */
int ZIVRO_printf(const char* format, ...)
#if defined(__GNUC__)
    __attribute__((format(printf, 1, 2)))
#endif
    ;
int ZIVRO_logging(int on);

/* Asks for a line of text in a modal dialog. `buffer` must hold 256 bytes;
 * it receives at most 255 characters. Returns 0 if the dialog could not be
 * shown (the buffer is then untouched), else 1. */
int ZIVRO_gets(const char* prompt, char* buffer);

/* Extensions: calls a program makes only when it wants what they add. A
 * program that never calls them behaves exactly as without them. */

/* Sets the animation timer's period to `ms` milliseconds (10 to 1000; the
 * default is 100). A value outside is repaired to the nearer end with a
 * warning in the text window. Scripts count ticks, not milliseconds, so a
 * recording replays the same at any period. Returns 0 (and does nothing)
 * before ZIVRO_open, otherwise 1. */
int ZIVRO_set_tick(int ms);

/* ZIVRO_gets for a buffer of `size` bytes: stores at most size - 1
 * characters of the answer and a terminating NUL, and never writes past
 * `size` bytes. With a size of 0 or less (or no buffer) the dialog is shown
 * and nothing is stored. Returns as ZIVRO_gets does. */
int ZIVRO_gets_n(const char* prompt, char* buffer, int size);

/* The index of a colour by its name as the log writes it ("sea green",
 * "50% gray"), in any mix of upper and lower case. Blanks (spaces, tabs,
 * line breaks) around the name are ignored and a run of them between its
 * words counts as one space. -1 for any other name, and for NULL. */
int ZIVRO_colour_index(const char* name);

/* A colour of the program's own, from its red, green and blue (0 to 255
 * each): returns its index, which every drawing call takes like one of the
 * 24. The first colour defined is 24, the next 25, and so on up to 255;
 * asking again for a colour already defined returns its index. A component
 * outside 0..255 is clamped into it with a warning in the text window; when
 * all 232 indices are taken, a new colour is refused with a warning and the
 * call returns ZIVRO_RED. The log names a defined colour by its value,
 * "rgb(255,128,0)". Until a program defines a colour, an index outside
 * 0..23 is still repaired to red. */
int ZIVRO_rgb(int red, int green, int blue);

#ifdef __cplusplus
}
#endif

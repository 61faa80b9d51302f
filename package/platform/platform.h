// The one interface between the package and a windowing platform.
//
// Operations are named by purpose. Messages keep Win32's numbers and
// parameter packing on every layer, so the package's window procedures are
// the same code everywhere. Four layers implement this file: win32 (a thin
// pass-through), desktop (FLTK), headless (in memory, virtual clock) and web
// (a browser page); the three portable ones share the code under portable/.
//
// Nothing here reports failure: the package never tests a platform result.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <vector>

// Message numbers, as Win32 defines them.
#ifndef WM_CREATE
#define WM_CREATE 0x0001
#define WM_DESTROY 0x0002
#define WM_SIZE 0x0005
#define WM_PAINT 0x000F
#define WM_CLOSE 0x0010
#define WM_QUIT 0x0012
#define WM_KEYDOWN 0x0100
#define WM_KEYUP 0x0101
#define WM_CHAR 0x0102
#define WM_INITDIALOG 0x0110
#define WM_COMMAND 0x0111
#define WM_TIMER 0x0113
#define WM_LBUTTONDOWN 0x0201
#define WM_LBUTTONUP 0x0202
#define WM_RBUTTONDOWN 0x0204
#endif

// The further input messages and their key-state bits, as Win32 defines them.
#ifndef WM_MOUSEMOVE
#define WM_SYSKEYDOWN 0x0104
#define WM_SYSKEYUP 0x0105
#define WM_MOUSEMOVE 0x0200
#define WM_RBUTTONUP 0x0205
#define WM_MBUTTONDOWN 0x0207
#define WM_MBUTTONUP 0x0208
#define MK_LBUTTON 0x0001u
#define MK_RBUTTON 0x0002u
#define MK_MBUTTON 0x0010u
#define VK_MENU 0x12
#endif

#ifndef WM_MOUSEWHEEL
#define WM_MOUSEWHEEL 0x020A
#define WHEEL_DELTA 120
#endif

// Window styles, menu flags, show modes and virtual keys the package uses.
#ifndef WS_CAPTION
#define WS_CAPTION 0x00C00000u
#define WS_SYSMENU 0x00080000u
#define WS_OVERLAPPEDWINDOW 0x00CF0000u
#define CS_VREDRAW 0x0001u
#define CS_HREDRAW 0x0002u
#define MF_STRING 0x0000u
#define MF_GRAYED 0x0001u
#define MF_CHECKED 0x0008u
#define MF_UNCHECKED 0x0000u
#define MF_POPUP 0x0010u
#define MF_SEPARATOR 0x0800u
#define SW_HIDE 0
#define SW_SHOWNORMAL 1
#define SW_SHOW 5
#define VK_BACK 0x08
#define VK_TAB 0x09
#define VK_RETURN 0x0D
#define VK_SHIFT 0x10
#define VK_CONTROL 0x11
#define VK_ESCAPE 0x1B
#define VK_SPACE 0x20
#define TRANSPARENT 1
#define OPAQUE 2
#endif

namespace platform {

struct WindowObject;
struct MenuObject;
struct PenObject;
struct BrushObject;
struct FontObject;
struct DialogObject;
struct DrawingContextObject;
struct BitmapObject;
using Window = WindowObject*;
using Menu = MenuObject*;
using DrawingContext = DrawingContextObject*;
using Bitmap = BitmapObject*;
using Pen = PenObject*;
using Brush = BrushObject*;
using Font = FontObject*;
using Dialog = DialogObject*;

using WindowProc = intptr_t (*)(Window window, unsigned message, uintptr_t wparam, intptr_t lparam);
// Returns nonzero for the messages it handles.
using DialogProc = intptr_t (*)(Dialog dialog, unsigned message, uintptr_t wparam, intptr_t lparam);

struct Message {
  Window window = nullptr;  // null for thread messages such as WM_QUIT
  unsigned number = 0;
  uintptr_t wparam = 0;
  intptr_t lparam = 0;
};

struct Rect {
  int left = 0;
  int top = 0;
  int right = 0;
  int bottom = 0;
};

struct Size {
  int width = 0;
  int height = 0;
};

struct Vertex {
  int x = 0;
  int y = 0;
};

struct TextMetrics {
  int height = 0;  // ascent + descent
  int ascent = 0;
  int descent = 0;
  int internal_leading = 0;
  int external_leading = 0;
  int average_width = 0;
};

// What a window class shares among its windows. Every class gets the
// platform's standard application icon and arrow cursor.
struct WindowClass {
  unsigned style = 0;
  WindowProc procedure = nullptr;
  uint32_t background = 0;  // colour reference 0x00BBGGRR
  const char* menu_name = nullptr;
  const char* class_name = nullptr;
};

// Win32's packing of two 16-bit values into a long parameter.
inline intptr_t make_lparam(int low, int high) {
  return static_cast<intptr_t>(static_cast<uint32_t>(static_cast<uint16_t>(low)) |
                               (static_cast<uint32_t>(static_cast<uint16_t>(high)) << 16));
}
inline unsigned low_word(intptr_t value) {
  return static_cast<uint32_t>(value) & 0xFFFFu;
}
inline unsigned high_word(intptr_t value) {
  return (static_cast<uint32_t>(value) >> 16) & 0xFFFFu;
}

// --- Message source -------------------------------------------------------

// Takes one message off the thread's queue; never waits. Returns false when
// there is none. Timer messages are made only when nothing else is queued.
bool take_message(Message* message);
// Posts a character message for a printable key-down (taken later).
void translate_message(const Message& message);
// Calls the procedure of the message's window; returns its result.
intptr_t dispatch_message(const Message& message);
void post_message(Window window, unsigned number, uintptr_t wparam, intptr_t lparam);
void post_quit_message(int exit_code);
// Blocks until take_message would return a message. Used only when the
// caller has nothing else to do; never changes which messages come or when.
void wait_for_message();

// --- Windows and timer ----------------------------------------------------

void register_window_class(const WindowClass& window_class);
// Sends WM_CREATE, then WM_SIZE with the client size, before returning.
Window create_window(const char* class_name, const char* title, uint32_t style, int x, int y,
                     int width, int height);
void show_window(Window window, int show_mode);
Rect client_rect(Window window);
Size screen_size();
// The pointer's position a WM_MOUSEWHEEL carries, in the window's client
// coordinates: Windows packs it in screen coordinates, the portable layers
// post it in client coordinates already.
intptr_t wheel_client_position(Window window, intptr_t lparam);
intptr_t default_window_proc(Window window, unsigned message, uintptr_t wparam, intptr_t lparam);
// Timer messages (WM_TIMER, wparam = id) reach the window every period_ms.
void start_timer(Window window, unsigned id, unsigned period_ms);
void stop_timer(Window window, unsigned id);

// --- Menus ----------------------------------------------------------------

Menu create_menu_bar();
Menu create_popup_menu();
// flags: MF_STRING, MF_GRAYED, MF_CHECKED, MF_SEPARATOR (label and id unused).
void append_menu_item(Menu menu, unsigned flags, unsigned id, const char* label);
void append_popup_menu(Menu bar, Menu popup, const char* label);
void attach_menu(Window window, Menu bar);
void redraw_menu_bar(Window window);
// Sets or removes the check mark of the item with command id `id`.
void check_menu_item(Menu menu, unsigned id, bool checked);

// --- Drawing contexts -----------------------------------------------------

DrawingContext window_context(Window window);
void release_window_context(Window window, DrawingContext context);
DrawingContext create_memory_context(DrawingContext compatible_with);
Bitmap create_bitmap(DrawingContext compatible_with, int width, int height);
// Selects the bitmap into a memory context; returns the one selected before.
Bitmap select_bitmap(DrawingContext context, Bitmap bitmap);
// Copies a block of pixels, clipped to both surfaces.
void copy_block(DrawingContext destination, int x, int y, int width, int height,
                DrawingContext source, int source_x, int source_y);
DrawingContext begin_paint(Window window);
void end_paint(Window window, DrawingContext paint_context);

// --- Drawing --------------------------------------------------------------
//
// GDI's object model on a drawing context: a selected pen, brush and font,
// a background mode and colour, a text colour. Selecting returns what was
// selected before. A fresh context holds a one-pixel black pen, a white
// brush, the system font, opaque mode on white, and black text. Colours are
// colour references, 0x00BBGGRR. Deleting a stock object does nothing.

Pen create_pen(int width, uint32_t colour);  // solid; width 0 is one pixel
Pen null_pen();                              // the stock pen that draws nothing
Brush create_solid_brush(uint32_t colour);
Brush hollow_brush();             // the stock brush that fills nothing
Font create_font(int em_height);  // normal weight; 0 picks a default size
Font fixed_pitch_font();          // the stock fixed-pitch font
Pen select_pen(DrawingContext context, Pen pen);
Brush select_brush(DrawingContext context, Brush brush);
Font select_font(DrawingContext context, Font font);
void delete_pen(Pen pen);
void delete_brush(Brush brush);
void delete_font(Font font);

void set_text_colour(DrawingContext context, uint32_t colour);
int background_mode(DrawingContext context);
void set_background_mode(DrawingContext context, int mode);  // TRANSPARENT or OPAQUE
uint32_t background_colour(DrawingContext context);

void set_pixel(DrawingContext context, int x, int y, uint32_t colour);
void move_to(DrawingContext context, int x, int y);
// A line from the current position with the pen; a one-pixel pen leaves
// the end pixel unpainted. The end becomes the current position.
void line_to(DrawingContext context, int x, int y);
void draw_polygon(DrawingContext context, const Vertex* vertices, int count);
// GDI's Polyline: segment after segment with the pen, as line_to draws
// them; the current position is neither used nor moved.
void draw_polyline(DrawingContext context, const Vertex* vertices, int count);
// Shapes in the box whose right column and bottom row are excluded: outline
// with the pen, inside with the brush.
void draw_rectangle(DrawingContext context, int left, int top, int right, int bottom);
void draw_ellipse(DrawingContext context, int left, int top, int right, int bottom);
// GDI's RoundRect: corners are the quarters of the ellipse of a box
// ellipse_width by ellipse_height.
void draw_round_rectangle(DrawingContext context, int left, int top, int right, int bottom,
                          int ellipse_width, int ellipse_height);
// GDI's Arc and Pie in the default, counter-clockwise direction: the
// ellipse's outline from the ray from the box's centre through the start
// point to the ray through the end point. The arc uses the pen only; the pie
// closes through the centre and fills with the brush.
void draw_arc(DrawingContext context, int left, int top, int right, int bottom, int start_x,
              int start_y, int end_x, int end_y);
void draw_pie(DrawingContext context, int left, int top, int right, int bottom, int start_x,
              int start_y, int end_x, int end_y);
// Draws count bytes with the upper-left corner of the first cell at (x, y).
void draw_text(DrawingContext context, int x, int y, const char* text, size_t count);
// Width and line pitch of count bytes set in one line in the selected font.
Size text_extent(DrawingContext context, const char* text, size_t count);
TextMetrics text_metrics(DrawingContext context);
// Writes the bitmap selected into a memory context as a PNG file at `path`
// (the page offers it as a download of that name instead). Unlike the rest
// of this file it says whether it could: a program asks for the file.
bool save_context_png(DrawingContext context, const char* path);
// Moves the context's whole surface by (dx, dy); uncovered pixels stay.
void scroll_surface(DrawingContext context, int dx, int dy);

// --- Modal dialog ---------------------------------------------------------

// Runs a modal dialog built from an in-memory template in Win32's layout (a
// DLGTEMPLATE and its DLGITEMTEMPLATE items, dialog units, 16-bit strings),
// `size` bytes long, owned by `owner`. The procedure gets WM_INITDIALOG with
// `init`, then the dialog's commands. While it runs, messages for the other
// windows keep being dispatched. Returns the result given to end_dialog,
// or -1 when the dialog could not be shown.
intptr_t run_modal_dialog(const uint8_t* dialog_template, size_t size, Window owner,
                          DialogProc procedure, intptr_t init);
// Copies an item's text, NUL-terminated, at most size - 1 bytes; returns
// the number of bytes copied.
int dialog_item_text(Dialog dialog, int item_id, char* buffer, int size);
void end_dialog(Dialog dialog, intptr_t result);

// --- Text transcript and script file --------------------------------------

// Sees every line printed to the text window, exactly as formatted. The
// headless layer keeps them for its runner; other layers ignore them.
void note_printed_line(const char* text);
// false when the layer's own start-up never ran, as in a program that
// defines main() instead of WinMain and so bypasses the layer's main.
bool started_through_entry();
// Opens a regular file as a binary stream: for writing emptied, or created
// when missing; for reading as it is. Returns null for anything else (a
// FIFO, a device, a directory), and never blocks on opening it.
std::FILE* open_regular_file(const char* path, bool for_writing);

// --- Pictures -------------------------------------------------------------

// A picture as 8-bit RGBA: pixels 0xAARRGGBB, alpha not premultiplied, rows
// top to bottom.
struct Picture {
  int width = 0;
  int height = 0;
  std::vector<uint32_t> pixels;
};
// Reads a PNG file of any kind (palette, grey, 16 bits, alpha, interlaced).
// Says whether it could: a missing or broken file is the program's mistake.
bool load_picture(const char* path, Picture* picture);
// Blends the picture over the context's surface with its upper-left pixel at
// (x, y), clipped to the surface, by raster::blend_pixel's formula.
void draw_picture(DrawingContext context, int x, int y, const Picture& picture);

}  // namespace platform

// The win32 layer: each operation is the Win32 call it is named after.
//
// Handles cross the interface unchanged; only the procedures need a hand,
// because the package's procedures have the C++ calling convention while
// Win32 calls window and dialog procedures with its own (stdcall on 32-bit
// x86). Each class and each running dialog therefore gets a trampoline that
// forwards to the package's procedure.
//
// Unlike the portable layers, this one has no interface of its own and no
// portable hooks: below the trampolines comes the platform interface alone.
#include <windows.h>

// After <windows.h>, so its definitions of the shared macros are the ones
// used; <objidl.h> first, for what <gdiplus.h> needs that
// WIN32_LEAN_AND_MEAN leaves out.
// clang-format off
#include <objidl.h>
#include <gdiplus.h>
// clang-format on
#include <io.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "platform/raster/pictures.h"

namespace {

template <typename To, typename From>
To as(From handle) {
  return reinterpret_cast<To>(handle);
}

HWND hwnd(platform::Window window) {
  return as<HWND>(window);
}
HDC hdc(platform::DrawingContext context) {
  return as<HDC>(context);
}
HMENU hmenu(platform::Menu menu) {
  return as<HMENU>(menu);
}

// --- Window procedures ----------------------------------------------------

// The package's procedure of each class, by class name as Win32 compares
// them (without regard to case).
struct ClassNameLess {
  bool operator()(const std::string& a, const std::string& b) const {
    return lstrcmpiA(a.c_str(), b.c_str()) < 0;
  }
};
std::map<std::string, platform::WindowProc, ClassNameLess> class_procedures;

platform::WindowProc procedure_of_class(HWND window) {
  char name[256] = "";
  if (GetClassNameA(window, name, sizeof name) == 0) return nullptr;
  auto found = class_procedures.find(name);
  return found == class_procedures.end() ? nullptr : found->second;
}

// The first message a window gets looks its procedure up by class; the
// window keeps it in its user data from then on.
LRESULT CALLBACK window_trampoline(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  auto procedure = as<platform::WindowProc>(GetWindowLongPtrA(window, GWLP_USERDATA));
  if (!procedure) {
    procedure = procedure_of_class(window);
    if (!procedure) return DefWindowProcA(window, message, wparam, lparam);
    SetWindowLongPtrA(window, GWLP_USERDATA, as<LONG_PTR>(procedure));
  }
  return procedure(as<platform::Window>(window), message, wparam, lparam);
}

// The paint bracket's record, per window between begin_paint and end_paint.
std::map<HWND, PAINTSTRUCT> paint_records;

// The last message taken, so translating and dispatching it see its time
// and cursor position too.
MSG last_taken{};

MSG as_msg(const platform::Message& message) {
  if (last_taken.hwnd == hwnd(message.window) && last_taken.message == message.number &&
      last_taken.wParam == message.wparam && last_taken.lParam == message.lparam) {
    return last_taken;
  }
  MSG msg{};
  msg.hwnd = hwnd(message.window);
  msg.message = message.number;
  msg.wParam = message.wparam;
  msg.lParam = message.lparam;
  return msg;
}

// --- Dialog procedures ----------------------------------------------------

// The package's procedure of the innermost running dialog.
platform::DialogProc running_dialog_procedure = nullptr;

INT_PTR CALLBACK dialog_trampoline(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam) {
  if (!running_dialog_procedure) return FALSE;
  return running_dialog_procedure(as<platform::Dialog>(dialog), message, wparam, lparam);
}

}  // namespace

// ==== Platform interface (platform.h): all of it =============================

namespace platform {

// --- Message source -------------------------------------------------------

bool take_message(Message* message) {
  MSG msg;
  if (!PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) return false;
  last_taken = msg;
  message->window = as<Window>(msg.hwnd);
  message->number = msg.message;
  message->wparam = msg.wParam;
  message->lparam = msg.lParam;
  return true;
}

void translate_message(const Message& message) {
  const MSG msg = as_msg(message);
  TranslateMessage(&msg);
}

intptr_t dispatch_message(const Message& message) {
  const MSG msg = as_msg(message);
  return DispatchMessageA(&msg);
}

void post_message(Window window, unsigned number, uintptr_t wparam, intptr_t lparam) {
  PostMessageA(hwnd(window), number, wparam, lparam);
}

void post_quit_message(int exit_code) {
  PostQuitMessage(exit_code);
}

void wait_for_message() {
  WaitMessage();
}

// --- Windows and timer ----------------------------------------------------

void register_window_class(const WindowClass& window_class) {
  if (window_class.class_name) class_procedures[window_class.class_name] = window_class.procedure;
  WNDCLASSA record{};
  record.style = window_class.style;
  record.lpfnWndProc = window_trampoline;
  record.cbClsExtra = 0;
  record.cbWndExtra = 0;
  record.hInstance = GetModuleHandleA(nullptr);
  record.hIcon = LoadIconA(nullptr, IDI_APPLICATION);
  record.hCursor = LoadCursorA(nullptr, IDC_ARROW);
  record.hbrBackground = CreateSolidBrush(window_class.background);
  record.lpszMenuName = window_class.menu_name;
  record.lpszClassName = window_class.class_name;
  RegisterClassA(&record);
}

Window create_window(const char* class_name, const char* title, uint32_t style, int x, int y,
                     int width, int height) {
  return as<Window>(CreateWindowExA(0, class_name, title, style, x, y, width, height, nullptr,
                                    nullptr, GetModuleHandleA(nullptr), nullptr));
}

void show_window(Window window, int show_mode) {
  ShowWindow(hwnd(window), show_mode);
}

Rect client_rect(Window window) {
  RECT rect{};
  GetClientRect(hwnd(window), &rect);
  return {rect.left, rect.top, rect.right, rect.bottom};
}

intptr_t wheel_client_position(Window window, intptr_t lparam) {
  POINT at{static_cast<int16_t>(LOWORD(lparam)), static_cast<int16_t>(HIWORD(lparam))};
  ScreenToClient(hwnd(window), &at);
  return MAKELPARAM(static_cast<uint16_t>(at.x), static_cast<uint16_t>(at.y));
}

// GDI+ for PNG files, started on first use.
bool gdiplus_started() {
  static ULONG_PTR gdiplus_token = 0;
  if (!gdiplus_token) {
    Gdiplus::GdiplusStartupInput input;
    if (Gdiplus::GdiplusStartup(&gdiplus_token, &input, nullptr) != Gdiplus::Ok) return false;
  }
  return true;
}

// A file name in the ANSI code page as GDI+ takes it; empty if it has none.
std::wstring wide_path(const char* path) {
  const int length = path ? MultiByteToWideChar(CP_ACP, 0, path, -1, nullptr, 0) : 0;
  if (length <= 0) return {};
  std::wstring wide(static_cast<size_t>(length), L'\0');
  MultiByteToWideChar(CP_ACP, 0, path, -1, wide.data(), length);
  return wide;
}

// PNG files through GDI+, Windows' own encoder.
bool save_context_png(DrawingContext context, const char* path) {
  if (!gdiplus_started()) return false;
  const std::wstring wide = wide_path(path);
  if (wide.empty()) return false;
  HBITMAP bitmap = static_cast<HBITMAP>(GetCurrentObject(hdc(context), OBJ_BITMAP));
  Gdiplus::GpBitmap* image = nullptr;
  if (Gdiplus::DllExports::GdipCreateBitmapFromHBITMAP(bitmap, nullptr, &image) != Gdiplus::Ok) {
    return false;
  }
  // The PNG encoder's class id, as GDI+ lists it.
  const CLSID png = {0x557CF406, 0x1A04, 0x11D3, {0x9A, 0x73, 0x00, 0x00, 0xF8, 0x1E, 0xF3, 0x2E}};
  const bool saved =
      Gdiplus::DllExports::GdipSaveImageToFile(image, wide.c_str(), &png, nullptr) == Gdiplus::Ok;
  Gdiplus::DllExports::GdipDisposeImage(image);
  return saved;
}

// Pictures decoded by GDI+ as 32-bit ARGB, not premultiplied: in memory the
// same 0xAARRGGBB words the portable layers read.
bool load_picture(const char* path, Picture* picture) {
  if (!picture || !gdiplus_started()) return false;
  const std::wstring wide = wide_path(path);
  if (wide.empty()) return false;
  Gdiplus::GpBitmap* image = nullptr;
  if (Gdiplus::DllExports::GdipCreateBitmapFromFile(wide.c_str(), &image) != Gdiplus::Ok) {
    return false;
  }
  UINT width = 0;
  UINT height = 0;
  Gdiplus::DllExports::GdipGetImageWidth(image, &width);
  Gdiplus::DllExports::GdipGetImageHeight(image, &height);
  constexpr UINT kMaxSide = 16384;
  bool loaded = false;
  Gdiplus::BitmapData data{};
  const Gdiplus::Rect all(0, 0, static_cast<INT>(width), static_cast<INT>(height));
  if (width > 0 && height > 0 && width <= kMaxSide && height <= kMaxSide &&
      Gdiplus::DllExports::GdipBitmapLockBits(image, &all, Gdiplus::ImageLockModeRead,
                                              PixelFormat32bppARGB, &data) == Gdiplus::Ok) {
    picture->width = static_cast<int>(width);
    picture->height = static_cast<int>(height);
    picture->pixels.resize(size_t{width} * height);
    for (UINT row = 0; row < height; ++row) {
      std::memcpy(picture->pixels.data() + size_t{row} * width,
                  static_cast<const uint8_t*>(data.Scan0) + ptrdiff_t{data.Stride} * row,
                  size_t{width} * 4);
    }
    Gdiplus::DllExports::GdipBitmapUnlockBits(image, &data);
    loaded = true;
  }
  Gdiplus::DllExports::GdipDisposeImage(image);
  return loaded;
}

// GDI does not blend by the shared formula, so the covered block of the
// canvas is copied into a 32-bit DIB section, blended there by the shared
// raster code, and copied back.
void draw_picture(DrawingContext context, int x, int y, const Picture& picture) {
  if (!context || picture.pixels.empty()) return;
  HBITMAP canvas = static_cast<HBITMAP>(GetCurrentObject(hdc(context), OBJ_BITMAP));
  BITMAP canvas_size{};
  if (!canvas || !GetObjectA(canvas, sizeof canvas_size, &canvas_size)) return;
  const int64_t left = std::max<int64_t>(x, 0);
  const int64_t top = std::max<int64_t>(y, 0);
  const int64_t right = std::min<int64_t>(int64_t{x} + picture.width, canvas_size.bmWidth);
  const int64_t bottom = std::min<int64_t>(int64_t{y} + picture.height, canvas_size.bmHeight);
  if (left >= right || top >= bottom) return;
  const int width = static_cast<int>(right - left);
  const int height = static_cast<int>(bottom - top);

  BITMAPINFO format{};
  format.bmiHeader.biSize = sizeof format.bmiHeader;
  format.bmiHeader.biWidth = width;
  format.bmiHeader.biHeight = -height;  // rows top to bottom
  format.bmiHeader.biPlanes = 1;
  format.bmiHeader.biBitCount = 32;
  format.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  HBITMAP block = CreateDIBSection(hdc(context), &format, DIB_RGB_COLORS, &bits, nullptr, 0);
  if (!block) return;
  HDC block_context = CreateCompatibleDC(hdc(context));
  HGDIOBJ previous = SelectObject(block_context, block);
  BitBlt(block_context, 0, 0, width, height, hdc(context), static_cast<int>(left),
         static_cast<int>(top), SRCCOPY);
  GdiFlush();
  // A DIB's 32-bit pixels are blue, green, red and an unused byte: the
  // surface words 0x00RRGGBB the raster code blends over, padding cleared.
  uint32_t* pixels = static_cast<uint32_t*>(bits);
  for (size_t i = 0; i < size_t{static_cast<unsigned>(width)} * height; ++i) pixels[i] &= 0xFFFFFFu;
  raster::blend_picture({pixels, width, height}, static_cast<int>(x - left),
                        static_cast<int>(y - top), picture.pixels.data(), picture.width,
                        picture.height);
  BitBlt(hdc(context), static_cast<int>(left), static_cast<int>(top), width, height, block_context,
         0, 0, SRCCOPY);
  SelectObject(block_context, previous);
  DeleteDC(block_context);
  DeleteObject(block);
}

Size screen_size() {
  return {GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
}

intptr_t default_window_proc(Window window, unsigned message, uintptr_t wparam, intptr_t lparam) {
  return DefWindowProcA(hwnd(window), message, wparam, lparam);
}

void start_timer(Window window, unsigned id, unsigned period_ms) {
  SetTimer(hwnd(window), id, period_ms, nullptr);
}

void stop_timer(Window window, unsigned id) {
  KillTimer(hwnd(window), id);
}

// --- Menus ----------------------------------------------------------------

Menu create_menu_bar() {
  return as<Menu>(CreateMenu());
}

Menu create_popup_menu() {
  return as<Menu>(CreatePopupMenu());
}

void append_menu_item(Menu menu, unsigned flags, unsigned id, const char* label) {
  AppendMenuA(hmenu(menu), flags, id, label);
}

void append_popup_menu(Menu bar, Menu popup, const char* label) {
  AppendMenuA(hmenu(bar), MF_STRING | MF_POPUP, as<UINT_PTR>(popup), label);
}

void attach_menu(Window window, Menu bar) {
  SetMenu(hwnd(window), hmenu(bar));
}

void redraw_menu_bar(Window window) {
  DrawMenuBar(hwnd(window));
}

void check_menu_item(Menu menu, unsigned id, bool checked) {
  CheckMenuItem(hmenu(menu), id, MF_BYCOMMAND | (checked ? MF_CHECKED : MF_UNCHECKED));
}

// --- Drawing contexts -----------------------------------------------------

DrawingContext window_context(Window window) {
  return as<DrawingContext>(GetDC(hwnd(window)));
}

void release_window_context(Window window, DrawingContext context) {
  ReleaseDC(hwnd(window), hdc(context));
}

DrawingContext create_memory_context(DrawingContext compatible_with) {
  return as<DrawingContext>(CreateCompatibleDC(hdc(compatible_with)));
}

Bitmap create_bitmap(DrawingContext compatible_with, int width, int height) {
  return as<Bitmap>(CreateCompatibleBitmap(hdc(compatible_with), width, height));
}

Bitmap select_bitmap(DrawingContext context, Bitmap bitmap) {
  return as<Bitmap>(SelectObject(hdc(context), as<HBITMAP>(bitmap)));
}

void copy_block(DrawingContext destination, int x, int y, int width, int height,
                DrawingContext source, int source_x, int source_y) {
  BitBlt(hdc(destination), x, y, width, height, hdc(source), source_x, source_y, SRCCOPY);
}

DrawingContext begin_paint(Window window) {
  PAINTSTRUCT& record = paint_records[hwnd(window)];
  return as<DrawingContext>(BeginPaint(hwnd(window), &record));
}

void end_paint(Window window, DrawingContext) {
  auto found = paint_records.find(hwnd(window));
  if (found == paint_records.end()) return;
  EndPaint(hwnd(window), &found->second);
  paint_records.erase(found);
}

// --- Drawing --------------------------------------------------------------

Pen create_pen(int width, uint32_t colour) {
  return as<Pen>(CreatePen(PS_SOLID, width, colour));
}

Pen null_pen() {
  return as<Pen>(GetStockObject(NULL_PEN));
}

Brush create_solid_brush(uint32_t colour) {
  return as<Brush>(CreateSolidBrush(colour));
}

Brush hollow_brush() {
  return as<Brush>(GetStockObject(NULL_BRUSH));
}

Font create_font(int em_height) {
  return as<Font>(
      CreateFontA(-em_height, 0, 0, 0, FW_NORMAL, 0, 0, 0, 0, 0, 0, 0, 0, "ZIVRO-font"));
}

Font fixed_pitch_font() {
  return as<Font>(GetStockObject(ANSI_FIXED_FONT));
}

Pen select_pen(DrawingContext context, Pen pen) {
  return as<Pen>(SelectObject(hdc(context), as<HGDIOBJ>(pen)));
}

Brush select_brush(DrawingContext context, Brush brush) {
  return as<Brush>(SelectObject(hdc(context), as<HGDIOBJ>(brush)));
}

Font select_font(DrawingContext context, Font font) {
  return as<Font>(SelectObject(hdc(context), as<HGDIOBJ>(font)));
}

void delete_pen(Pen pen) {
  DeleteObject(as<HGDIOBJ>(pen));
}

void delete_brush(Brush brush) {
  DeleteObject(as<HGDIOBJ>(brush));
}

void delete_font(Font font) {
  DeleteObject(as<HGDIOBJ>(font));
}

void set_text_colour(DrawingContext context, uint32_t colour) {
  SetTextColor(hdc(context), colour);
}

int background_mode(DrawingContext context) {
  return GetBkMode(hdc(context));
}

void set_background_mode(DrawingContext context, int mode) {
  SetBkMode(hdc(context), mode);
}

uint32_t background_colour(DrawingContext context) {
  return GetBkColor(hdc(context));
}

void set_pixel(DrawingContext context, int x, int y, uint32_t colour) {
  SetPixel(hdc(context), x, y, colour);
}

void move_to(DrawingContext context, int x, int y) {
  MoveToEx(hdc(context), x, y, nullptr);
}

void line_to(DrawingContext context, int x, int y) {
  LineTo(hdc(context), x, y);
}

void draw_polygon(DrawingContext context, const Vertex* vertices, int count) {
  if (!vertices || count <= 0) return;
  std::vector<POINT> points(static_cast<size_t>(count));
  for (int i = 0; i < count; ++i) points[static_cast<size_t>(i)] = {vertices[i].x, vertices[i].y};
  Polygon(hdc(context), points.data(), count);
}

void draw_polyline(DrawingContext context, const Vertex* vertices, int count) {
  if (!vertices || count <= 0) return;
  std::vector<POINT> points(static_cast<size_t>(count));
  for (int i = 0; i < count; ++i) points[static_cast<size_t>(i)] = {vertices[i].x, vertices[i].y};
  Polyline(hdc(context), points.data(), count);
}

void draw_round_rectangle(DrawingContext context, int left, int top, int right, int bottom,
                          int ellipse_width, int ellipse_height) {
  RoundRect(hdc(context), left, top, right, bottom, ellipse_width, ellipse_height);
}

void draw_arc(DrawingContext context, int left, int top, int right, int bottom, int start_x,
              int start_y, int end_x, int end_y) {
  Arc(hdc(context), left, top, right, bottom, start_x, start_y, end_x, end_y);
}

void draw_pie(DrawingContext context, int left, int top, int right, int bottom, int start_x,
              int start_y, int end_x, int end_y) {
  Pie(hdc(context), left, top, right, bottom, start_x, start_y, end_x, end_y);
}

void draw_rectangle(DrawingContext context, int left, int top, int right, int bottom) {
  Rectangle(hdc(context), left, top, right, bottom);
}

void draw_ellipse(DrawingContext context, int left, int top, int right, int bottom) {
  Ellipse(hdc(context), left, top, right, bottom);
}

void draw_text(DrawingContext context, int x, int y, const char* text, size_t count) {
  TextOutA(hdc(context), x, y, text, static_cast<int>(count));
}

Size text_extent(DrawingContext context, const char* text, size_t count) {
  SIZE size{};
  GetTextExtentPointA(hdc(context), text, static_cast<int>(count), &size);
  return {size.cx, size.cy};
}

TextMetrics text_metrics(DrawingContext context) {
  TEXTMETRICA metrics{};
  GetTextMetricsA(hdc(context), &metrics);
  TextMetrics result;
  result.height = metrics.tmHeight;
  result.ascent = metrics.tmAscent;
  result.descent = metrics.tmDescent;
  result.internal_leading = metrics.tmInternalLeading;
  result.external_leading = metrics.tmExternalLeading;
  result.average_width = metrics.tmAveCharWidth;
  return result;
}

void scroll_surface(DrawingContext context, int dx, int dy) {
  ScrollDC(hdc(context), dx, dy, nullptr, nullptr, nullptr, nullptr);
}

// --- Modal dialog ---------------------------------------------------------

intptr_t run_modal_dialog(const uint8_t* dialog_template, size_t size, Window owner,
                          DialogProc procedure, intptr_t init) {
  if (!dialog_template || !procedure) return -1;
  // The dialog manager wants the template on a DWORD boundary.
  std::vector<DWORD> aligned((size + sizeof(DWORD) - 1) / sizeof(DWORD));
  std::memcpy(aligned.data(), dialog_template, size);

  const DialogProc outer = running_dialog_procedure;
  running_dialog_procedure = procedure;
  const INT_PTR result =
      DialogBoxIndirectParamA(GetModuleHandleA(nullptr), as<LPCDLGTEMPLATEA>(aligned.data()),
                              hwnd(owner), dialog_trampoline, init);
  running_dialog_procedure = outer;
  return result;
}

int dialog_item_text(Dialog dialog, int item_id, char* buffer, int size) {
  return static_cast<int>(GetDlgItemTextA(as<HWND>(dialog), item_id, buffer, size));
}

void end_dialog(Dialog dialog, intptr_t result) {
  EndDialog(as<HWND>(dialog), result);
}

// --- Text transcript and script file --------------------------------------

void note_printed_line(const char*) {}

// Windows starts any program through its own entry; a main() there is as
// good as WinMain.
bool started_through_entry() {
  return true;
}

std::FILE* open_regular_file(const char* path, bool for_writing) {
  // A missing file is created by the open for writing; a directory or a
  // device name such as CON is refused.
  const DWORD attributes = GetFileAttributesA(path);
  if (attributes != INVALID_FILE_ATTRIBUTES &&
      (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_DEVICE))) {
    return nullptr;
  }
  std::FILE* file = std::fopen(path, for_writing ? "wb" : "rb");
  if (file &&
      GetFileType(reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(file)))) != FILE_TYPE_DISK) {
    std::fclose(file);
    return nullptr;
  }
  return file;
}

}  // namespace platform

// The package on the win32 layer, checked through Win32 itself: the windows
// and classes it registers, its menu, the events it makes of real messages
// and timers, the pixels it paints, its modal dialog and its script file.
//
// The package keeps process-wide state and opens its windows once, so every
// scenario runs in a child process of its own, started from this same
// program in an empty directory of its own (the script file is written to
// the current directory). The parent's tests just run the children.
// clang-format off
#include <windows.h>
#include <objidl.h>  // what <gdiplus.h> needs that WIN32_LEAN_AND_MEAN leaves out
#include <gdiplus.h>
// clang-format on
#include <gtest/gtest.h>
#include <zivro.h>

#include <algorithm>
#include <climits>
#include <cstdio>
#include <cstring>
#include <iterator>
#include <string>

#include "events.h"
#include "package_windows.h"  // the package's: its two windows, the canvas and the origin
#include "shape_sheet.h"

namespace {

constexpr char kChildFlag[] = "--zivro-child";
constexpr DWORD kChildLimitMs = 60000;  // only a guard against a hung child

// --- Parent: one child process per scenario --------------------------------

std::string temporary_directory() {
  char base[MAX_PATH] = "";
  char name[MAX_PATH] = "";
  GetTempPathA(sizeof base, base);
  GetTempFileNameA(base, "ziv", 0, name);
  DeleteFileA(name);
  CreateDirectoryA(name, nullptr);
  return name;
}

void remove_directory(const std::string& directory) {
  WIN32_FIND_DATAA found;
  HANDLE search = FindFirstFileA((directory + "\\*").c_str(), &found);
  if (search != INVALID_HANDLE_VALUE) {
    do {
      if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
        DeleteFileA((directory + "\\" + found.cFileName).c_str());
      }
    } while (FindNextFileA(search, &found));
    FindClose(search);
  }
  RemoveDirectoryA(directory.c_str());
}

std::string read_file(const std::string& path) {
  std::string text;
  if (std::FILE* file = std::fopen(path.c_str(), "rb")) {
    char chunk[4096];
    size_t count;
    while ((count = std::fread(chunk, 1, sizeof chunk, file)) > 0) text.append(chunk, count);
    std::fclose(file);
  }
  return text;
}

// Runs the scenario test `Scenario.<name>` in a child process and fails
// with the child's output unless it passed.
void run_scenario(const char* name) {
  char program[MAX_PATH] = "";
  GetModuleFileNameA(nullptr, program, sizeof program);
  const std::string directory = temporary_directory();
  const std::string output_path = directory + "\\output.txt";

  SECURITY_ATTRIBUTES inheritable{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
  HANDLE output = CreateFileA(output_path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inheritable,
                              CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(output, INVALID_HANDLE_VALUE);

  std::string command = std::string("\"") + program + "\" " + kChildFlag +
                        " --gtest_color=no --gtest_filter=Scenario." + name;
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
  startup.hStdOutput = output;
  startup.hStdError = output;
  PROCESS_INFORMATION process{};
  const BOOL started = CreateProcessA(program, command.data(), nullptr, nullptr, TRUE, 0, nullptr,
                                      directory.c_str(), &startup, &process);
  CloseHandle(output);
  ASSERT_TRUE(started) << "could not start " << command;

  const bool ended = WaitForSingleObject(process.hProcess, kChildLimitMs) == WAIT_OBJECT_0;
  if (!ended) TerminateProcess(process.hProcess, 99);
  DWORD exit_code = 0;
  GetExitCodeProcess(process.hProcess, &exit_code);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);

  const std::string transcript = read_file(output_path);
  remove_directory(directory);
  EXPECT_TRUE(ended) << "the scenario never ended\n" << transcript;
  EXPECT_EQ(exit_code, 0u) << transcript;
}

// A test of the parent that runs a scenario, and the scenario itself.
#define ZIVRO_SCENARIO(group, name) \
  TEST(group, name) {               \
    run_scenario(#group "_" #name); \
  }                                 \
  TEST(Scenario, group##_##name)

// --- Child: the package in this process ------------------------------------

char empty_command_line[] = "";

void open_package() {
  ZIVRO_open(GetModuleHandleA(nullptr), nullptr, empty_command_line, SW_SHOWNORMAL);
}

HWND graphics() {
  return reinterpret_cast<HWND>(graphics_window());
}
HWND text() {
  return reinterpret_cast<HWND>(text_window());
}
HMENU menu_of_run() {
  return reinterpret_cast<HMENU>(run_menu());
}

struct Event {
  int kind = 0;
  int x = 0;
  int y = 0;
  char key = 0;
};

Event wait_event() {
  Event event;
  event.kind = ZIVRO_wait_event(&event.x, &event.y, &event.key);
  return event;
}

void post(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  ASSERT_TRUE(PostMessageA(window, message, wparam, lparam));
}

// A click at a point given in package coordinates.
void post_click(int x, int y) {
  post(graphics(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(origin_x() + x, origin_y() - y));
}

void post_key_down(HWND window, WPARAM key) {
  post(window, WM_KEYDOWN, key, 1);
}

COLORREF canvas_pixel(int column, int row) {
  return GetPixel(reinterpret_cast<HDC>(canvas_context()), column, row);
}

// The painted pixels (not white) of a block of the canvas, in package
// coordinates.
struct Painted {
  int count = 0;
  int left = INT_MAX;
  int right = INT_MIN;
  int top = INT_MIN;
  int bottom = INT_MAX;
};

Painted painted_around(int x, int y, int radius) {
  Painted painted;
  for (int py = y - radius; py <= y + radius; ++py) {
    for (int px = x - radius; px <= x + radius; ++px) {
      if (canvas_pixel(origin_x() + px, origin_y() - py) == RGB(255, 255, 255)) continue;
      ++painted.count;
      painted.left = std::min(painted.left, px);
      painted.right = std::max(painted.right, px);
      painted.top = std::max(painted.top, py);
      painted.bottom = std::min(painted.bottom, py);
    }
  }
  return painted;
}

std::string class_name(HWND window) {
  char name[256] = "";
  GetClassNameA(window, name, sizeof name);
  return name;
}

std::string menu_label(HMENU menu, UINT position) {
  char label[256] = "";
  GetMenuStringA(menu, position, label, sizeof label, MF_BYPOSITION);
  return label;
}

bool logging_checked() {
  return (GetMenuState(menu_of_run(), kCommandLogging, MF_BYCOMMAND) & MF_CHECKED) != 0;
}

// --- Windows and classes ---------------------------------------------------

ZIVRO_SCENARIO(Windows, BothWindowsWithTheirClassesTitlesAndStyles) {
  open_package();
  HWND graphics_found = FindWindowA("DrawWndClass", "ZIVRO Graphics");
  HWND text_found = FindWindowA("TextWndClass", "ZIVRO Text");
  ASSERT_NE(graphics_found, nullptr);
  ASSERT_NE(text_found, nullptr);
  EXPECT_EQ(graphics_found, graphics());
  EXPECT_EQ(text_found, text());
  EXPECT_EQ(class_name(graphics()), "DrawWndClass");
  EXPECT_EQ(class_name(text()), "TextWndClass");

  const DWORD graphics_style = GetWindowLongA(graphics(), GWL_STYLE);
  EXPECT_EQ(graphics_style & (WS_CAPTION | WS_SYSMENU), DWORD{WS_CAPTION | WS_SYSMENU});
  EXPECT_EQ(graphics_style & (WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX), 0u)
      << "the graphics window has a fixed size";
  EXPECT_TRUE(graphics_style & WS_VISIBLE);
  const DWORD text_style = GetWindowLongA(text(), GWL_STYLE);
  EXPECT_EQ(text_style & WS_OVERLAPPEDWINDOW, DWORD{WS_OVERLAPPEDWINDOW});
  EXPECT_TRUE(text_style & WS_VISIBLE);
  EXPECT_EQ(GetWindow(graphics(), GW_OWNER), nullptr);
  EXPECT_EQ(GetParent(text()), nullptr);
  EXPECT_EQ(ZIVRO_close(), 1);
}

ZIVRO_SCENARIO(Windows, PlacedAndSizedFromTheScreen) {
  open_package();
  RECT graphics_rect{};
  GetWindowRect(graphics(), &graphics_rect);
  EXPECT_EQ(graphics_rect.left, 0);
  EXPECT_EQ(graphics_rect.top, 0);
  EXPECT_EQ(graphics_rect.right - graphics_rect.left, 601);
  EXPECT_EQ(graphics_rect.bottom - graphics_rect.top, 540);

  const int screen_width = GetSystemMetrics(SM_CXSCREEN);
  const int screen_height = GetSystemMetrics(SM_CYSCREEN);
  ASSERT_GT(screen_width, 0);
  ASSERT_GT(screen_height, 0);
  RECT text_rect{};
  GetWindowRect(text(), &text_rect);
  EXPECT_EQ(text_rect.left, 0);
  EXPECT_EQ(text_rect.top, 2 * screen_height / 3 + 1);
  EXPECT_EQ(text_rect.right - text_rect.left, screen_width);
  EXPECT_EQ(text_rect.bottom - text_rect.top, screen_height / 3);
}

ZIVRO_SCENARIO(Windows, ClassesShareIconCursorMenuNameAndWhiteBackground) {
  open_package();
  WNDCLASSA draw{};
  WNDCLASSA text_class{};
  ASSERT_TRUE(GetClassInfoA(GetModuleHandleA(nullptr), "DrawWndClass", &draw));
  ASSERT_TRUE(GetClassInfoA(GetModuleHandleA(nullptr), "TextWndClass", &text_class));
  for (const WNDCLASSA* record : {&draw, &text_class}) {
    EXPECT_EQ(record->style, UINT{CS_HREDRAW | CS_VREDRAW});
    EXPECT_EQ(record->cbClsExtra, 0);
    EXPECT_EQ(record->cbWndExtra, 0);
    EXPECT_EQ(record->hIcon, LoadIconA(nullptr, IDI_APPLICATION));
    EXPECT_EQ(record->hCursor, LoadCursorA(nullptr, IDC_ARROW));
    ASSERT_NE(record->lpszMenuName, nullptr);
    EXPECT_STREQ(record->lpszMenuName, "generic");
    LOGBRUSH brush{};
    ASSERT_NE(GetObjectA(record->hbrBackground, sizeof brush, &brush), 0);
    EXPECT_EQ(brush.lbStyle, UINT{BS_SOLID});
    EXPECT_EQ(brush.lbColor, RGB(255, 255, 255));
  }
}

ZIVRO_SCENARIO(Windows, OriginIsTheCentreOfTheClientArea) {
  open_package();
  RECT client{};
  GetClientRect(graphics(), &client);
  ASSERT_GT(client.right, 0);
  ASSERT_GT(client.bottom, 0);
  EXPECT_LT(client.bottom, 540) << "caption and menu bar take their share";
  EXPECT_EQ(origin_x(), client.right / 2);
  EXPECT_EQ(origin_y(), client.bottom / 2);
}

ZIVRO_SCENARIO(Windows, ClosingTheGraphicsWindowEndsTheRun) {
  open_package();
  HWND window = graphics();
  post(window, WM_CLOSE, 0, 0);
  EXPECT_EQ(wait_event().kind, ZIVRO_QUIT);
  EXPECT_FALSE(IsWindow(window));
  EXPECT_EQ(ZIVRO_close(), 1);
}

// --- The Run menu ----------------------------------------------------------

struct ExpectedItem {
  UINT id;  // 0 for a separator
  const char* label;
  UINT state;  // MF_CHECKED, MF_GRAYED
};

constexpr ExpectedItem kRunMenu[] = {
    {1, "&Animate\tCtrl+A", 0},
    {2, "&Halt animation\tCtrl+H", 0},
    {3, "Advance one &frame\tCtrl+F", 0},
    {0, nullptr, 0},
    {4, "&Logging\tCtrl+L", MF_CHECKED},
    {0, nullptr, 0},
    {5, "&Record Script\tCtrl+R", 0},
    {6, "&Playback Script\tCtrl+P", 0},
    {7, "Play &One Script\tCtrl+O", 0},
    {0, nullptr, 0},
    {8, "&Quit\tCtrl+Q", 0},
    {0, nullptr, 0},
    {9, "MAC: zivro-mac@example.org", MF_GRAYED},
    {9, "WINDOWS: zivro-windows@example.org", MF_GRAYED},
    {9, "UPDATES: https://zivro.example.org/updates", MF_GRAYED},
};

ZIVRO_SCENARIO(RunMenu, ItemsIdsLabelsAndStates) {
  open_package();
  HMENU bar = GetMenu(graphics());
  ASSERT_NE(bar, nullptr);
  ASSERT_EQ(GetMenuItemCount(bar), 1);
  EXPECT_EQ(menu_label(bar, 0), "&Run");
  HMENU popup = GetSubMenu(bar, 0);
  ASSERT_NE(popup, nullptr);
  EXPECT_EQ(popup, menu_of_run());
  EXPECT_EQ(GetMenu(text()), nullptr);

  ASSERT_EQ(GetMenuItemCount(popup), static_cast<int>(std::size(kRunMenu)));
  for (UINT position = 0; position < std::size(kRunMenu); ++position) {
    SCOPED_TRACE(position);
    const ExpectedItem& item = kRunMenu[position];
    const UINT state = GetMenuState(popup, position, MF_BYPOSITION);
    if (!item.label) {
      EXPECT_TRUE(state & MF_SEPARATOR);
      continue;
    }
    EXPECT_FALSE(state & MF_SEPARATOR);
    EXPECT_EQ(GetMenuItemID(popup, static_cast<int>(position)), item.id);
    EXPECT_EQ(menu_label(popup, position), item.label);
    EXPECT_EQ(state & (MF_CHECKED | MF_GRAYED), item.state);
  }
}

ZIVRO_SCENARIO(RunMenu, LoggingSwitchSetsTheCheckMark) {
  open_package();
  EXPECT_TRUE(logging_checked());
  EXPECT_EQ(ZIVRO_logging(0), 1);
  EXPECT_FALSE(logging_checked());
  EXPECT_EQ(ZIVRO_logging(1), 1);
  EXPECT_TRUE(logging_checked());
}

ZIVRO_SCENARIO(RunMenu, CtrlLTogglesLoggingAndItsCheckMark) {
  open_package();
  post_key_down(graphics(), VK_CONTROL);
  post_key_down(graphics(), 'L');
  post_click(0, 0);
  EXPECT_EQ(wait_event().kind, ZIVRO_MOUSE);
  EXPECT_FALSE(logging_checked());
  // Keys typed into the text window act as if typed into the graphics
  // window: the text window passes them on behind what is already queued.
  post_key_down(text(), 'L');
  post_click(0, 0);
  EXPECT_EQ(wait_event().kind, ZIVRO_MOUSE);
  post_click(0, 0);
  EXPECT_EQ(wait_event().kind, ZIVRO_MOUSE);
  EXPECT_TRUE(logging_checked());
}

ZIVRO_SCENARIO(RunMenu, QuitCommandEndsTheRun) {
  open_package();
  // A command word with notification bits set is not a menu command.
  post(graphics(), WM_COMMAND, MAKEWPARAM(kCommandQuit, 1), 0);
  post_click(5, 5);
  EXPECT_EQ(wait_event().kind, ZIVRO_MOUSE);
  post(graphics(), WM_COMMAND, kCommandQuit, 0);
  EXPECT_EQ(wait_event().kind, ZIVRO_QUIT);
  EXPECT_TRUE(IsWindow(graphics()));
}

// --- The event wait ----------------------------------------------------------

ZIVRO_SCENARIO(EventWait, ClickInPackageCoordinates) {
  open_package();
  post_click(25, 40);
  Event event = wait_event();
  EXPECT_EQ(event.kind, ZIVRO_MOUSE);
  EXPECT_EQ(event.x, 25);
  EXPECT_EQ(event.y, 40);
  EXPECT_EQ(event.key, 0);

  post(graphics(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(0, 0));
  event = wait_event();
  EXPECT_EQ(event.kind, ZIVRO_MOUSE);
  EXPECT_EQ(event.x, -origin_x());
  EXPECT_EQ(event.y, origin_y());
}

ZIVRO_SCENARIO(EventWait, TypedCharacters) {
  open_package();
  post(graphics(), WM_CHAR, 'k', 1);
  Event event = wait_event();
  EXPECT_EQ(event.kind, ZIVRO_KBD);
  EXPECT_EQ(event.key, 'k');

  // A key-down is translated into its character.
  post_key_down(graphics(), 'M');
  event = wait_event();
  EXPECT_EQ(event.kind, ZIVRO_KBD);
  EXPECT_EQ(event.key, 'm');

  // Typed into the text window, it reaches the graphics window.
  post_key_down(text(), '7');
  event = wait_event();
  EXPECT_EQ(event.kind, ZIVRO_KBD);
  EXPECT_EQ(event.key, '7');
}

ZIVRO_SCENARIO(EventWait, TicksWhileTheAnimationRuns) {
  open_package();
  EXPECT_EQ(ZIVRO_run_control(ZIVRO_RUN_ANIMATE), 1);
  EXPECT_EQ(wait_event().kind, ZIVRO_PERIODIC);
  EXPECT_EQ(wait_event().kind, ZIVRO_PERIODIC);
  // Halted, only input makes events.
  EXPECT_EQ(ZIVRO_run_control(ZIVRO_RUN_HALT), 1);
  post_click(1, 2);
  EXPECT_EQ(wait_event().kind, ZIVRO_MOUSE);
  // One frame, then input again.
  EXPECT_EQ(ZIVRO_run_control(ZIVRO_RUN_STEP), 1);
  EXPECT_EQ(wait_event().kind, ZIVRO_PERIODIC);
  post_click(1, 2);
  EXPECT_EQ(wait_event().kind, ZIVRO_MOUSE);
}

ZIVRO_SCENARIO(EventWait, CtrlAcceleratorsStartAndHaltTheAnimation) {
  open_package();
  post_key_down(graphics(), VK_CONTROL);
  post_key_down(graphics(), 'A');
  EXPECT_EQ(wait_event().kind, ZIVRO_PERIODIC);
  EXPECT_EQ(wait_event().kind, ZIVRO_PERIODIC);
  post_key_down(graphics(), 'H');
  post_click(3, 4);
  const Event event = wait_event();
  EXPECT_EQ(event.kind, ZIVRO_MOUSE);
  EXPECT_EQ(event.x, 3);
  // Ctrl+Q quits.
  post_key_down(graphics(), 'Q');
  EXPECT_EQ(wait_event().kind, ZIVRO_QUIT);
}

ZIVRO_SCENARIO(EventWait, RunControlQuitOverridesEveryEvent) {
  open_package();
  EXPECT_EQ(ZIVRO_run_control(ZIVRO_RUN_QUIT), 1);
  post_click(0, 0);
  EXPECT_EQ(wait_event().kind, ZIVRO_QUIT);
}

// Windows' own messages make the opt-in events, with what they carry.
ZIVRO_SCENARIO(EventWait, OptInEventsFromWindowsMessages) {
  open_package();
  ZIVRO_want_events(ZIVRO_WANT_ALL);
  post_key_down(graphics(), VK_LEFT);
  post(graphics(), WM_KEYUP, VK_LEFT, static_cast<LPARAM>(0xC0000001u));
  post(graphics(), WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(origin_x() + 5, origin_y() - 6));
  post(graphics(), WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(origin_x() - 7, origin_y() + 8));
  post(graphics(), WM_MBUTTONUP, 0, MAKELPARAM(origin_x(), origin_y()));
  const ZIVRO_Event expected[] = {
      {ZIVRO_KEY_PRESS, 0, 0, VK_LEFT, 0, 0},
      {ZIVRO_KEY_RELEASE, 0, 0, VK_LEFT, 0, 0},
      {ZIVRO_MOUSE_RIGHT, 5, 6, 0, ZIVRO_BUTTON_RIGHT, 0},
      {ZIVRO_MOUSE_DRAG, -7, -8, 0, ZIVRO_BUTTON_LEFT, 0},
      {ZIVRO_MOUSE_RELEASE, 0, 0, 0, ZIVRO_BUTTON_MIDDLE, 0},
  };
  for (const ZIVRO_Event& want : expected) {
    ZIVRO_Event got{};
    EXPECT_EQ(ZIVRO_wait_event_ex(&got), want.kind);
    EXPECT_EQ(std::memcmp(&got, &want, sizeof got), 0)
        << "kind " << got.kind << " at " << got.x << "," << got.y << " key " << got.key
        << " button " << got.button << " modifiers " << got.modifiers;
  }
}

// --- Drawing on the canvas ---------------------------------------------------

ZIVRO_SCENARIO(Drawing, ClearPaintsWhiteInsideABlackFrame) {
  open_package();
  EXPECT_EQ(ZIVRO_clear(), 1);
  const COLORREF black = RGB(0, 0, 0);
  const COLORREF white = RGB(255, 255, 255);
  EXPECT_EQ(canvas_pixel(0, 0), black);
  EXPECT_EQ(canvas_pixel(600, 0), black);
  EXPECT_EQ(canvas_pixel(0, 539), black);
  EXPECT_EQ(canvas_pixel(600, 539), black);
  EXPECT_EQ(canvas_pixel(300, 0), black);
  EXPECT_EQ(canvas_pixel(1, 1), white);
  EXPECT_EQ(canvas_pixel(300, 270), white);
  EXPECT_EQ(canvas_pixel(599, 538), white);
}

ZIVRO_SCENARIO(Drawing, FilledRectangleIncludesBothCorners) {
  open_package();
  ZIVRO_logging(0);
  ZIVRO_clear();
  EXPECT_EQ(ZIVRO_rectangle(ZIVRO_BLACK, 0, 10, 10, 0, 0), 1);
  const Painted painted = painted_around(5, 5, 20);
  EXPECT_EQ(painted.count, 121);
  EXPECT_EQ(painted.left, 0);
  EXPECT_EQ(painted.right, 10);
  EXPECT_EQ(painted.top, 10);
  EXPECT_EQ(painted.bottom, 0);
}

ZIVRO_SCENARIO(Drawing, ColoursReachThePixelsAsTheyAre) {
  open_package();
  ZIVRO_logging(0);
  ZIVRO_clear();
  ZIVRO_pixel(ZIVRO_RED, -10, 0);
  ZIVRO_pixel(ZIVRO_BLUE, 0, 0);
  ZIVRO_pixel(ZIVRO_NAVY_BLUE, 10, 0);
  EXPECT_EQ(canvas_pixel(origin_x() - 10, origin_y()), RGB(255, 0, 0));
  EXPECT_EQ(canvas_pixel(origin_x(), origin_y()), RGB(0, 0, 255));
  EXPECT_EQ(canvas_pixel(origin_x() + 10, origin_y()), RGB(0, 51, 153));
  // A bad colour is repaired to red.
  ZIVRO_pixel(99, 0, 20);
  EXPECT_EQ(canvas_pixel(origin_x(), origin_y() - 20), RGB(255, 0, 0));
}

ZIVRO_SCENARIO(Drawing, OutlinesLeaveTheInsideAndShapesRestoreTheContext) {
  open_package();
  ZIVRO_logging(0);
  ZIVRO_clear();
  HDC canvas = reinterpret_cast<HDC>(canvas_context());
  HGDIOBJ pen_before = GetCurrentObject(canvas, OBJ_PEN);
  HGDIOBJ brush_before = GetCurrentObject(canvas, OBJ_BRUSH);
  HGDIOBJ font_before = GetCurrentObject(canvas, OBJ_FONT);
  ZIVRO_rectangle(ZIVRO_GREEN, -20, 20, 20, -20, 3);
  ZIVRO_circle(ZIVRO_BLUE, 100, 0, 10);
  ZIVRO_line(ZIVRO_RED, -100, 50, -50, 50, 1);
  ZIVRO_triangle(ZIVRO_BLACK, 40, 100, 80, 100, 60, 130, 0);
  ZIVRO_text(ZIVRO_BLACK, -200, -100, 12, "Hi");
  EXPECT_EQ(canvas_pixel(origin_x(), origin_y()), RGB(255, 255, 255));
  EXPECT_EQ(canvas_pixel(origin_x() - 20, origin_y()), RGB(0, 255, 0));
  EXPECT_EQ(canvas_pixel(origin_x() + 100, origin_y()), RGB(0, 0, 255));
  EXPECT_EQ(canvas_pixel(origin_x() - 75, origin_y() - 50), RGB(255, 0, 0));
  EXPECT_EQ(canvas_pixel(origin_x() + 60, origin_y() - 110), RGB(0, 0, 0));
  EXPECT_EQ(GetCurrentObject(canvas, OBJ_PEN), pen_before);
  EXPECT_EQ(GetCurrentObject(canvas, OBJ_BRUSH), brush_before);
  EXPECT_EQ(GetCurrentObject(canvas, OBJ_FONT), font_before);
  EXPECT_EQ(GetBkMode(canvas), OPAQUE);
}

// A colour of the program's own, text measured by GDI, and the canvas saved
// by GDI+: read back, every pixel is the canvas's.
ZIVRO_SCENARIO(Drawing, DefinedColourMeasuredTextAndTheSavedCanvas) {
  open_package();
  ZIVRO_logging(0);
  ZIVRO_clear();
  const int sky = ZIVRO_rgb(135, 206, 235);
  EXPECT_EQ(sky, 24);
  ZIVRO_rectangle(sky, -50, 50, 50, -50, 0);
  EXPECT_EQ(canvas_pixel(origin_x(), origin_y()), RGB(135, 206, 235));
  const int hi = ZIVRO_text_width(20, "Hi");
  EXPECT_GT(hi, 0);
  EXPECT_EQ(ZIVRO_text_width(20, "HiHi\nHi"), 2 * hi);
  EXPECT_GT(ZIVRO_text_height(20), 0);
  ZIVRO_text(ZIVRO_BLACK, -200, -100, 20, "Hi");
  ZIVRO_text(ZIVRO_rgb(200, 0, 100), -200 + hi, -100, 20, "Hi");

  ASSERT_EQ(ZIVRO_save_png("saved.png"), 1);
  Gdiplus::GdiplusStartupInput input;
  ULONG_PTR token = 0;
  ASSERT_EQ(Gdiplus::GdiplusStartup(&token, &input, nullptr), Gdiplus::Ok);
  Gdiplus::GpBitmap* saved = nullptr;
  ASSERT_EQ(Gdiplus::DllExports::GdipCreateBitmapFromFile(L"saved.png", &saved), Gdiplus::Ok);
  UINT width = 0, height = 0;
  Gdiplus::DllExports::GdipGetImageWidth(saved, &width);
  Gdiplus::DllExports::GdipGetImageHeight(saved, &height);
  EXPECT_EQ(width, 601u);
  EXPECT_EQ(height, 540u);
  int differing = 0;
  for (UINT row = 0; row < height; ++row) {
    for (UINT column = 0; column < width; ++column) {
      Gdiplus::ARGB argb = 0;
      Gdiplus::DllExports::GdipBitmapGetPixel(saved, static_cast<INT>(column),
                                              static_cast<INT>(row), &argb);
      const COLORREF expected = canvas_pixel(static_cast<int>(column), static_cast<int>(row));
      if (RGB((argb >> 16) & 0xFF, (argb >> 8) & 0xFF, argb & 0xFF) != expected) ++differing;
    }
  }
  EXPECT_EQ(differing, 0);
  Gdiplus::DllExports::GdipDisposeImage(saved);
  EXPECT_EQ(ZIVRO_save_png("no such directory\\saved.png"), 0);
}

// Polygons, polylines, round rectangles, arcs and pies by GDI's own calls
// give the very pixels the software canvas gives (its golden picture).
ZIVRO_SCENARIO(Drawing, NewShapesMatchTheCanvasGoldenPicture) {
  open_package();
  ZIVRO_logging(0);
  draw_shape_sheet();
  Gdiplus::GdiplusStartupInput input;
  ULONG_PTR token = 0;
  ASSERT_EQ(Gdiplus::GdiplusStartup(&token, &input, nullptr), Gdiplus::Ok);
  const std::string path = ZIVRO_SHAPE_SHEET_PNG;
  const std::wstring wide_path(path.begin(), path.end());
  Gdiplus::GpBitmap* golden = nullptr;
  ASSERT_EQ(Gdiplus::DllExports::GdipCreateBitmapFromFile(wide_path.c_str(), &golden), Gdiplus::Ok)
      << path;
  // Compared in package coordinates (this window's origin may lie
  // elsewhere), inside the frame the clear draws at the canvas's edges on
  // both, and apart from the sheet's wide strokes on slopes and curves.
  const auto inside = [](int column, int row) {
    return column > 0 && column < 600 && row > 0 && row < 539;
  };
  const auto wide_stroke = [](int x, int y) {
    for (const ShapeSheetArea& area : kShapeSheetWideAreas) {
      if (x >= area.left && x <= area.right && y <= area.top && y >= area.bottom) return true;
    }
    return false;
  };
  int differing = 0, compared = 0;
  for (int y = -300; y <= 300; ++y) {
    for (int x = -300; x <= 300; ++x) {
      if (!inside(kShapeSheetOriginX + x, kShapeSheetOriginY - y) ||
          !inside(origin_x() + x, origin_y() - y) || wide_stroke(x, y)) {
        continue;
      }
      ++compared;
      Gdiplus::ARGB argb = 0;
      Gdiplus::DllExports::GdipBitmapGetPixel(golden, kShapeSheetOriginX + x,
                                              kShapeSheetOriginY - y, &argb);
      const COLORREF expected = RGB((argb >> 16) & 0xFF, (argb >> 8) & 0xFF, argb & 0xFF);
      if (canvas_pixel(origin_x() + x, origin_y() - y) != expected && ++differing <= 5) {
        ADD_FAILURE() << "the pixel at (" << x << "," << y << ") differs";
      }
    }
  }
  EXPECT_EQ(differing, 0);
  EXPECT_GT(compared, 250000);
  Gdiplus::DllExports::GdipDisposeImage(golden);
}

// A picture with partial alpha, written by GDI+ and drawn over two colours:
// every pixel is the blend the portable layers compute, written out here
// from its formula; over the canvas's corner only what lands on it is drawn;
// the picture is kept after its file is gone.
ZIVRO_SCENARIO(Drawing, PicturesBlendAsOnTheSoftwareCanvas) {
  open_package();
  ZIVRO_logging(0);
  ZIVRO_clear();
  ZIVRO_rectangle(ZIVRO_rgb(135, 206, 235), 10, 20, 13, 19, 0);  // the left half of the picture
  constexpr int kWidth = 8;
  constexpr int kHeight = 2;
  Gdiplus::ARGB pixels[kWidth * kHeight];
  const BYTE alphas[] = {255, 0, 128, 64, 1, 254, 200, 100};
  for (int i = 0; i < kWidth * kHeight; ++i) {
    const BYTE alpha = alphas[i % 8];
    pixels[i] = (Gdiplus::ARGB{alpha} << 24) | (Gdiplus::ARGB(i * 16) << 16) |
                (Gdiplus::ARGB(255 - i * 9) << 8) | Gdiplus::ARGB((i * 37) & 0xFF);
  }
  Gdiplus::GdiplusStartupInput input;
  ULONG_PTR token = 0;
  ASSERT_EQ(Gdiplus::GdiplusStartup(&token, &input, nullptr), Gdiplus::Ok);
  Gdiplus::GpBitmap* sprite = nullptr;
  ASSERT_EQ(Gdiplus::DllExports::GdipCreateBitmapFromScan0(
                kWidth, kHeight, kWidth * 4, PixelFormat32bppARGB, reinterpret_cast<BYTE*>(pixels),
                &sprite),
            Gdiplus::Ok);
  const CLSID png = {0x557CF406, 0x1A04, 0x11D3, {0x9A, 0x73, 0x00, 0x00, 0xF8, 0x1E, 0xF3, 0x2E}};
  ASSERT_EQ(Gdiplus::DllExports::GdipSaveImageToFile(sprite, L"sprite.png", &png, nullptr),
            Gdiplus::Ok);
  Gdiplus::DllExports::GdipDisposeImage(sprite);

  int width = 0, height = 0;
  EXPECT_EQ(ZIVRO_image_size("sprite.png", &width, &height), 1);
  EXPECT_EQ(width, kWidth);
  EXPECT_EQ(height, kHeight);
  COLORREF before[kWidth * kHeight];
  for (int i = 0; i < kWidth * kHeight; ++i) {
    before[i] = canvas_pixel(origin_x() + 10 + i % kWidth, origin_y() - 20 + i / kWidth);
  }
  EXPECT_EQ(ZIVRO_image("sprite.png", 10, 20), 1);
  const auto blend = [](unsigned picture, unsigned canvas, unsigned alpha) {
    return (picture * alpha + canvas * (255 - alpha) + 127) / 255;
  };
  int differing = 0;
  for (int i = 0; i < kWidth * kHeight; ++i) {
    const unsigned alpha = pixels[i] >> 24;
    const COLORREF expected = RGB(blend((pixels[i] >> 16) & 0xFF, GetRValue(before[i]), alpha),
                                  blend((pixels[i] >> 8) & 0xFF, GetGValue(before[i]), alpha),
                                  blend(pixels[i] & 0xFF, GetBValue(before[i]), alpha));
    const COLORREF actual =
        canvas_pixel(origin_x() + 10 + i % kWidth, origin_y() - 20 + i / kWidth);
    if (actual != expected) {
      ++differing;
      ADD_FAILURE() << "pixel " << i << ": " << std::hex << actual << " for " << expected;
    }
  }
  EXPECT_EQ(differing, 0);
  EXPECT_EQ(canvas_pixel(origin_x() + 9, origin_y() - 20), RGB(255, 255, 255));
  EXPECT_EQ(canvas_pixel(origin_x() + 10, origin_y() - 22), RGB(255, 255, 255));

  DeleteFileA("sprite.png");
  ZIVRO_image("sprite.png", -origin_x() - 1, origin_y() + 1);
  const unsigned last = pixels[kWidth + 1];  // lands on the frame's corner pixel, black
  EXPECT_EQ(canvas_pixel(0, 0),
            RGB(blend((last >> 16) & 0xFF, 0, last >> 24), blend((last >> 8) & 0xFF, 0, last >> 24),
                blend(last & 0xFF, 0, last >> 24)));
  EXPECT_EQ(canvas_pixel(0, 1), RGB(0, 0, 0));
}

ZIVRO_SCENARIO(Drawing, TextStandsOnItsReferenceRow) {
  open_package();
  ZIVRO_logging(0);
  ZIVRO_clear();
  EXPECT_EQ(ZIVRO_text(ZIVRO_BLACK, 0, 0, 20, "HH"), 1);
  const Painted painted = painted_around(0, 0, 60);
  EXPECT_GT(painted.count, 20);
  EXPECT_GE(painted.left, 0);
  EXPECT_GE(painted.bottom, 1) << "the cell ends on the row above the reference";
  EXPECT_LE(painted.top, 30);
}

// The painted pixels of a block of a window's client area.
int window_pixels_not(HWND window, const RECT& block, COLORREF colour) {
  HDC context = GetDC(window);
  int count = 0;
  for (int row = block.top; row < block.bottom; ++row) {
    for (int column = block.left; column < block.right; ++column) {
      count += GetPixel(context, column, row) != colour;
    }
  }
  ReleaseDC(window, context);
  return count;
}

ZIVRO_SCENARIO(Drawing, ThePumpPresentsTheCanvas) {
  open_package();
  ZIVRO_logging(0);
  ZIVRO_clear();
  ZIVRO_rectangle(ZIVRO_RED, -5, 5, 5, -5, 0);
  post_click(100, 100);
  EXPECT_EQ(wait_event().kind, ZIVRO_MOUSE);
  HDC context = GetDC(graphics());
  EXPECT_EQ(GetPixel(context, origin_x(), origin_y()), RGB(255, 0, 0));
  EXPECT_EQ(GetPixel(context, 0, 0), RGB(0, 0, 0));
  EXPECT_EQ(GetPixel(context, 20, 20), RGB(255, 255, 255));
  ReleaseDC(graphics(), context);
}

ZIVRO_SCENARIO(TextWindow, PrintedLinesScrollUpFromTheBottom) {
  open_package();
  RECT client{};
  GetClientRect(text(), &client);
  // Lines are set in the stock fixed-pitch font, one line pitch apart.
  HDC context = GetDC(text());
  HGDIOBJ previous = SelectObject(context, GetStockObject(ANSI_FIXED_FONT));
  TEXTMETRICA metrics{};
  GetTextMetricsA(context, &metrics);
  SelectObject(context, previous);
  ReleaseDC(text(), context);
  const int pitch = metrics.tmHeight + metrics.tmExternalLeading;
  ASSERT_GT(pitch, 0);
  const RECT bottom_line{client.left, client.bottom - pitch, client.right, client.bottom};
  const RECT above{client.left, client.bottom - 2 * pitch, client.right, client.bottom - pitch};
  EXPECT_EQ(window_pixels_not(text(), bottom_line, RGB(255, 255, 255)), 0);
  ZIVRO_printf("first line\n");
  const int first = window_pixels_not(text(), bottom_line, RGB(255, 255, 255));
  EXPECT_GT(first, 0);
  // The next line moves it up by exactly one pitch, whole.
  ZIVRO_printf("\n");
  EXPECT_EQ(window_pixels_not(text(), bottom_line, RGB(255, 255, 255)), 0);
  EXPECT_EQ(window_pixels_not(text(), above, RGB(255, 255, 255)), first);
}

// --- The line-input dialog ---------------------------------------------------

struct DialogDriver {
  std::string answer;
  bool found = false;
  std::string prompt;
  HWND owner = nullptr;
  bool open_after_cancel = false;
};

// Plays the user: finds the dialog once it shows, types the answer, tries
// to cancel, then presses Okay.
DWORD WINAPI drive_dialog(void* argument) {
  auto* driver = static_cast<DialogDriver*>(argument);
  HWND dialog = nullptr;
  for (int attempt = 0; attempt < 3000 && !dialog; ++attempt) {
    HWND candidate = FindWindowA(nullptr, "ZIVRO_gets");
    if (candidate && IsWindowVisible(candidate)) {
      dialog = candidate;
    } else {
      Sleep(10);
    }
  }
  if (!dialog) return 1;
  driver->found = true;
  char prompt[256] = "";
  GetDlgItemTextA(dialog, 103, prompt, sizeof prompt);
  driver->prompt = prompt;
  driver->owner = GetWindow(dialog, GW_OWNER);
  SetDlgItemTextA(dialog, 102, driver->answer.c_str());
  SendMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
  driver->open_after_cancel = IsWindowVisible(dialog) != FALSE;
  SendMessageA(dialog, WM_COMMAND, 101, 0);
  return 0;
}

// Runs ZIVRO_gets with the driver playing the user; returns its result.
int gets_with(DialogDriver* driver, const char* prompt, char (&buffer)[256]) {
  HANDLE thread = CreateThread(nullptr, 0, drive_dialog, driver, 0, nullptr);
  if (!thread) return -1;
  const int result = ZIVRO_gets(prompt, buffer);
  WaitForSingleObject(thread, INFINITE);
  CloseHandle(thread);
  return result;
}

ZIVRO_SCENARIO(LineInput, OkayCopiesTheTypedLine) {
  open_package();
  DialogDriver driver;
  driver.answer = "typed under Wine";
  char buffer[256];
  std::memset(buffer, '#', sizeof buffer);
  EXPECT_EQ(gets_with(&driver, "Your name?", buffer), 1);
  ASSERT_TRUE(driver.found);
  EXPECT_STREQ(buffer, "typed under Wine");
  EXPECT_EQ(driver.owner, graphics());
  EXPECT_TRUE(driver.open_after_cancel) << "Okay is the only way out";
  // The prompt is padded with blanks to 79 characters.
  EXPECT_EQ(driver.prompt, "Your name?" + std::string(69, ' '));
  // The package goes on afterwards.
  post_click(0, 0);
  EXPECT_EQ(wait_event().kind, ZIVRO_MOUSE);
}

ZIVRO_SCENARIO(LineInput, AnswerIsCutAt255Characters) {
  open_package();
  DialogDriver driver;
  driver.answer = std::string(300, 'x');
  char buffer[256];
  EXPECT_EQ(gets_with(&driver, "Long?", buffer), 1);
  ASSERT_TRUE(driver.found);
  EXPECT_EQ(std::strlen(buffer), 255u);
}

// --- The script file ---------------------------------------------------------

ZIVRO_SCENARIO(Script, RecordedClickPlaysBack) {
  open_package();
  ZIVRO_logging(0);
  post_key_down(graphics(), VK_CONTROL);
  post_key_down(graphics(), 'R');
  post_click(-12, 34);
  Event event = wait_event();
  ASSERT_EQ(event.kind, ZIVRO_MOUSE);
  // Stop recording; the next click is not recorded.
  post_key_down(graphics(), 'R');
  post_click(50, 60);
  event = wait_event();
  ASSERT_EQ(event.kind, ZIVRO_MOUSE);
  EXPECT_EQ(read_file("ZIVRO.SCR"), "ZIVRO_MOUSE(-12, 34);\r\n");

  post_key_down(graphics(), 'P');
  event = wait_event();
  EXPECT_EQ(event.kind, ZIVRO_MOUSE);
  EXPECT_EQ(event.x, -12);
  EXPECT_EQ(event.y, 34);
  EXPECT_FALSE(GetMenuState(menu_of_run(), kCommandRecord, MF_BYCOMMAND) & MF_CHECKED);
}

}  // namespace

int main(int argc, char** argv) {
  bool child = false;
  for (int i = 1; i < argc; ++i) child = child || std::strcmp(argv[i], kChildFlag) == 0;
  testing::InitGoogleTest(&argc, argv);
  if (child) {
    const int status = RUN_ALL_TESTS();
    // A filter that names no scenario must not pass for one.
    return testing::UnitTest::GetInstance()->test_to_run_count() == 1 ? status : 3;
  }
  // The parent leaves the scenarios to the children.
  std::string filter = GTEST_FLAG_GET(filter);
  filter += filter.find('-') == std::string::npos ? "-Scenario.*" : ":Scenario.*";
  GTEST_FLAG_SET(filter, filter);
  return RUN_ALL_TESTS();
}

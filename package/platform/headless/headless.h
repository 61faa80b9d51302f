// The headless layer's own interface, for tests and the replay runner:
// input posted as the platform would post it, and a virtual clock.
//
// Time stands still while the application works. A poll that finds no
// message lets one millisecond pass, and waiting for a message jumps the clock
// to the next timer expiry or scheduled input. When the application waits
// with no input left and no clock time left, the layer closes the
// application's main window (the first it created), just as the user would.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/layer_only.h"
#include "platform/platform.h"

namespace headless {

struct Input {
  unsigned number = 0;  // the message posted
  uintptr_t wparam = 0;
  intptr_t lparam = 0;
  bool with_release = false;          // a click: button-up follows the button-down
  platform::Window target = nullptr;  // null: the graphics window
};

// A left click at client coordinates of the target window.
Input click(int x, int y);
// Any mouse button's message (WM_LBUTTONDOWN, WM_RBUTTONUP, ...) at client
// coordinates, with the buttons held after it as Windows gives them.
Input mouse_button(unsigned button_message, int x, int y);
// The mouse moved to client coordinates with the MK_ buttons `held`.
Input mouse_move(int x, int y, unsigned held);
// The wheel turned by `delta` (WHEEL_DELTA a step, positive away from the
// user) with the pointer at client coordinates.
Input mouse_wheel(int x, int y, int delta);
// Key down and up with Windows virtual-key codes.
Input key_down(unsigned virtual_key);
Input key_up(unsigned virtual_key);
// Key down and up with Alt held, and F10: system keys, as Windows posts them.
Input sys_key_down(unsigned virtual_key);
Input sys_key_up(unsigned virtual_key);
// A key with no key code of its own (another layout's key, a composed
// character): VK_PACKET carrying the character, as the desktop layer posts it.
Input character_key_down(char character);
Input character_key_up(char character);
// A character typed without a key message (as an input method delivers it).
Input typed(char character);
// Caps Lock on or off from now on, as toggled outside the program; the Caps
// Lock key (VK_CAPITAL) toggles it as well.
void set_caps_lock(bool on);
// A menu choice. Posted only if the window's menu has the id as an enabled
// item: grayed items and unknown ids cannot be chosen.
Input menu_command(unsigned id);
// The close box of the window.
Input close_window();
// Any message, as it is.
Input message(unsigned number, uintptr_t wparam, intptr_t lparam);

Input to(platform::Window target, Input input);

// Posts the input once the virtual clock reaches at_ms (at once if it has).
void post_input(const Input& input, uint64_t at_ms = 0);
// Posts the input to the active window right before the first message is
// taken, so that it is the run's first message.
void post_at_start(const Input& input);

uint64_t now_ms();
// How far the clock may run while the application waits.
void set_clock_limit_ms(uint64_t limit_ms);
// false: waiting for a message returns at once, so the package spins.
void set_blocking_wait(bool blocking);

// Everything printed to the text window, in order, exactly as formatted;
// kept unless keep_printed_lines(false) said not to (a long run's lines
// would fill the memory).
const std::vector<std::string>& printed_lines();
void keep_printed_lines(bool keep);
// Writes every printed line to the file as it is printed, each ended by one
// newline, flushed line by line. close_transcript is false if any write failed.
bool open_transcript(const std::string& path);
bool close_transcript();

// The layer is set up: by the runner's main before it calls WinMain, or by
// reset(). ZIVRO_open refuses to run on a layer nobody set up, as in a
// program that defines its own main.
void mark_set_up();
platform::Window find_window(const std::string& title);
// Block copies made into a window since it was created.
long present_count(platform::Window window);
// Messages taken so far, and polls that found none.
long messages_taken();
long empty_polls();

// Whether copies into the main window fill its surface, as they do unless
// keep_main_window_surface(false) said not to. A run that never reads that
// surface (the runner reads the canvas and the text window only) spares the
// copy of every presented frame; presents are still counted, and the frames
// directory and the presented canvas below still see every frame. Until
// the next reset the main window's surface then holds what it held before.
void keep_main_window_surface(bool keep);

// Writes every surface copied into the main window (each presented canvas)
// as DIR/000001.png, DIR/000002.png, ... Returns false once a write failed.
void set_frames_directory(const std::string& directory);
bool frames_written_ok();
// Only these frames are written to the frames directory (each still counts
// as one); an empty list, as at the start, writes every frame.
void set_frames_written(std::vector<long> numbers);
// Writes one frame as DIRECTORY/000017.png, the name the frames directory
// gives frame 17.
bool write_frame_png(const std::string& directory, long number, const uint32_t* pixels, int width,
                     int height);
// Called with every new frame the main window shows, numbered from 1 as the
// frames directory numbers its files, whether or not frames are written,
// with the frame's digest (frame_digest.h).
using FrameObserver = void (*)(long number, const uint32_t* pixels, int width, int height,
                               uint64_t digest);
void set_frame_observer(FrameObserver observer);
// The whole surface last copied into the main window (the canvas), as it is
// now, and a window's client area, as PNG files.
bool write_presented_png(const std::string& path);
// The same surface's pixels (0x00RRGGBB); false if nothing was presented.
bool presented_pixels(std::vector<uint32_t>* pixels, int* width, int* height);
bool write_window_png(platform::Window window, const std::string& path);

// Answers for line-input dialogs, in order: each dialog gets the next one
// typed into its edit field and is closed with its default button. With
// none left, the dialog is closed with the field empty.
void queue_dialog_answer(const std::string& text);
struct DialogSeen {
  std::string caption;
  std::vector<std::string> static_texts;
  std::string answer;
};
const std::vector<DialogSeen>& dialogs_seen();

// The labels of the menu bar's popups opened from the keyboard (Alt and a
// mnemonic, F10), in order. The headless user closes each at once.
const std::vector<std::string>& menus_opened();

// Forgets every window, message, input and printed line; clock back to 0.
// Counts as setting the layer up.
void reset();

}  // namespace headless

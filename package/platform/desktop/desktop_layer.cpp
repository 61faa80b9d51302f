// The desktop layer: FLTK windows showing the portable surfaces, FLTK's
// input turned into the messages Windows would post, and waiting in
// Fl::wait until a message or the next timer expiry is due.
#include <FL/Fl.H>
#include <FL/Fl_Double_Window.H>
#include <FL/Fl_Menu_Bar.H>
#include <FL/Fl_Menu_Item.H>
#include <FL/Fl_Widget.H>
#include <FL/fl_draw.H>
#include <FL/fl_utf8.h>
#include <FL/x.H>
#if defined(__linux__)
#include <X11/XKBlib.h>
#include <X11/Xlib.h>
#endif

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/desktop/desktop.h"
#include "platform/portable/files.h"
#include "platform/portable/input.h"
#include "platform/portable/keyboard.h"
#include "platform/portable/layer_hooks.h"
#include "platform/portable/message_queue.h"
#include "platform/portable/objects.h"
#include "platform/portable/window_registry.h"
#include "platform/raster/text.h"

namespace desktop {
namespace {

constexpr int kMenuBarHeight = 25;

// Shows a window's surface and turns the user's input into messages.
class SurfaceView : public Fl_Widget {
 public:
  SurfaceView(platform::Window window, int x, int y, int w, int h)
      : Fl_Widget(x, y, w, h), window_(window) {}
  void draw() override;
  int handle(int event) override;

 private:
  platform::Window window_;
  std::vector<unsigned char> rgb_;
  // Where the last mouse message put the pointer, and the buttons held then.
  intptr_t last_where_ = -1;
  uintptr_t last_held_ = 0;
};

// The top-level FLTK window of a package window. Keys are taken here,
// before any child sees them, so the menu bar never fires a shortcut of
// its own: the package's key-down handling runs the accelerators, and Alt
// mnemonics and F10 open the menu through the default window procedure.
class FrameWindow : public Fl_Double_Window {
 public:
  // Made with its position, so that FLTK asks the window manager for it.
  FrameWindow(platform::Window window, int x, int y, int w, int h, const char* title)
      : Fl_Double_Window(x, y, w, h, title), window_(window) {}
  int handle(int event) override;
  void resize(int x, int y, int w, int h) override;

  SurfaceView* view = nullptr;
  Fl_Menu_Bar* menu_bar = nullptr;
  std::vector<Fl_Menu_Item> menu_items;
  std::vector<std::string> menu_labels;
  std::vector<std::unique_ptr<std::pair<platform::Window, unsigned>>> menu_choices;

 private:
  platform::Window window_;
};

struct LayerState {
  std::map<platform::Window, std::unique_ptr<FrameWindow>> frames;
  std::FILE* log = nullptr;
  std::chrono::steady_clock::time_point start = std::chrono::steady_clock::now();
  bool spinning = false;
  bool started = false;  // by the layer's main
};

LayerState& layer() {
  static LayerState state;
  return state;
}

// FLTK key to Windows virtual-key code; 0 for keys Windows has no code for.
unsigned virtual_key(int key) {
  if (key >= 'a' && key <= 'z') return static_cast<unsigned>(key - 'a' + 'A');
  if (key >= '0' && key <= '9') return static_cast<unsigned>(key);
  if (key >= FL_KP + '0' && key <= FL_KP + '9')
    return static_cast<unsigned>(0x60 + key - FL_KP - '0');
  if (key > FL_F && key <= FL_F + 24) return static_cast<unsigned>(0x6F + key - FL_F);
  switch (key) {
    case FL_Shift_L:
    case FL_Shift_R:
      return VK_SHIFT;
    case FL_Control_L:
    case FL_Control_R:
      return VK_CONTROL;
    case FL_Alt_L:
    case FL_Alt_R:
      return VK_MENU;
    case FL_Enter:
    case FL_KP_Enter:
      return VK_RETURN;
    case FL_BackSpace:
      return VK_BACK;
    case FL_Tab:
      return VK_TAB;
    case FL_Escape:
      return VK_ESCAPE;
    case FL_Caps_Lock:
      return VK_CAPITAL;
    case ' ':
      return VK_SPACE;
    case FL_Page_Up:
      return 0x21;
    case FL_Page_Down:
      return 0x22;
    case FL_End:
      return 0x23;
    case FL_Home:
      return 0x24;
    case FL_Left:
      return 0x25;
    case FL_Up:
      return 0x26;
    case FL_Right:
      return 0x27;
    case FL_Down:
      return 0x28;
    case FL_Insert:
      return 0x2D;
    case FL_Delete:
      return 0x2E;
    case FL_KP + '*':
      return 0x6A;
    case FL_KP + '+':
      return 0x6B;
    case FL_KP + '-':
      return 0x6D;
    case FL_KP + '.':
      return 0x6E;
    case FL_KP + '/':
      return 0x6F;
    case ';':
      return 0xBA;
    case '=':
      return 0xBB;
    case ',':
      return 0xBC;
    case '-':
      return 0xBD;
    case '.':
      return 0xBE;
    case '/':
      return 0xBF;
    case '`':
      return 0xC0;
    case '[':
      return 0xDB;
    case '\\':
      return 0xDC;
    case ']':
      return 0xDD;
    case '\'':
      return 0xDE;
    default:
      return 0;
  }
}

// The first character of UTF-8 text as a code point, or -1.
int first_code_point(const char* text, int length) {
  if (length <= 0) return -1;
  int consumed = 0;
  const unsigned code = fl_utf8decode(text, text + length, &consumed);
  return code > 0 ? static_cast<int>(code) : -1;
}

// FLTK's key event in the terms of the portable input.
void post_key(platform::Window window, int event) {
  const int fl_key = Fl::event_key();
  const int state = Fl::event_state();
  portable::KeyInput input;
  input.window = window;
  input.down = event != FL_KEYUP;
  input.physical = fl_key;
  input.key = virtual_key(fl_key);
  input.code_point = input.down ? first_code_point(Fl::event_text(), Fl::event_length()) : -1;
  input.shift = (state & FL_SHIFT) != 0;
  input.control = (state & FL_CTRL) != 0;
  input.alt = (state & FL_ALT) || fl_key == FL_Alt_L || fl_key == FL_Alt_R;
  input.caps_lock = (state & FL_CAPS_LOCK) != 0;
  portable::post_key(input);
}

void SurfaceView::draw() {
  const platform::BitmapObject& surface = window_->surface;
  const int width = std::min(w(), surface.width);
  const int height = std::min(h(), surface.height);
  fl_rectf(x(), y(), w(), h(), FL_WHITE);
  if (width <= 0 || height <= 0) return;
  rgb_.resize(static_cast<size_t>(width) * height * 3);
  const std::vector<uint32_t>& pixels = platform::settled_pixels(surface);
  for (int row = 0; row < height; ++row) {
    const uint32_t* in = &pixels[static_cast<size_t>(row) * surface.width];
    unsigned char* out = &rgb_[static_cast<size_t>(row) * width * 3];
    for (int column = 0; column < width; ++column) {
      out[3 * column] = static_cast<unsigned char>(in[column] >> 16);
      out[3 * column + 1] = static_cast<unsigned char>(in[column] >> 8);
      out[3 * column + 2] = static_cast<unsigned char>(in[column]);
    }
  }
  fl_draw_image(rgb_.data(), x(), y(), width, height, 3);
}

// The MK_ bits of the mouse buttons FLTK says are held.
uintptr_t buttons_held(int state) {
  return ((state & FL_BUTTON1) ? MK_LBUTTON : 0u) | ((state & FL_BUTTON3) ? MK_RBUTTON : 0u) |
         ((state & FL_BUTTON2) ? MK_MBUTTON : 0u);
}

// The MK_ bit of an FLTK mouse button, 0 for the others.
uintptr_t button_bit(int button) {
  switch (button) {
    case FL_LEFT_MOUSE:
      return MK_LBUTTON;
    case FL_RIGHT_MOUSE:
      return MK_RBUTTON;
    case FL_MIDDLE_MOUSE:
      return MK_MBUTTON;
    default:
      return 0;
  }
}

// Button messages as Windows posts them, with the MK_ bits of the buttons
// held after the change; moves only when the pointer moved (FLTK follows a
// release with a move to where it happened); the wheel a step a notch.
int SurfaceView::handle(int event) {
  const intptr_t where = platform::make_lparam(Fl::event_x() - x(), Fl::event_y() - y());
  const uintptr_t bit = button_bit(Fl::event_button());
  const uintptr_t others = buttons_held(Fl::event_state()) & ~bit;
  switch (event) {
    case FL_PUSH:
      take_focus();
      if (bit == MK_LBUTTON) platform::post_message(window_, WM_LBUTTONDOWN, others | bit, where);
      if (bit == MK_RBUTTON) platform::post_message(window_, WM_RBUTTONDOWN, others | bit, where);
      if (bit == MK_MBUTTON) platform::post_message(window_, WM_MBUTTONDOWN, others | bit, where);
      last_where_ = where;
      last_held_ = others | bit;
      return 1;
    case FL_RELEASE:
      if (bit == MK_LBUTTON) platform::post_message(window_, WM_LBUTTONUP, others, where);
      if (bit == MK_RBUTTON) platform::post_message(window_, WM_RBUTTONUP, others, where);
      if (bit == MK_MBUTTON) platform::post_message(window_, WM_MBUTTONUP, others, where);
      last_where_ = where;
      last_held_ = others;
      return 1;
    case FL_DRAG:
    case FL_MOVE: {
      const uintptr_t held = buttons_held(Fl::event_state());
      if (where != last_where_ || held != last_held_) {
        platform::post_message(window_, WM_MOUSEMOVE, held, where);
      }
      last_where_ = where;
      last_held_ = held;
      return 1;
    }
    case FL_MOUSEWHEEL: {
      // FLTK counts notches towards the user; Windows away from the user,
      // in WHEEL_DELTA parts, with the buttons held in the low word.
      const int delta = -Fl::event_dy() * WHEEL_DELTA;
      if (delta == 0) return 0;
      const auto high = static_cast<uint16_t>(static_cast<int16_t>(delta));
      platform::post_message(window_, WM_MOUSEWHEEL,
                             (uintptr_t{high} << 16) | buttons_held(Fl::event_state()), where);
      return 1;
    }
    case FL_ENTER:  // so that FLTK sends the view its moves
    case FL_LEAVE:
    case FL_FOCUS:
    case FL_UNFOCUS:
      return 1;
    default:
      return Fl_Widget::handle(event);
  }
}

int FrameWindow::handle(int event) {
  switch (event) {
    case FL_KEYDOWN:
    case FL_KEYUP:
      post_key(window_, event);
      return 1;
    case FL_SHORTCUT:
      return 1;  // never let a child treat a key as its shortcut
    case FL_MOVE:
      // After one of two held buttons is released FLTK no longer sends the
      // view drags: the moves with the other button still held come here,
      // wherever the pointer is, and go on to the view as drags would.
      if (view && buttons_held(Fl::event_state())) return view->handle(event);
      return Fl_Double_Window::handle(event);
    case FL_RELEASE:
      // So does that button's release: over the view FLTK hands it on,
      // elsewhere the view takes it all the same, as it takes the release
      // of a button held alone wherever it happens.
      if (Fl_Double_Window::handle(event)) return 1;
      return view ? view->handle(event) : 0;
    case FL_SHOW:
    case FL_FOCUS: {
      const int handled = Fl_Double_Window::handle(event);
      if (view) view->take_focus();
      return handled;
    }
    default:
      return Fl_Double_Window::handle(event);
  }
}

void FrameWindow::resize(int x, int y, int w, int h) {
  Fl_Double_Window::resize(x, y, w, h);
  if (view && !menu_bar) portable::resize_client(window_, view->w(), view->h());
}

// The close box: as Windows does, the window is asked to close and its
// procedure decides (the package's destroy it).
void close_box(Fl_Widget*, void* data) {
  auto window = static_cast<platform::Window>(data);
  if (Fl::event() == FL_SHORTCUT && Fl::event_key() == FL_Escape) return;
  platform::post_message(window, WM_CLOSE, 0, 0);
}

void menu_choice(Fl_Widget*, void* data) {
  auto* item = static_cast<std::pair<platform::Window, unsigned>*>(data);
  platform::post_message(item->first, WM_COMMAND, item->second, 0);
}

// FLTK reads '@' in a label as the start of a symbol; "@@" is a plain one.
std::string menu_label(const std::string& text) {
  std::string out;
  for (char c : utf8_of_code_page(text.substr(0, text.find('\t')))) {
    out += c;
    if (c == '@') out += '@';
  }
  return out;
}

// "Ctrl+A" after the tab becomes FLTK's shortcut, shown at the right.
int shortcut_of(const std::string& text) {
  const std::string prefix = "Ctrl+";
  if (text.rfind(prefix, 0) != 0 || text.size() != prefix.size() + 1) return 0;
  const char letter = text.back();
  return FL_CTRL | ((letter >= 'A' && letter <= 'Z') ? letter - 'A' + 'a' : letter);
}

void rebuild_menu(FrameWindow& frame, platform::Window window) {
  frame.menu_items.clear();
  frame.menu_labels.clear();
  frame.menu_choices.clear();
  auto& choice_data = frame.menu_choices;
  if (!window->menu) return;
  // Labels first, so that the items can point at them.
  for (const platform::MenuItem& top : window->menu->items) {
    frame.menu_labels.push_back(menu_label(top.label));
    if (!top.popup) continue;
    for (const platform::MenuItem& item : top.popup->items) {
      if (item.flags & MF_SEPARATOR) continue;
      frame.menu_labels.push_back(menu_label(item.label));
    }
  }
  size_t label = 0;
  auto add = [&](const char* text, int shortcut, void* data, int flags) {
    Fl_Menu_Item entry{};
    entry.text = text;
    entry.shortcut_ = shortcut;
    entry.callback_ = data ? menu_choice : nullptr;
    entry.user_data_ = data;
    entry.flags = flags;
    frame.menu_items.push_back(entry);
  };
  for (const platform::MenuItem& top : window->menu->items) {
    const char* top_label = frame.menu_labels[label++].c_str();
    if (!top.popup) {
      choice_data.push_back(
          std::make_unique<std::pair<platform::Window, unsigned>>(window, top.id));
      add(top_label, 0, choice_data.back().get(), 0);
      continue;
    }
    add(top_label, 0, nullptr, FL_SUBMENU);
    const auto& items = top.popup->items;
    for (size_t i = 0; i < items.size(); ++i) {
      const platform::MenuItem& item = items[i];
      if (item.flags & MF_SEPARATOR) {
        if (!frame.menu_items.empty()) frame.menu_items.back().flags |= FL_MENU_DIVIDER;
        continue;
      }
      const char* text = frame.menu_labels[label++].c_str();
      const size_t tab = item.label.find('\t');
      const int shortcut = tab == std::string::npos ? 0 : shortcut_of(item.label.substr(tab + 1));
      int flags = 0;
      if (item.flags & MF_GRAYED) flags |= FL_MENU_INACTIVE;
      // A checked item shows its mark; an unchecked one shows nothing, as
      // FLTK would draw an empty box for a toggle item.
      if (item.flags & MF_CHECKED) flags |= FL_MENU_TOGGLE | FL_MENU_VALUE;
      choice_data.push_back(
          std::make_unique<std::pair<platform::Window, unsigned>>(window, item.id));
      add(text, shortcut, choice_data.back().get(), flags);
    }
    add(nullptr, 0, nullptr, 0);  // end of the submenu
  }
  add(nullptr, 0, nullptr, 0);  // end of the bar
  frame.menu_bar->menu(frame.menu_items.data());
  frame.menu_bar->redraw();
}

FrameWindow& frame_of(platform::Window window) {
  auto& frames = layer().frames;
  auto found = frames.find(window);
  if (found != frames.end()) return *found->second;
  const bool with_menu = window->menu != nullptr;
  const int top = with_menu ? kMenuBarHeight : 0;
  auto frame = std::make_unique<FrameWindow>(window, window->x, window->y, window->client.width,
                                             window->client.height + top, nullptr);
  frame->copy_label(utf8_of_code_page(window->title).c_str());
  frame->begin();
  if (with_menu) {
    frame->menu_bar = new Fl_Menu_Bar(0, 0, window->client.width, kMenuBarHeight);
    frame->menu_bar->box(FL_FLAT_BOX);
  }
  frame->view = new SurfaceView(window, 0, top, window->client.width, window->client.height);
  frame->end();
  frame->callback(close_box, window);
  if (window->style & 0x00040000u) {  // WS_THICKFRAME: sizable
    frame->resizable(frame->view);
  } else {
    frame->size_range(frame->w(), frame->h(), frame->w(), frame->h());
  }
  if (with_menu) rebuild_menu(*frame, window);
  FrameWindow& made = *frame;
  frames.emplace(window, std::move(frame));
  return made;
}

}  // namespace

// ==== The layer's own interface (desktop.h) ==================================

bool set_log_path(const char* path) {
  if (layer().log) std::fclose(layer().log);
  layer().log = path ? std::fopen(path, "wb") : nullptr;
  return layer().log != nullptr;
}

void set_spinning_wait(bool spinning) {
  layer().spinning = spinning;
}

void mark_started() {
  layer().started = true;
}

bool display_available() {
#if defined(__linux__)
  Display* display = XOpenDisplay(nullptr);
  if (!display) return false;
  XCloseDisplay(display);
#endif
  return true;
}

void open_display() {
  fl_open_display();
#if defined(__linux__)
  // Where the server lacks it, only FLTK's own look at the next event drops
  // those releases, and not each time.
  Bool supported = False;
  XkbSetDetectableAutoRepeat(fl_display, True, &supported);
#endif
}

std::string utf8_of_code_page(const std::string& bytes) {
  std::string out;
  for (const unsigned char byte : bytes) {
    char buffer[4];
    out.append(buffer, fl_utf8encode(raster::windows_1252_code_point(byte), buffer));
  }
  return out;
}

}  // namespace desktop

// ==== Portable hooks (portable/layer_hooks.h) ================================

namespace portable {

uint64_t layer_now_ms() {
  return static_cast<uint64_t>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                   std::chrono::steady_clock::now() - desktop::layer().start)
                                   .count());
}

// The client area is what Windows gives such a window, so that package
// coordinates are the same on every layer; FLTK adds its own decorations.
void layer_surface_changed(platform::Window window) {
  auto& frames = desktop::layer().frames;
  auto found = frames.find(window);
  if (found != frames.end() && found->second->view) found->second->view->redraw();
}

bool layer_block_copied(platform::Window, const platform::BitmapObject&, const BlockCopy&) {
  return true;
}

void layer_surface_rewritten(platform::Window) {}

void layer_menu_changed(platform::Window window) {
  auto& frames = desktop::layer().frames;
  auto found = frames.find(window);
  if (found != frames.end() && found->second->menu_bar) {
    desktop::rebuild_menu(*found->second, window);
  }
}

// As the menu bar opens a popup when it is clicked; a choice in it calls
// menu_choice, which posts the command.
void layer_open_menu(platform::Window window, size_t index) {
  auto& frames = desktop::layer().frames;
  auto found = frames.find(window);
  if (found == frames.end() || !found->second->menu_bar || !found->second->shown()) return;
  desktop::FrameWindow& frame = *found->second;
  const Fl_Menu_Item* top = frame.menu_items.empty() ? nullptr : frame.menu_items.data();
  for (size_t i = 0; top && top->label() && i < index; ++i) top = top->next();
  if (!top || !top->label()) return;
  Fl_Menu_Bar* bar = frame.menu_bar;
  const Fl_Menu_Item* chosen =
      bar->menu()->pulldown(bar->x(), bar->y(), bar->w(), bar->h(), top, bar, nullptr, 1);
  if (chosen) bar->picked(chosen);
}

void layer_window_changed(platform::Window window) {
  auto& frames = desktop::layer().frames;
  if (window->destroyed) {
    auto found = frames.find(window);
    if (found != frames.end()) {
      found->second->hide();
      Fl::delete_widget(found->second.release());
      frames.erase(found);
    }
    return;
  }
  if (!window->visible) {
    auto found = frames.find(window);
    if (found != frames.end()) found->second->hide();
    return;
  }
  desktop::FrameWindow& frame = desktop::frame_of(window);
  if (!frame.shown()) {
    frame.show();
    if (frame.view) frame.view->take_focus();
  }
}

}  // namespace portable

// ==== Platform interface (platform.h): the layer's own part ==================

namespace platform {

bool take_message(Message* message) {
  Fl::check();  // handles what the display has sent, posting its messages
  return portable::queue_take(message, portable::layer_now_ms());
}

void wait_for_message() {
  if (desktop::layer().spinning) return;
  while (!portable::queue_ready(portable::layer_now_ms())) {
    double seconds = 1.0;
    if (auto due = portable::queue_next_timer_due()) {
      const uint64_t now = portable::layer_now_ms();
      seconds = *due > now ? static_cast<double>(*due - now) / 1000.0 : 0.0;
    }
    if (Fl::first_window() == nullptr) return;  // nothing can ever post again
    Fl::wait(seconds);
  }
}

Size screen_size() {
  fl_open_display();
  return {Fl::w(), Fl::h()};
}

// With a log file, every printed line goes there too, ended by one newline.
void note_printed_line(const char* text) {
  if (std::FILE* log = desktop::layer().log) portable::write_log_line(log, text);
}

bool started_through_entry() {
  return desktop::layer().started;
}

}  // namespace platform

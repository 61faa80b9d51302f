// Modal dialogs on the desktop: the template's controls laid out in FLTK
// widgets. The only way out is a button whose command the dialog's
// procedure accepts; Escape and the close box do nothing.
#include <FL/Fl.H>
#include <FL/Fl_Box.H>
#include <FL/Fl_Button.H>
#include <FL/Fl_Input.H>
#include <FL/Fl_Return_Button.H>
#include <FL/Fl_Window.H>
#include <FL/fl_draw.H>
#include <FL/fl_utf8.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "platform/desktop/desktop.h"
#include "platform/portable/dialog_template.h"
#include "platform/portable/dialogs.h"
#include "platform/portable/layer_hooks.h"
#include "platform/portable/message_queue.h"
#include "platform/portable/objects.h"
#include "platform/raster/text.h"

namespace {

// Dialog units of the system font: a quarter of its average character width
// across, an eighth of its height down.
constexpr double kUnitX = 7.0 / 4.0;
constexpr double kUnitY = 16.0 / 8.0;

int pixels_x(int units) {
  return static_cast<int>(units * kUnitX + 0.5);
}
int pixels_y(int units) {
  return static_cast<int>(units * kUnitY + 0.5);
}

// The edit field's text as the package reads it: bytes in the Windows code
// page, '?' for a character it lacks, line breaks as CR LF.
std::string code_page_of_field(const char* utf8) {
  std::string out;
  const char* end = utf8 + std::strlen(utf8);
  while (utf8 < end) {
    int length = 0;
    const unsigned code = fl_utf8decode(utf8, end, &length);
    utf8 += length > 0 ? length : 1;
    if (code == '\n') {
      out += "\r\n";
    } else {
      const int byte = raster::windows_1252_byte(code);
      out.push_back(byte >= 0 ? static_cast<char>(byte) : '?');
    }
  }
  return out;
}

struct Running {
  platform::Dialog dialog;
  std::vector<std::pair<int, Fl_Input_*>> edits;
};

void press(Fl_Widget*, void* data) {
  auto* pressed = static_cast<std::pair<Running*, int>*>(data);
  Running& running = *pressed->first;
  for (auto& [id, field] : running.edits) {
    running.dialog->texts[id] = code_page_of_field(field->value());
  }
  running.dialog->procedure(running.dialog, WM_COMMAND, static_cast<uintptr_t>(pressed->second), 0);
}

void ignore_close(Fl_Widget*, void*) {}

// Static text shown as it is: FLTK would read '@' as the start of a symbol
// and '&' as a shortcut mark.
class PlainText : public Fl_Box {
 public:
  using Fl_Box::Fl_Box;
  void draw() override {
    draw_box();
    fl_font(labelfont(), labelsize());
    fl_color(labelcolor());
    const char saved = fl_draw_shortcut;
    fl_draw_shortcut = 0;
    fl_draw(label(), x(), y(), w(), h(), align(), nullptr, 0);
    fl_draw_shortcut = saved;
  }
};

}  // namespace

namespace platform {

intptr_t run_modal_dialog(const uint8_t* dialog_template, size_t size, Window, DialogProc procedure,
                          intptr_t init) {
  DialogObject dialog;
  if (!portable::open_dialog(dialog_template, size, procedure, &dialog)) return -1;
  const portable::DialogLayout& layout = dialog.layout;
  const std::string caption = desktop::utf8_of_code_page(layout.caption);
  Fl_Window window(pixels_x(layout.x), pixels_y(layout.y), pixels_x(layout.width),
                   pixels_y(layout.height), caption.c_str());
  Running running{&dialog, {}};
  std::vector<std::string> labels;
  labels.reserve(layout.controls.size());
  std::vector<std::unique_ptr<std::pair<Running*, int>>> presses;
  Fl_Widget* first_field = nullptr;
  window.begin();
  for (const portable::DialogControl& control : layout.controls) {
    labels.push_back(desktop::utf8_of_code_page(control.title));
    const int x = pixels_x(control.x), y = pixels_y(control.y);
    const int w = pixels_x(control.width), h = pixels_y(control.height);
    switch (control.kind) {
      case portable::ControlKind::kEdit: {
        // One line that scrolls sideways, as the edit field without a
        // want-return style acts: Enter presses the default button.
        auto* field = new Fl_Input(x, y, w, h);
        field->value(labels.back().c_str());
        running.edits.emplace_back(control.id, field);
        if (!first_field) first_field = field;
        break;
      }
      case portable::ControlKind::kButton: {
        Fl_Button* button = (control.style & 0x0Fu) == 1
                                ? new Fl_Return_Button(x, y, w, h, labels.back().c_str())
                                : new Fl_Button(x, y, w, h, labels.back().c_str());
        presses.push_back(std::make_unique<std::pair<Running*, int>>(&running, control.id));
        button->callback(press, presses.back().get());
        break;
      }
      case portable::ControlKind::kStatic: {
        auto* text = new PlainText(x, y, w, h, labels.back().c_str());
        text->align(FL_ALIGN_LEFT | FL_ALIGN_TOP | FL_ALIGN_INSIDE | FL_ALIGN_WRAP);
        break;
      }
      default:
        break;
    }
  }
  window.end();
  window.set_modal();
  window.callback(ignore_close);  // Escape and the close box
  procedure(&dialog, WM_INITDIALOG, 0, init);
  window.show();
  if (first_field) first_field->take_focus();

  // The modal loop: FLTK keeps input away from the other windows, while
  // their timer and paint messages are still dispatched.
  portable::SetAsideQuit quit;
  while (!dialog.ended && window.shown()) {
    double seconds = 0.1;
    if (auto due = portable::queue_next_timer_due()) {
      const uint64_t now = portable::layer_now_ms();
      seconds = *due > now ? static_cast<double>(*due - now) / 1000.0 : 0.0;
    }
    Fl::wait(seconds);
    while (!dialog.ended && portable::dispatch_one_while_modal(&quit)) {
    }
  }
  window.hide();
  portable::post_set_aside_quit(quit);
  return dialog.ended ? dialog.result : -1;
}

}  // namespace platform

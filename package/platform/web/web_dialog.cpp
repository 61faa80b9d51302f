// Modal dialogs in the page: the template's controls laid out over the
// page, which takes no other input while one is open. The only way out is a
// button whose command the dialog's procedure accepts; Escape does nothing.
#include <emscripten.h>

#include <map>
#include <string>

#include "platform/portable/dialog_template.h"
#include "platform/portable/dialogs.h"
#include "platform/portable/layer_hooks.h"
#include "platform/portable/message_queue.h"
#include "platform/portable/objects.h"
#include "platform/raster/text.h"
#include "platform/web/web.h"

EM_JS(void, page_open_dialog, (const char* layout),
      { ZivroPage.openDialog(JSON.parse(UTF8ToString(layout))); });
EM_JS(void, page_close_dialog, (), { ZivroPage.closeDialog(); });

namespace {

// Dialog units of the system font: a quarter of its average character width
// across, an eighth of its height down.
int pixels_x(int units) {
  return static_cast<int>(units * 7.0 / 4.0 + 0.5);
}
int pixels_y(int units) {
  return static_cast<int>(units * 16.0 / 8.0 + 0.5);
}

// A button the user pressed, with the edit fields' texts at that moment,
// kept until the modal loop hands it to the dialog's procedure.
struct Pressed {
  int button = 0;  // 0: none
  std::map<int, std::string> fields;
};

Pressed& pressed() {
  static Pressed state;
  return state;
}

// The package's Windows-1252 bytes as a JSON string of the characters they
// stand for: the page shows the labels and seed texts as Windows does.
std::string json_string(const std::string& bytes) {
  std::string out = "\"";
  for (unsigned char c : bytes) {
    if (c == '"' || c == '\\') {
      out += '\\';
      out += static_cast<char>(c);
    } else if (c < 0x20 || c >= 0x80) {
      char escaped[8];
      std::snprintf(escaped, sizeof escaped, "\\u%04x",
                    static_cast<unsigned>(raster::windows_1252_code_point(c)));
      out += escaped;
    } else {
      out += static_cast<char>(c);
    }
  }
  return out + "\"";
}

std::string layout_json(const portable::DialogLayout& layout) {
  std::string out = "{\"caption\":" + json_string(layout.caption) +
                    ",\"width\":" + std::to_string(pixels_x(layout.width)) +
                    ",\"height\":" + std::to_string(pixels_y(layout.height)) + ",\"controls\":[";
  bool first = true;
  for (const portable::DialogControl& control : layout.controls) {
    const char* kind = control.kind == portable::ControlKind::kEdit     ? "edit"
                       : control.kind == portable::ControlKind::kButton ? "button"
                       : control.kind == portable::ControlKind::kStatic ? "static"
                                                                        : "other";
    if (!first) out += ',';
    first = false;
    out += "{\"kind\":\"" + std::string(kind) + "\",\"id\":" + std::to_string(control.id) +
           ",\"x\":" + std::to_string(pixels_x(control.x)) +
           ",\"y\":" + std::to_string(pixels_y(control.y)) +
           ",\"width\":" + std::to_string(pixels_x(control.width)) +
           ",\"height\":" + std::to_string(pixels_y(control.height)) +
           ",\"default\":" + ((control.style & 0x0Fu) == 1 ? "true" : "false") +
           ",\"title\":" + json_string(control.title) + "}";
  }
  return out + "]}";
}

}  // namespace

extern "C" {

// The page's dialog: an edit field's text (`count` Unicode code points),
// then the button. The text becomes Windows-1252 bytes, as the field of a
// Windows dialog gives it; a character the code page lacks becomes '?'.
EMSCRIPTEN_KEEPALIVE void web_dialog_field(int id, const uint32_t* code_points, int count) {
  std::string text;
  for (int i = 0; i < count; ++i) {
    const int byte = raster::windows_1252_byte(code_points[i]);
    if (byte == 0) break;  // the end of the text, as in a C string
    text += static_cast<char>(byte < 0 ? '?' : byte);
  }
  pressed().fields[id] = text;
}
EMSCRIPTEN_KEEPALIVE void web_dialog_press(int button) {
  pressed().button = button;
}

}  // extern "C"

namespace platform {

intptr_t run_modal_dialog(const uint8_t* dialog_template, size_t size, Window, DialogProc procedure,
                          intptr_t init) {
  DialogObject dialog;
  if (!portable::open_dialog(dialog_template, size, procedure, &dialog)) return -1;
  pressed() = Pressed{};
  procedure(&dialog, WM_INITDIALOG, 0, init);
  page_open_dialog(layout_json(dialog.layout).c_str());

  // The modal loop: the other windows' timer and paint messages are still
  // dispatched while the user types.
  portable::SetAsideQuit quit;
  while (!dialog.ended) {
    if (pressed().button) {
      for (auto& [id, text] : pressed().fields) dialog.texts[id] = text;
      const int button = pressed().button;
      pressed() = Pressed{};
      procedure(&dialog, WM_COMMAND, static_cast<uintptr_t>(button), 0);
      continue;
    }
    if (portable::dispatch_one_while_modal(&quit)) continue;
    web::sleep_until_input(web::ms_until_next_timer());
  }
  page_close_dialog();
  portable::post_set_aside_quit(quit);
  return dialog.result;
}

}  // namespace platform

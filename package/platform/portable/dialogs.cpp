// What the portable layers' dialogs share: reading the template, item
// texts, ending, and the modal loop's handling of other messages.
#include "platform/portable/dialogs.h"

#include <algorithm>
#include <cstring>

#include "platform/portable/layer_hooks.h"
#include "platform/portable/message_queue.h"

namespace portable {

bool open_dialog(const uint8_t* dialog_template, size_t size, platform::DialogProc procedure,
                 platform::DialogObject* dialog) {
  if (!procedure || !parse_dialog_template(dialog_template, size, &dialog->layout)) return false;
  dialog->procedure = procedure;
  for (const DialogControl& control : dialog->layout.controls) {
    dialog->texts[control.id] = control.title;
  }
  return true;
}

int first_edit_id(const DialogLayout& layout) {
  for (const DialogControl& control : layout.controls) {
    if (control.kind == ControlKind::kEdit) return control.id;
  }
  return -1;
}

int default_button_id(const DialogLayout& layout) {
  for (const DialogControl& control : layout.controls) {
    if (control.kind == ControlKind::kButton && (control.style & 0x0Fu) == 1) {
      return control.id;  // BS_DEFPUSHBUTTON
    }
  }
  return 1;  // IDOK
}

bool dispatch_one_while_modal(SetAsideQuit* quit) {
  platform::Message message;
  if (!queue_take(&message, layer_now_ms())) return false;
  if (message.number == WM_QUIT) {
    quit->seen = true;
    quit->code = static_cast<int>(message.wparam);
    return true;
  }
  platform::translate_message(message);
  platform::dispatch_message(message);
  return true;
}

void post_set_aside_quit(const SetAsideQuit& quit) {
  if (quit.seen) platform::post_quit_message(quit.code);
}

}  // namespace portable

namespace platform {

int dialog_item_text(Dialog dialog, int item_id, char* buffer, int size) {
  if (!buffer || size <= 0) return 0;
  buffer[0] = '\0';
  if (!dialog) return 0;
  auto found = dialog->texts.find(item_id);
  if (found == dialog->texts.end()) return 0;
  const size_t count = std::min(found->second.size(), static_cast<size_t>(size - 1));
  std::memcpy(buffer, found->second.data(), count);
  buffer[count] = '\0';
  return static_cast<int>(count);
}

void end_dialog(Dialog dialog, intptr_t result) {
  if (!dialog) return;
  dialog->ended = true;
  dialog->result = result;
}

}  // namespace platform

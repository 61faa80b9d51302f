// What every portable layer's modal dialog does alike: read the template,
// seed the controls' texts, find the field and the default button, and
// keep the other windows' messages flowing while the dialog runs.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/layer_only.h"
#include "platform/portable/objects.h"

namespace portable {

// Reads the template into the dialog and seeds each control's text with its
// title. False when there is no procedure or the bytes are no template.
bool open_dialog(const uint8_t* dialog_template, size_t size, platform::DialogProc procedure,
                 platform::DialogObject* dialog);
// The first edit field's id, or -1.
int first_edit_id(const DialogLayout& layout);
// The default push button's id; IDOK when the template names none.
int default_button_id(const DialogLayout& layout);

// A quit taken while a dialog runs belongs to the application's own loop:
// it is set aside, and posted again when the dialog has ended.
struct SetAsideQuit {
  bool seen = false;
  int code = 0;
};
// Takes one queued message and dispatches it, as Windows' modal loop does
// for the other windows (their timers and paints); a quit is set aside.
// Returns whether a message was taken.
bool dispatch_one_while_modal(SetAsideQuit* quit);
void post_set_aside_quit(const SetAsideQuit& quit);

}  // namespace portable

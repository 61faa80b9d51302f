// ZIVRO_gets: a modal dialog with the caller's prompt, an edit field and an
// "Okay" button, built every time from an in-memory template.
#include "text/line_input.h"

#include <zivro.h>

#include <algorithm>
#include <cstdint>
#include <cstring>

#include "events.h"
#include "package_windows.h"
#include "platform/platform.h"
#include "script.h"

namespace {

constexpr int kOkayId = 101;
constexpr int kEditId = 102;
constexpr int kPromptId = 103;
constexpr int kAnswerLimit = 256;  // at most 255 characters and the NUL
constexpr size_t kPromptUnits = 79;

// The caller's buffer while the dialog runs.
char* answer_buffer = nullptr;

void put16(uint8_t* at, uint16_t value) {
  at[0] = static_cast<uint8_t>(value);
  at[1] = static_cast<uint8_t>(value >> 8);
}
void put32(uint8_t* at, uint32_t value) {
  put16(at, static_cast<uint16_t>(value));
  put16(at + 2, static_cast<uint16_t>(value >> 16));
}

// One item: style, no extended style, position and size, id, class ordinal.
void put_item(uint8_t* at, uint32_t style, int x, int y, int width, int height, int id,
              uint16_t class_ordinal) {
  put32(at, style);
  put16(at + 8, static_cast<uint16_t>(x));
  put16(at + 10, static_cast<uint16_t>(y));
  put16(at + 12, static_cast<uint16_t>(width));
  put16(at + 14, static_cast<uint16_t>(height));
  put16(at + 16, static_cast<uint16_t>(id));
  put16(at + 18, 0xFFFF);
  put16(at + 20, class_ordinal);
}

}  // namespace

void build_line_input_template(const char* prompt, uint8_t (&bytes)[kLineInputTemplateSize]) {
  std::memset(bytes, 0, sizeof bytes);
  put32(bytes, 0x90C80080u);  // popup, visible, caption, system menu, modal frame
  put16(bytes + 8, 3);
  put16(bytes + 10, 50);
  put16(bytes + 12, 50);
  put16(bytes + 14, 185);
  put16(bytes + 16, 92);
  const char caption[] = "ZIVRO_gets";
  for (size_t i = 0; i < sizeof caption - 1; ++i) {
    put16(bytes + 22 + 2 * i, static_cast<uint8_t>(caption[i]));
  }
  // Multi-line edit field with a border, reached first by the tab key.
  put_item(bytes + 44, 0x50810044u, 8, 30, 167, 37, kEditId, 0x0081);
  // The default push button, "Okay".
  put_item(bytes + 72, 0x50010001u, 67, 74, 50, 14, kOkayId, 0x0080);
  const uint16_t okay[] = {0x004F, 0x006B, 0x0061, 0x0079};
  for (size_t i = 0; i < 4; ++i) put16(bytes + 94 + 2 * i, okay[i]);
  // The prompt, cut or padded with blanks to exactly 79 characters.
  put_item(bytes + 108, 0x50020000u, 8, 3, 167, 24, kPromptId, 0x0082);
  const size_t length = prompt ? std::strlen(prompt) : 0;
  for (size_t i = 0; i < kPromptUnits; ++i) {
    const uint16_t unit = i < length ? static_cast<uint8_t>(prompt[i]) : 0x0020;
    put16(bytes + 130 + 2 * i, unit);
  }
}

intptr_t gets_dialog_proc(platform::Dialog dialog, unsigned message, uintptr_t wparam,
                          intptr_t lparam) {
  switch (message) {
    case WM_INITDIALOG:
      answer_buffer = reinterpret_cast<char*>(lparam);
      return 1;
    case WM_COMMAND:
      // Only a click of "Okay" ends the dialog; cancel (Escape, the close
      // box) and every other command are ignored.
      if (wparam != kOkayId) return 0;
      if (answer_buffer) platform::dialog_item_text(dialog, kEditId, answer_buffer, kAnswerLimit);
      platform::end_dialog(dialog, 1);
      return 1;
    default:
      return 0;
  }
}

namespace {

// The dialog, or the script's answer in its place, for the caller's buffer
// of kAnswerLimit bytes (null: the answer is not kept). Returns 0 when the
// dialog could not be shown, else 1.
int ask_for_line(const char* prompt, char* buffer) {
  // A replayed script answers in place of the user.
  if (buffer && script_read_answer(buffer, kAnswerLimit, run_state().playback)) return 1;
  uint8_t dialog_template[kLineInputTemplateSize];
  build_line_input_template(prompt, dialog_template);
  const intptr_t result =
      platform::run_modal_dialog(dialog_template, sizeof dialog_template, graphics_window(),
                                 gets_dialog_proc, reinterpret_cast<intptr_t>(buffer));
  answer_buffer = nullptr;
  if (result == -1) return 0;
  if (buffer && run_state().recording) script_record_answer(buffer, run_state().playback);
  return 1;
}

}  // namespace

extern "C" int ZIVRO_gets(const char* prompt, char* buffer) {
  // No window to own the dialog: nothing is asked, as if it were cancelled.
  if (!package_opened("ZIVRO_gets") || package_closed()) return 0;
  return ask_for_line(prompt, buffer);
}

// The whole answer, as the field holds it, is taken into a buffer of the
// dialog's own size and then cut to the caller's: a recording keeps what was
// typed, so the script replays the same on a program with a larger buffer.
extern "C" int ZIVRO_gets_n(const char* prompt, char* buffer, int size) {
  if (!package_opened("ZIVRO_gets_n") || package_closed()) return 0;
  // The answer is taken, recorded and replayed even when the caller keeps
  // none of it, so that a script stays in step with its dialogs.
  char answer[kAnswerLimit] = "";
  const bool keep = buffer && size > 0;
  const int shown = ask_for_line(prompt, answer);
  if (shown && keep) {
    const size_t room = static_cast<size_t>(size) - 1;
    const size_t length = std::min(std::strlen(answer), room);
    std::memcpy(buffer, answer, length);
    buffer[length] = '\0';
  }
  return shown;
}

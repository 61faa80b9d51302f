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

// Writes a dialog template in Win32's DLGTEMPLATE layout, field after field
// in the order platform/portable/dialog_template.cpp reads them back: the
// header, then each control aligned to four bytes.
struct TemplateWriter {
  uint8_t* bytes;
  size_t size;
  size_t at = 0;

  void word(uint16_t value) {
    if (at + 2 > size) return;
    bytes[at++] = static_cast<uint8_t>(value);
    bytes[at++] = static_cast<uint8_t>(value >> 8);
  }
  void dword(uint32_t value) {
    word(static_cast<uint16_t>(value));
    word(static_cast<uint16_t>(value >> 16));
  }
  // A string of 16-bit units ending in a 0 unit; bytes are characters.
  void text(const char* chars, size_t count) {
    for (size_t i = 0; i < count; ++i) word(static_cast<uint8_t>(chars[i]));
    word(0);
  }
  void align() {
    while (at % 4 != 0 && at < size) bytes[at++] = 0;
  }
  void header(uint32_t style, uint16_t count, int x, int y, int width, int height,
              const char* caption) {
    dword(style);
    dword(0);  // extended style
    word(count);
    for (int value : {x, y, width, height}) word(static_cast<uint16_t>(value));
    word(0);  // no menu
    word(0);  // the standard class
    text(caption, std::strlen(caption));
  }
  void control(uint32_t style, int x, int y, int width, int height, int id, uint16_t class_ordinal,
               const char* title, size_t title_length) {
    align();
    dword(style);
    dword(0);  // extended style
    for (int value : {x, y, width, height, id}) word(static_cast<uint16_t>(value));
    word(0xFFFF);
    word(class_ordinal);
    text(title, title_length);
    word(0);  // no creation data
  }
};

constexpr uint16_t kButtonClass = 0x0080;
constexpr uint16_t kEditClass = 0x0081;
constexpr uint16_t kStaticClass = 0x0082;

}  // namespace

void build_line_input_template(const char* prompt, uint8_t (&bytes)[kLineInputTemplateSize]) {
  std::memset(bytes, 0, sizeof bytes);
  TemplateWriter out{bytes, sizeof bytes};
  // Popup, visible, caption, system menu, modal frame; three controls.
  out.header(0x90C80080u, 3, 50, 50, 185, 92, "ZIVRO_gets");
  // Multi-line edit field with a border, reached first by the tab key.
  out.control(0x50810044u, 8, 30, 167, 37, kEditId, kEditClass, "", 0);
  // The default push button, "Okay".
  out.control(0x50010001u, 67, 74, 50, 14, kOkayId, kButtonClass, "Okay", 4);
  // The prompt, cut or padded with blanks to exactly 79 characters.
  char padded[kPromptUnits];
  const size_t length = prompt ? std::min(std::strlen(prompt), kPromptUnits) : 0;
  std::memset(padded, ' ', sizeof padded);
  if (length) std::memcpy(padded, prompt, length);
  out.control(0x50020000u, 8, 3, 167, 24, kPromptId, kStaticClass, padded, kPromptUnits);
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
  if (buffer && script_read_answer(buffer, kAnswerLimit)) return 1;
  uint8_t dialog_template[kLineInputTemplateSize];
  build_line_input_template(prompt, dialog_template);
  const intptr_t result =
      platform::run_modal_dialog(dialog_template, sizeof dialog_template, graphics_window(),
                                 gets_dialog_proc, reinterpret_cast<intptr_t>(buffer));
  answer_buffer = nullptr;
  if (result == -1) return 0;
  if (buffer && script_recording()) script_record_answer(buffer);
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

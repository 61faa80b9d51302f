// Reading an in-memory dialog template (Win32's DLGTEMPLATE layout), so the
// portable layers can build the same dialog with their own means.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/layer_only.h"

namespace portable {

enum class ControlKind { kButton, kEdit, kStatic, kOther };

struct DialogControl {
  uint32_t style = 0;
  int x = 0;  // dialog units
  int y = 0;
  int width = 0;
  int height = 0;
  int id = 0;
  ControlKind kind = ControlKind::kOther;
  std::string title;  // 16-bit units narrowed to bytes; above 255 becomes '?'
};

struct DialogLayout {
  uint32_t style = 0;
  int x = 0;
  int y = 0;
  int width = 0;
  int height = 0;
  std::string caption;
  std::vector<DialogControl> controls;
};

// False when the bytes are not a complete template of this layout.
bool parse_dialog_template(const uint8_t* bytes, size_t size, DialogLayout* layout);

}  // namespace portable

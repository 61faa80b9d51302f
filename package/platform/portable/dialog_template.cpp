#include "platform/portable/dialog_template.h"

namespace portable {
namespace {

struct Cursor {
  const uint8_t* bytes;
  size_t size;
  size_t at = 0;
  bool ok = true;

  uint32_t take(size_t width) {
    if (!ok || at > size || size - at < width) {
      ok = false;
      return 0;
    }
    uint32_t value = 0;
    for (size_t i = 0; i < width; ++i) value |= uint32_t{bytes[at + i]} << (8 * i);
    at += width;
    return value;
  }
  uint16_t word() { return static_cast<uint16_t>(take(2)); }
  int16_t signed_word() { return static_cast<int16_t>(take(2)); }
  void align(size_t boundary) {
    while (ok && at % boundary != 0) take(1);
  }
  // A 16-bit string ending in a 0 unit.
  std::string text() {
    std::string out;
    for (uint16_t unit = word(); ok && unit != 0; unit = word()) {
      out.push_back(unit < 256 ? static_cast<char>(unit) : '?');
    }
    return out;
  }
  // Either 0xFFFF and an ordinal, or a string; the string is returned.
  std::string ordinal_or_text(uint16_t* ordinal) {
    *ordinal = 0;
    const uint16_t first = word();
    if (first == 0xFFFF) {
      *ordinal = word();
      return {};
    }
    std::string out;
    for (uint16_t unit = first; ok && unit != 0; unit = word()) {
      out.push_back(unit < 256 ? static_cast<char>(unit) : '?');
    }
    return out;
  }
};

ControlKind kind_of(uint16_t ordinal) {
  switch (ordinal) {
    case 0x80:
      return ControlKind::kButton;
    case 0x81:
      return ControlKind::kEdit;
    case 0x82:
      return ControlKind::kStatic;
    default:
      return ControlKind::kOther;
  }
}

}  // namespace

bool parse_dialog_template(const uint8_t* bytes, size_t size, DialogLayout* layout) {
  if (!bytes || !layout) return false;
  Cursor in{bytes, size};
  DialogLayout parsed;
  parsed.style = in.take(4);
  in.take(4);  // extended style
  const uint16_t count = in.word();
  parsed.x = in.signed_word();
  parsed.y = in.signed_word();
  parsed.width = in.signed_word();
  parsed.height = in.signed_word();
  uint16_t ordinal = 0;
  in.ordinal_or_text(&ordinal);  // menu
  in.ordinal_or_text(&ordinal);  // window class
  parsed.caption = in.text();
  if (parsed.style & 0x40u) {  // DS_SETFONT: point size and face name
    in.word();
    in.text();
  }
  for (uint16_t i = 0; i < count && in.ok; ++i) {
    in.align(4);
    DialogControl control;
    control.style = in.take(4);
    in.take(4);  // extended style
    control.x = in.signed_word();
    control.y = in.signed_word();
    control.width = in.signed_word();
    control.height = in.signed_word();
    control.id = in.word();
    uint16_t class_ordinal = 0;
    in.ordinal_or_text(&class_ordinal);
    control.kind = kind_of(class_ordinal);
    uint16_t title_ordinal = 0;
    control.title = in.ordinal_or_text(&title_ordinal);
    const uint16_t extra = in.word();
    if (extra > size) in.ok = false;
    for (uint16_t skip = 0; skip < extra && in.ok; ++skip) in.take(1);
    parsed.controls.push_back(control);
  }
  if (!in.ok) return false;
  *layout = std::move(parsed);
  return true;
}

}  // namespace portable

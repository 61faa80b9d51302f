// Text on pixel surfaces with FreeType, faces found by fontconfig. Faces and
// rendered glyphs are cached: drawing a frame opens no font file.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/layer_only.h"
#include "platform/raster/shapes.h"

namespace raster {

enum class FontFamily {
  kSans,       // "Liberation Sans", else "DejaVu Sans", else fontconfig's "sans-serif"
  kMonospace,  // "DejaVu Sans Mono", else fontconfig's "monospace"
};

struct Font;  // owned by the cache; valid until reset_font_cache

struct FontMetrics {
  int ascent = 0;            // pixels above the baseline
  int descent = 0;           // pixels below it
  int height = 0;            // ascent + descent: the line pitch
  int internal_leading = 0;  // height less the em height
  int external_leading = 0;
  int average_width = 0;
};

// The family at an em height in pixels; 0 or less picks a default of 12.
const Font* find_font(FontFamily family, int em_pixels);
FontMetrics font_metrics(const Font* font);
// The Unicode code point a byte stands for in the Windows ANSI code page
// (Windows-1252): Latin-1, except that 0x80..0x9F hold typographic marks and
// a few letters; its five undefined bytes stand for the C1 controls of the
// same number, as Windows converts them.
char32_t windows_1252_code_point(unsigned char byte);
// The byte of a code point in that code page (the inverse of the above), or
// -1 when the code page has no such character: what a typed character
// becomes on its way into the package.
int windows_1252_byte(char32_t code);
// The advance width of count bytes set in one line; bytes are Windows-1252.
int text_width(const Font* font, const char* text, size_t count);
// Draws count bytes with the upper-left corner of the first cell at (x, y),
// glyphs only (no background), anti-aliased by blending into the surface.
// Bytes are Windows-1252; one without a glyph in the face draws the face's
// missing-glyph shape.
void draw_text(const Surface& surface, const Font* font, int x, int y, const char* text,
               size_t count, uint32_t colour);

void reset_font_cache();

}  // namespace raster

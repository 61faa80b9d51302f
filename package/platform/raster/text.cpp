// Text with FreeType, faces found by fontconfig.
//
// Each family's face is opened once, on first use, from the file fontconfig
// names for it. Every em height gets its own FT_Size on that face and its own
// Font, which keeps the metrics and the rendered glyphs (8-bit coverage, the
// bitmap's bearings and the advance) of each byte drawn or measured so far.
// After the first frame, drawing opens no file and renders no glyph.
//
// Metrics, as GDI reports them for a TrueType face: ascent and descent are
// the OS/2 table's Windows ascent and descent scaled to the em and rounded,
// height their sum; external_leading is the hhea line gap less what the
// Windows extent adds to the hhea extent, scaled and rounded, never below 0.
// A face without an OS/2 table takes ceil(ascender / 64), ceil(-descender /
// 64) and the rest of the line height from the FT_Size's scaled metrics.
// average_width is the OS/2 xAvgCharWidth scaled to the em, else the advance
// of 'x'. internal_leading is height less the em, never less than 0.
//
// Glyphs are anti-aliased with 17 levels of coverage (0, 1/16, ..., 1: as
// many as Windows' standard font smoothing has), except at the sizes where the
// face's gasp table asks for no grey levels: those are rendered bilevel, as
// Windows renders them with standard font smoothing.
//
// Like GDI, text paints only inside its cell: the rows of ink that a small
// hinted accent puts above the ascent, or a deep tail below the descent,
// are cut off.
//
// Positions: each glyph advances the pen by its advance rounded to whole
// pixels; no kerning. text_width and draw_text walk the same positions.
//
// A text drawn a second time in a font is laid out once for good: its
// glyphs' coverage merged into runs along the rows of its cell, blended a
// row at a time from then on (stretches of full coverage are plainly
// painted). Blending every pixel in the order of the glyphs that ink it, it
// paints exactly what drawing glyph by glyph paints.
//
// When no face can be had (no fontconfig match, no FreeType, an unreadable
// file, a face that will not scale), fonts still exist: they draw nothing,
// measure 0 wide, and report an em-high line.
//
// The build asks fontconfig once for the file of each family's first choice
// (ZIVRO_SANS_FACE, ZIVRO_MONO_FACE): loading fontconfig's configuration is
// most of a short run's start-up. That file is opened directly when
// fontconfig is not pointed elsewhere by the environment and the file still
// holds a regular face of that family; otherwise, as when the build found
// none, the face is looked up through fontconfig at run time.
//
// Faces are looked up in a fontconfig configuration of our own, loaded for
// the lookup and destroyed right after it. Nothing of fontconfig's global
// state is touched (no FcInit, no FcFini), so other fontconfig users in the
// process are unaffected, and nothing it allocated outlives the lookup.
// reset_font_cache releases every face and the FreeType library.
#include "platform/raster/text.h"

#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_GASP_H
#include FT_MODULE_H
#include FT_SIZES_H
#include FT_TRUETYPE_TABLES_H
#ifndef ZIVRO_FONT_DIRECTORY
#include <fontconfig/fontconfig.h>
#endif

#include <algorithm>
#include <array>
#include <climits>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif
#if defined(__x86_64__) && !defined(_WIN32) && defined(__GNUC__)
#include <immintrin.h>
#endif

namespace raster {

namespace {

constexpr int kDefaultEm = 12;
// Larger requests are set at this size: a glyph's bitmap grows with the
// square of the em, and nothing larger fits on any surface we draw.
constexpr int kMaxEm = 1024;

struct Glyph {
  int left = 0;  // columns from the pen position to the bitmap's left edge
  int top = 0;   // rows from the bitmap's top edge down to the baseline
  int width = 0;
  int rows = 0;
  int advance = 0;
  std::vector<uint8_t> coverage;  // rows * width, top row first
  // Each row's inked columns lie in [ink_start, ink_end) (both 0: none), so
  // drawing skips the blank margins around the shape.
  std::vector<std::pair<int, int>> ink;
};

// A line of text laid out once: its glyphs' coverage cut to the cell and
// merged into runs along each row, relative to the cell's upper left.
// Where two glyphs ink the same pixel, the later one's coverage goes into a
// later layer; runs are kept layer by layer, so every pixel is blended in
// the order the glyphs come in the text. A run may hold short stretches of
// zero coverage, which leave their pixels as they are.
struct TextRun {
  int dx = 0;   // columns from the text's x
  int row = 0;  // rows from the text's y
  int length = 0;
  size_t coverage = 0;  // the run's first byte in TextMask::coverage, or kFullCoverage
};

constexpr size_t kFullCoverage = SIZE_MAX;  // a run painted in the text's colour throughout

struct TextMask {
  bool glyph_by_glyph = false;  // too large a cell to lay out: drawn as the first time
  std::vector<TextRun> runs;
  std::vector<uint8_t> coverage;
};

// Texts whose cell has more pixels than this are not laid out: its layers
// would take that many bytes each while being built.
constexpr long long kLargestLaidOutCell = 1LL << 20;

}  // namespace

struct Font {
  FontFamily family = FontFamily::kSans;
  int em = kDefaultEm;
  FT_Face face = nullptr;  // shared by every size of the family; null if none
  FT_Size size = nullptr;
  bool bilevel = false;  // glyphs without grey levels, as the face asks at this size
  FontMetrics metrics;
  mutable std::array<std::unique_ptr<Glyph>, 256> glyphs;  // by byte, filled on use
  // Texts drawn in this font: null after the first time (most texts drawn
  // once are never drawn again), laid out from the second time on.
  mutable std::map<std::string, std::unique_ptr<TextMask>, std::less<>> texts;
  mutable size_t text_bytes = 0;  // what the laid-out texts hold, roughly
};

namespace {

struct FamilyFace {
  bool tried = false;
  FT_Face face = nullptr;
};

struct TextState {
  bool library_tried = false;
  FT_Library library = nullptr;
  std::array<FamilyFace, 2> families;
  std::map<std::pair<int, int>, std::unique_ptr<Font>> fonts;  // by (family, em)
};

TextState state;

int family_index(FontFamily family) {
  return family == FontFamily::kMonospace ? 1 : 0;
}

#ifdef ZIVRO_FONT_DIRECTORY
// A build without fontconfig (the web page) ships the two faces that
// fontconfig resolves on the build machine under fixed names.
bool find_face_file(bool mono, std::string& file, int& index) {
  file = std::string(ZIVRO_FONT_DIRECTORY) + (mono ? "/mono.ttf" : "/sans.ttf");
  index = 0;
  return true;
}
#else
bool has_family(FcPattern* pattern, const char* family) {
  FcChar8* name = nullptr;
  for (int i = 0; FcPatternGetString(pattern, FC_FAMILY, i, &name) == FcResultMatch; ++i) {
    if (FcStrCmpIgnoreCase(name, reinterpret_cast<const FcChar8*>(family)) == 0) return true;
  }
  return false;
}

// The file and face index of the best regular, upright, normal-width match
// for the family; with `exact`, only a face that carries that family name.
bool match_font(FcConfig* config, const char* family, bool exact, std::string& file, int& index) {
  FcPattern* pattern = FcPatternCreate();
  if (!pattern) return false;
  FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(family));
  FcPatternAddInteger(pattern, FC_WEIGHT, FC_WEIGHT_REGULAR);
  FcPatternAddInteger(pattern, FC_SLANT, FC_SLANT_ROMAN);
  FcPatternAddInteger(pattern, FC_WIDTH, FC_WIDTH_NORMAL);
  FcConfigSubstitute(config, pattern, FcMatchPattern);
  FcDefaultSubstitute(pattern);
  FcResult result = FcResultNoMatch;
  FcPattern* match = FcFontMatch(config, pattern, &result);
  FcPatternDestroy(pattern);
  if (!match) return false;
  bool found = false;
  FcChar8* path = nullptr;
  if ((!exact || has_family(match, family)) &&
      FcPatternGetString(match, FC_FILE, 0, &path) == FcResultMatch && path) {
    file = reinterpret_cast<const char*>(path);
    int face_index = 0;
    if (FcPatternGetInteger(match, FC_INDEX, 0, &face_index) != FcResultMatch) face_index = 0;
    index = face_index;
    found = true;
  }
  FcPatternDestroy(match);
  return found;
}

bool find_face_file(bool mono, std::string& file, int& index) {
  FcConfig* config = FcInitLoadConfigAndFonts();
  if (!config) return false;
  // The proportional face first of all has the metrics of Windows' own
  // (Arial's, which Liberation Sans shares), so texts measure as they do there.
  const bool found =
      (!mono && match_font(config, "Liberation Sans", true, file, index)) ||
      match_font(config, mono ? "DejaVu Sans Mono" : "DejaVu Sans", true, file, index) ||
      match_font(config, mono ? "monospace" : "sans-serif", false, file, index);
  FcConfigDestroy(config);
  return found;
}
#endif

#ifdef ZIVRO_TRUETYPE_MODULES_ONLY
}  // namespace
// The modules the library's TrueType faces need, as FreeType defines them.
extern "C" const FT_Module_Class autofit_module_class, tt_driver_class, psnames_module_class,
    sfnt_module_class, ft_smooth_renderer_class, ft_raster1_renderer_class;
namespace {

void* face_alloc(FT_Memory, long size) {
  return std::malloc(static_cast<size_t>(size));
}
void face_free(FT_Memory, void* block) {
  std::free(block);
}
void* face_realloc(FT_Memory, long, long size, void* block) {
  return std::realloc(block, static_cast<size_t>(size));
}
FT_MemoryRec_ face_memory = {nullptr, face_alloc, face_free, face_realloc};

// FT_Init_FreeType with only the modules of TrueType faces, added in the
// order it adds them (so the same driver, hinter and renderers serve every
// glyph), and the same allocator: a program that reads no other kind of
// face leaves the drivers of all the others out.
FT_Error open_library(FT_Library* out) {
  if (const FT_Error error = FT_New_Library(&face_memory, out)) return error;
  for (const FT_Module_Class* module :
       {&autofit_module_class, &tt_driver_class, &psnames_module_class, &sfnt_module_class,
        &ft_smooth_renderer_class, &ft_raster1_renderer_class}) {
    FT_Add_Module(*out, module);  // as FT_Add_Default_Modules, a module that fails is left out
  }
  FT_Set_Default_Properties(*out);
  return 0;
}
void close_library(FT_Library library) {
  FT_Done_Library(library);
}
#else
FT_Error open_library(FT_Library* out) {
  return FT_Init_FreeType(out);
}
void close_library(FT_Library library) {
  FT_Done_FreeType(library);
}
#endif

FT_Library library() {
  if (!state.library_tried) {
    state.library_tried = true;
    if (open_library(&state.library) != 0) state.library = nullptr;
  }
  return state.library;
}

struct KnownFace {
  const char* file;
  int index;
  const char* family;
};

// The face the build found for the family, if it found one.
KnownFace known_face(bool mono) {
#if defined(ZIVRO_SANS_FACE) && !defined(ZIVRO_FONT_DIRECTORY)
  if (!mono) return {ZIVRO_SANS_FACE, ZIVRO_SANS_INDEX, ZIVRO_SANS_FAMILY};
#endif
#if defined(ZIVRO_MONO_FACE) && !defined(ZIVRO_FONT_DIRECTORY)
  if (mono) return {ZIVRO_MONO_FACE, ZIVRO_MONO_INDEX, ZIVRO_MONO_FAMILY};
#endif
  (void)mono;
  return {nullptr, 0, nullptr};
}

// The build's face, if fontconfig would still give it: the environment
// leaves fontconfig's configuration as it is, and the file opens as a
// scalable, regular, upright face of the family.
FT_Face open_known_face(FT_Library lib, bool mono) {
  const KnownFace known = known_face(mono);
  if (!known.file) return nullptr;
  for (const char* variable : {"FONTCONFIG_FILE", "FONTCONFIG_PATH", "FONTCONFIG_SYSROOT"}) {
    if (std::getenv(variable)) return nullptr;
  }
  FT_Face face = nullptr;
  if (FT_New_Face(lib, known.file, known.index & 0xFFFF, &face) != 0) return nullptr;
  if (!FT_IS_SCALABLE(face) || !face->family_name ||
      std::strcmp(face->family_name, known.family) != 0 ||
      (face->style_flags & (FT_STYLE_FLAG_BOLD | FT_STYLE_FLAG_ITALIC)) != 0) {
    FT_Done_Face(face);
    return nullptr;
  }
  return face;
}

FT_Face open_face(FontFamily family) {
  FamilyFace& slot = state.families[family_index(family)];
  if (slot.tried) return slot.face;
  slot.tried = true;
  FT_Library lib = library();
  if (!lib) return nullptr;
  const bool mono = family == FontFamily::kMonospace;
  FT_Face face = open_known_face(lib, mono);
  if (!face) {
    std::string file;
    int index = 0;
    if (!find_face_file(mono, file, index)) return nullptr;
    if (FT_New_Face(lib, file.c_str(), index & 0xFFFF, &face) != 0) return nullptr;
    if (!FT_IS_SCALABLE(face)) {
      FT_Done_Face(face);
      return nullptr;
    }
  }
  // Bytes are looked up by the Unicode code point they stand for.
  FT_Select_Charmap(face, FT_ENCODING_UNICODE);
  slot.face = face;
  return face;
}

int ceil_pixels(FT_Pos value) {
  return static_cast<int>(value >= 0 ? (value + 63) / 64 : -((-value) / 64));
}

int round_pixels(FT_Pos value) {
  return static_cast<int>(value >= 0 ? (value + 32) / 64 : -((-value + 32) / 64));
}

FontMetrics faceless_metrics(int em) {
  FontMetrics m;
  m.ascent = em;
  m.height = em;
  m.average_width = (em + 1) / 2;
  return m;
}

// Font units scaled to the em and rounded to the nearest pixel.
int scaled_units(long units, int em, int units_per_em) {
  const long long product = static_cast<long long>(units) * em;
  const long long half = units_per_em / 2;
  return static_cast<int>(product >= 0 ? (product + half) / units_per_em
                                       : -((-product + half) / units_per_em));
}

FontMetrics face_metrics(FT_Face face, int em) {
  const FT_Size_Metrics& sm = face->size->metrics;
  const auto* os2 = static_cast<const TT_OS2*>(FT_Get_Sfnt_Table(face, FT_SFNT_OS2));
  const bool has_os2 = os2 && os2->version != 0xFFFFu && face->units_per_EM > 0;
  FontMetrics m;
  if (has_os2 && os2->usWinAscent + os2->usWinDescent > 0) {
    // As Windows measures a TrueType face: the OS/2 Windows ascent and
    // descent, scaled and rounded, and for external leading the hhea line
    // gap less what the Windows extent already has beyond the hhea extent.
    const int upem = face->units_per_EM;
    const long win_extent = long{os2->usWinAscent} + os2->usWinDescent;
    const long line_gap = face->height - (face->ascender - face->descender);
    const long gap = line_gap - (win_extent - (face->ascender - face->descender));
    m.ascent = scaled_units(os2->usWinAscent, em, upem);
    m.descent = scaled_units(os2->usWinDescent, em, upem);
    m.external_leading = std::max(0, scaled_units(gap, em, upem));
  } else {
    m.ascent = std::max(0, ceil_pixels(sm.ascender));
    m.descent = std::max(0, ceil_pixels(-sm.descender));
    m.external_leading = std::max(0, ceil_pixels(sm.height) - m.ascent - m.descent);
  }
  if (m.ascent + m.descent <= 0) return faceless_metrics(em);
  m.height = m.ascent + m.descent;
  m.internal_leading = std::max(0, m.height - em);
  if (has_os2 && os2->xAvgCharWidth > 0) {
    m.average_width = static_cast<int>(
        (static_cast<long long>(os2->xAvgCharWidth) * em + face->units_per_EM / 2) /
        face->units_per_EM);
  } else if (FT_Load_Char(face, 'x', FT_LOAD_DEFAULT) == 0) {
    m.average_width = round_pixels(face->glyph->advance.x);
  }
  if (m.average_width <= 0) m.average_width = (em + 1) / 2;
  return m;
}

void copy_bitmap(const FT_Bitmap& bitmap, Glyph& glyph) {
  const bool gray = bitmap.pixel_mode == FT_PIXEL_MODE_GRAY;
  const bool mono = bitmap.pixel_mode == FT_PIXEL_MODE_MONO;
  if ((!gray && !mono) || !bitmap.buffer || bitmap.width == 0 || bitmap.rows == 0) return;
  glyph.width = static_cast<int>(bitmap.width);
  glyph.rows = static_cast<int>(bitmap.rows);
  glyph.coverage.resize(static_cast<size_t>(glyph.width) * static_cast<size_t>(glyph.rows));
  const size_t pitch = static_cast<size_t>(bitmap.pitch < 0 ? -bitmap.pitch : bitmap.pitch);
  const int max_gray = std::max(1, static_cast<int>(bitmap.num_grays) - 1);
  for (int r = 0; r < glyph.rows; ++r) {
    // A negative pitch stores the rows bottom first.
    const int stored = bitmap.pitch < 0 ? glyph.rows - 1 - r : r;
    const uint8_t* src = bitmap.buffer + static_cast<size_t>(stored) * pitch;
    uint8_t* dst = glyph.coverage.data() + static_cast<size_t>(r) * glyph.width;
    for (int c = 0; c < glyph.width; ++c) {
      if (mono) {
        dst[c] = (src[c >> 3] & (0x80 >> (c & 7))) ? 255 : 0;
      } else {
        const int full = max_gray == 255 ? src[c] : src[c] * 255 / max_gray;
        dst[c] = static_cast<uint8_t>((full * 16 + 127) / 255 * 255 / 16);
      }
    }
  }
  glyph.ink.assign(static_cast<size_t>(glyph.rows), {0, 0});
  for (int r = 0; r < glyph.rows; ++r) {
    const uint8_t* row = glyph.coverage.data() + static_cast<size_t>(r) * glyph.width;
    int start = 0;
    int end = glyph.width;
    while (start < end && row[start] == 0) ++start;
    while (end > start && row[end - 1] == 0) --end;
    if (start < end) glyph.ink[static_cast<size_t>(r)] = {start, end};
  }
}

// Code points of 0x80..0x9F in Windows-1252. The undefined 0x81, 0x8D, 0x8F,
// 0x90 and 0x9D keep their own numbers (C1 controls), as Windows maps them.
constexpr std::array<char32_t, 32> kWindows1252High = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,  // 80..87
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,  // 88..8F
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,  // 90..97
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,  // 98..9F
};

// The glyph of one byte, rendered on first use. Null when the font has no face.
const Glyph* glyph_for(const Font& font, unsigned char byte) {
  if (!font.face) return nullptr;
  std::unique_ptr<Glyph>& cached = font.glyphs[byte];
  if (cached) return cached.get();
  cached = std::make_unique<Glyph>();
  FT_Activate_Size(font.size);
  const FT_UInt index = FT_Get_Char_Index(font.face, windows_1252_code_point(byte));
  const FT_Int32 target = font.bilevel ? FT_LOAD_TARGET_MONO : FT_LOAD_TARGET_NORMAL;
  if (FT_Load_Glyph(font.face, index, FT_LOAD_RENDER | target) == 0) {
    const FT_GlyphSlot slot = font.face->glyph;
    cached->advance = std::max(0, round_pixels(slot->advance.x));
    cached->left = slot->bitmap_left;
    cached->top = slot->bitmap_top;
    copy_bitmap(slot->bitmap, *cached);
  }
  return cached.get();
}

// Each channel becomes (s * a + d * (255 - a) + 127) / 255, rounded down.
// Red and blue are worked on together, each in its own 16 bits (a sum is at
// most 255 * 255 + 127, so neither spills into the other), and the division
// by 255 is n / 255 == (n + 1 + (n >> 8)) >> 8, exact for every n up to
// 65152.
uint32_t blend(uint32_t dst, uint32_t src, unsigned a) {
  const unsigned b = 255u - a;
  uint32_t rb = (src & 0xFF00FFu) * a + (dst & 0xFF00FFu) * b + 0x007F007Fu;
  uint32_t g = (src & 0xFF00u) * a + (dst & 0xFF00u) * b + 0x7F00u;  // green's sum, times 256
  rb = ((rb + 0x00010001u + ((rb >> 8) & 0x00FF00FFu)) >> 8) & 0x00FF00FFu;
  g = ((g + 0x100u + ((g >> 8) & 0x00FFFF00u)) >> 8) & 0x0000FF00u;
  return rb | g;
}

// Blends a glyph's coverage with its top-left pixel at (left, top), only on
// the rows cell_top..cell_bottom - 1 of the text's cell.
void blend_glyph(const Surface& surface, const Glyph& glyph, long long left, long long top,
                 long long cell_top, long long cell_bottom, uint32_t colour) {
  const long long c0 = std::max(0LL, -left);
  const long long c1 = std::min<long long>(glyph.width, surface.width - left);
  const long long r0 = std::max({0LL, -top, cell_top - top});
  const long long r1 = std::min<long long>({glyph.rows, surface.height - top, cell_bottom - top});
  for (long long r = r0; r < r1; ++r) {
    const uint8_t* src = glyph.coverage.data() + r * glyph.width;
    uint32_t* row = surface.pixels + (top + r) * surface.width;
    const std::pair<int, int> ink = glyph.ink[static_cast<size_t>(r)];
    const long long from = std::max<long long>(c0, ink.first);
    const long long to = std::min<long long>(c1, ink.second);
    uint32_t* out = row + left;
    if (surface.written && from < to)
      note_written(surface.written, top + r, left + from, left + to - 1);
    for (long long c = from; c < to; ++c) {
      const unsigned a = src[c];
      if (a == 255) {
        out[c] = colour;
      } else if (a != 0) {
        out[c] = blend(out[c], colour, a);
      }
    }
  }
}

// Lays out count bytes as draw_text draws them at (0, 0).
std::unique_ptr<TextMask> lay_out(const Font& font, const char* text, size_t count) {
  const long long ascent = font.metrics.ascent;
  const long long height = font.metrics.height;
  struct Placed {
    const Glyph* glyph;
    long long left, top;
  };
  std::vector<Placed> placed;
  long long pen = 0;
  long long min_x = 0, max_x = 0;
  for (size_t i = 0; i < count; ++i) {
    const Glyph& glyph = *glyph_for(font, static_cast<unsigned char>(text[i]));
    if (!glyph.coverage.empty()) {
      const Placed p{&glyph, pen + glyph.left, ascent - glyph.top};
      if (placed.empty()) min_x = p.left, max_x = p.left + glyph.width;
      min_x = std::min(min_x, p.left);
      max_x = std::max(max_x, p.left + glyph.width);
      placed.push_back(p);
    }
    pen += glyph.advance;
  }
  auto mask = std::make_unique<TextMask>();
  const long long width = max_x - min_x;
  if (placed.empty() || width <= 0 || height <= 0) return mask;
  if (width > kLargestLaidOutCell / height) {
    mask->glyph_by_glyph = true;
    return mask;
  }

  // Each glyph's coverage into the first layer still blank at each pixel.
  const size_t area = static_cast<size_t>(width) * static_cast<size_t>(height);
  std::vector<std::vector<uint8_t>> layers;
  for (const Placed& p : placed) {
    const Glyph& glyph = *p.glyph;
    const long long r0 = std::max(0LL, -p.top);
    const long long r1 = std::min<long long>(glyph.rows, height - p.top);
    for (long long r = r0; r < r1; ++r) {
      const uint8_t* src = glyph.coverage.data() + r * glyph.width;
      const std::pair<int, int> ink = glyph.ink[static_cast<size_t>(r)];
      const size_t at = static_cast<size_t>((p.top + r) * width + (p.left - min_x));
      for (long long c = ink.first; c < ink.second; ++c) {
        if (src[c] == 0) continue;
        const size_t pixel = at + static_cast<size_t>(c);
        size_t layer = 0;
        while (layer < layers.size() && layers[layer][pixel] != 0) ++layer;
        if (layer == layers.size()) layers.emplace_back(area, 0);
        layers[layer][pixel] = src[c];
      }
    }
  }
  // Runs of inked pixels, gaps shorter than kGap taken in: a blank pixel
  // costs less to pass over than a run costs to start.
  constexpr long long kGap = 8;
  for (const std::vector<uint8_t>& layer : layers) {
    for (long long r = 0; r < height; ++r) {
      const uint8_t* row = layer.data() + static_cast<size_t>(r * width);
      long long c = 0;
      while (c < width) {
        if (row[c] == 0) {
          ++c;
          continue;
        }
        const long long start = c;
        long long end = c;  // one past the last inked pixel so far
        while (c < width && c - end < kGap) {
          if (row[c] != 0) end = c + 1;
          ++c;
        }
        c = end;
        const bool partial =
            std::any_of(row + start, row + end, [](uint8_t a) { return a != 0 && a != 255; });
        if (!partial) {
          // Only full coverage and blanks (every run of a bilevel size):
          // the fully covered stretches are plainly painted.
          for (long long i = start; i < end;) {
            if (row[i] == 0) {
              ++i;
              continue;
            }
            const long long solid_start = i;
            while (i < end && row[i] == 255) ++i;
            mask->runs.push_back({static_cast<int>(solid_start + min_x), static_cast<int>(r),
                                  static_cast<int>(i - solid_start), kFullCoverage});
          }
          continue;
        }
        TextRun run;
        run.dx = static_cast<int>(start + min_x);
        run.row = static_cast<int>(r);
        run.length = static_cast<int>(end - start);
        run.coverage = mask->coverage.size();
        mask->coverage.insert(mask->coverage.end(), row + start, row + end);
        mask->runs.push_back(run);
      }
    }
  }
  return mask;
}

// The laid-out text, from the second time it is drawn in this font.
const TextMask* cached_layout(const Font& font, const char* text, size_t count) {
  // Enough for every line a program shows at a time; a program that keeps
  // drawing new texts starts over now and then.
  constexpr size_t kMostTexts = 512;
  constexpr size_t kMostBytes = size_t{4} << 20;
  const std::string_view key(text, count);
  auto found = font.texts.find(key);
  if (found == font.texts.end()) {
    if (font.texts.size() >= kMostTexts) {
      font.texts.clear();
      font.text_bytes = 0;
    }
    font.texts.emplace(std::string(key), nullptr);
    return nullptr;
  }
  if (!found->second) {
    found->second = lay_out(font, text, count);
    const TextMask& mask = *found->second;
    const size_t bytes = mask.coverage.size() + mask.runs.size() * sizeof(TextRun) + count;
    if (font.text_bytes + bytes > kMostBytes) {
      // Over the budget: keep only this one.
      std::unique_ptr<TextMask> kept = std::move(found->second);
      font.texts.clear();
      found = font.texts.emplace(std::string(key), std::move(kept)).first;
      font.text_bytes = 0;
    }
    font.text_bytes += bytes;
  }
  return found->second->glyph_by_glyph ? nullptr : found->second.get();
}

// Blends count pixels from out with coverage, as blend_glyph does pixel by
// pixel: where the coverage is 0 the pixel stays as it is. SSE2 (on every
// x86-64 target) takes four pixels at a time through the same arithmetic,
// each channel in a 16-bit lane.
#if defined(__x86_64__) && !defined(_WIN32) && defined(__GNUC__)
#define ZIVRO_BLEND_AVX2 1
// Each channel's (s * a + d * (255 - a) + 127) / 255, as blend has it, in
// 16-bit lanes.
__attribute__((target("avx2"))) inline __m256i mix_eights(__m256i source, __m256i d, __m256i a) {
  const __m256i n = _mm256_add_epi16(
      _mm256_add_epi16(_mm256_mullo_epi16(source, a),
                       _mm256_mullo_epi16(d, _mm256_sub_epi16(_mm256_set1_epi16(255), a))),
      _mm256_set1_epi16(127));
  const __m256i rounded =
      _mm256_add_epi16(_mm256_add_epi16(n, _mm256_set1_epi16(1)), _mm256_srli_epi16(n, 8));
  return _mm256_srli_epi16(rounded, 8);
}

// Blending eight pixels at a time, on processors with AVX2 (asked once
// at run time); returns how many pixels it blended, a multiple of eight.
// Each 128-bit half of a register holds four pixels, and every unpack and
// pack works within its half, so the halves line up as in the SSE2 code.
__attribute__((target("avx2"))) long long blend_eights(uint32_t* out, const uint8_t* coverage,
                                                       long long count, uint32_t colour) {
  const __m256i zero = _mm256_setzero_si256();
  const __m256i source = _mm256_unpacklo_epi8(_mm256_set1_epi32(static_cast<int>(colour)), zero);
  const __m256i low_bytes = _mm256_set1_epi32(0x00FFFFFF);
  const __m256i solid = _mm256_set1_epi32(static_cast<int>(colour));
  long long c = 0;
  for (; c + 8 <= count; c += 8) {
    uint64_t eight = 0;
    std::memcpy(&eight, coverage + c, sizeof eight);
    if (eight == 0) continue;
    __m256i* at = reinterpret_cast<__m256i*>(out + c);
    if (eight == ~uint64_t{0}) {
      _mm256_storeu_si256(at, solid);
      continue;
    }
    const __m256i a32 = _mm256_cvtepu8_epi32(_mm_cvtsi64_si128(static_cast<long long>(eight)));
    const __m256i pairs = _mm256_or_si256(a32, _mm256_slli_epi32(a32, 16));  // a in both halves
    const __m256i a_low = _mm256_unpacklo_epi32(pairs, pairs);
    const __m256i a_high = _mm256_unpackhi_epi32(pairs, pairs);
    const __m256i d = _mm256_loadu_si256(at);
    const __m256i mixed = _mm256_and_si256(
        _mm256_packus_epi16(mix_eights(source, _mm256_unpacklo_epi8(d, zero), a_low),
                            mix_eights(source, _mm256_unpackhi_epi8(d, zero), a_high)),
        low_bytes);
    const __m256i blank = _mm256_cmpeq_epi32(a32, zero);
    _mm256_storeu_si256(at, _mm256_blendv_epi8(mixed, d, blank));
  }
  return c;
}
#endif

void blend_run(uint32_t* out, const uint8_t* coverage, long long count, uint32_t colour) {
  long long c = 0;
#if defined(ZIVRO_BLEND_AVX2)
  static const bool has_avx2 = __builtin_cpu_supports("avx2");
  if (has_avx2 && count >= 8) c = blend_eights(out, coverage, count, colour);
#endif
#if defined(__SSE2__)
  const __m128i zero = _mm_setzero_si128();
  const __m128i source = _mm_unpacklo_epi8(_mm_set1_epi32(static_cast<int>(colour)), zero);
  const __m128i full = _mm_set1_epi16(255);
  const __m128i half = _mm_set1_epi16(127);
  const __m128i one = _mm_set1_epi16(1);
  const __m128i low_bytes = _mm_set1_epi32(0x00FFFFFF);
  // Each channel's (s * a + d * (255 - a) + 127) / 255, as blend has it.
  const auto mix = [&](__m128i d, __m128i a) {
    const __m128i n = _mm_add_epi16(
        _mm_add_epi16(_mm_mullo_epi16(source, a), _mm_mullo_epi16(d, _mm_sub_epi16(full, a))),
        half);
    return _mm_srli_epi16(_mm_add_epi16(_mm_add_epi16(n, one), _mm_srli_epi16(n, 8)), 8);
  };
  for (; c + 4 <= count; c += 4) {
    uint32_t four = 0;
    std::memcpy(&four, coverage + c, sizeof four);
    if (four == 0) continue;
    __m128i* at = reinterpret_cast<__m128i*>(out + c);
    if (four == 0xFFFFFFFFu) {  // fully covered: the colour itself
      _mm_storeu_si128(at, _mm_set1_epi32(static_cast<int>(colour)));
      continue;
    }
    const __m128i a8 = _mm_cvtsi32_si128(static_cast<int>(four));
    const __m128i a16 = _mm_unpacklo_epi8(a8, zero);         // a0 a1 a2 a3 as 16 bits
    const __m128i a32 = _mm_unpacklo_epi16(a16, zero);       // and as 32 bits
    const __m128i pairs = _mm_unpacklo_epi16(a16, a16);      // a0 a0 a1 a1 a2 a2 a3 a3
    const __m128i a_low = _mm_unpacklo_epi32(pairs, pairs);  // a0 x4, a1 x4
    const __m128i a_high = _mm_unpackhi_epi32(pairs, pairs);
    const __m128i d = _mm_loadu_si128(at);
    const __m128i mixed = _mm_and_si128(_mm_packus_epi16(mix(_mm_unpacklo_epi8(d, zero), a_low),
                                                         mix(_mm_unpackhi_epi8(d, zero), a_high)),
                                        low_bytes);
    const __m128i blank = _mm_cmpeq_epi32(a32, zero);
    _mm_storeu_si128(at, _mm_or_si128(_mm_and_si128(blank, d), _mm_andnot_si128(blank, mixed)));
  }
#endif
  for (; c < count; ++c) {
    if (coverage[c] != 0) out[c] = blend(out[c], colour, coverage[c]);
  }
}

void draw_layout(const Surface& surface, const TextMask& mask, long long x, long long y,
                 uint32_t colour) {
  for (const TextRun& run : mask.runs) {
    const long long row = y + run.row;
    if (row < 0 || row >= surface.height) continue;
    const long long left = x + run.dx;
    const long long from = std::max(0LL, -left);
    const long long to = std::min<long long>(run.length, surface.width - left);
    if (from >= to) continue;
    uint32_t* out = surface.pixels + row * surface.width + left + from;
    if (surface.written) note_written(surface.written, row, left + from, left + to - 1);
    if (run.coverage == kFullCoverage) {
      std::fill_n(out, to - from, colour);
    } else {
      blend_run(out, mask.coverage.data() + run.coverage + from, to - from, colour);
    }
  }
}

}  // namespace

char32_t windows_1252_code_point(unsigned char byte) {
  return byte >= 0x80 && byte <= 0x9F ? kWindows1252High[byte - 0x80] : byte;
}

int windows_1252_byte(char32_t code) {
  if (code < 0x80 || (code >= 0xA0 && code <= 0xFF)) return static_cast<int>(code);
  for (size_t i = 0; i < kWindows1252High.size(); ++i) {
    if (kWindows1252High[i] == code) return static_cast<int>(0x80 + i);
  }
  return -1;
}

const Font* find_font(FontFamily family, int em_pixels) {
  const int em = em_pixels <= 0 ? kDefaultEm : std::min(em_pixels, kMaxEm);
  std::unique_ptr<Font>& font = state.fonts[{family_index(family), em}];
  if (font) return font.get();
  font = std::make_unique<Font>();
  font->family = family;
  font->em = em;
  font->metrics = faceless_metrics(em);
  FT_Face face = open_face(family);
  FT_Size size = nullptr;
  if (face && FT_New_Size(face, &size) == 0) {
    if (FT_Activate_Size(size) == 0 && FT_Set_Pixel_Sizes(face, 0, static_cast<FT_UInt>(em)) == 0) {
      font->face = face;
      font->size = size;
      font->metrics = face_metrics(face, em);
      // The face's gasp table says at which sizes it wants grey levels;
      // Windows draws the other sizes bilevel, and so do we.
      const FT_Int gasp = FT_Get_Gasp(face, static_cast<FT_UInt>(em));
      font->bilevel = gasp != FT_GASP_NO_TABLE && (gasp & FT_GASP_DO_GRAY) == 0;
    } else {
      FT_Done_Size(size);
    }
  }
  return font.get();
}

FontMetrics font_metrics(const Font* font) {
  return font ? font->metrics : FontMetrics{};
}

int text_width(const Font* font, const char* text, size_t count) {
  if (!font || !font->face || !text) return 0;
  long long width = 0;
  for (size_t i = 0; i < count; ++i) {
    width += glyph_for(*font, static_cast<unsigned char>(text[i]))->advance;
    if (width >= INT_MAX) return INT_MAX;
  }
  return static_cast<int>(width);
}

void draw_text(const Surface& surface, const Font* font, int x, int y, const char* text,
               size_t count, uint32_t colour) {
  if (!font || !font->face || !text || !surface.pixels || surface.width <= 0 ||
      surface.height <= 0) {
    return;
  }
  colour &= 0x00FFFFFFu;
  if (const TextMask* mask = cached_layout(*font, text, count)) {
    draw_layout(surface, *mask, x, y, colour);
    return;
  }
  const long long baseline = static_cast<long long>(y) + font->metrics.ascent;
  long long pen = x;
  for (size_t i = 0; i < count; ++i) {
    const Glyph& glyph = *glyph_for(*font, static_cast<unsigned char>(text[i]));
    if (!glyph.coverage.empty()) {
      blend_glyph(surface, glyph, pen + glyph.left, baseline - glyph.top, y,
                  static_cast<long long>(y) + font->metrics.height, colour);
    }
    pen += glyph.advance;
  }
}

void reset_font_cache() {
  // FT_Done_Face releases the sizes made on the face too.
  state.fonts.clear();
  for (FamilyFace& slot : state.families) {
    if (slot.face) FT_Done_Face(slot.face);
    slot = FamilyFace{};
  }
  if (state.library) close_library(state.library);
  state.library = nullptr;
  state.library_tried = false;
}

}  // namespace raster

// Text on pixel surfaces: metrics, widths, glyph placement, blending,
// clipping, the font cache, and running without any font.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "platform/raster/text.h"

namespace {

using raster::find_font;
using raster::font_metrics;
using raster::FontFamily;

constexpr uint32_t kWhite = 0x00FFFFFFu, kBlack = 0, kGuard = 0xDEADBEEFu;

// A surface with `guard` sentinel pixels before and after it.
struct Canvas {
  Canvas(int w, int h, uint32_t fill, int guard = 0)
      : width(w), height(h), margin(guard), store(size_t(w) * h + 2 * guard, kGuard) {
    std::fill(store.begin() + margin, store.end() - margin, fill);
  }
  uint32_t at(int x, int y) const { return store[margin + size_t(y) * width + x]; }
  std::vector<uint32_t> pixels() const { return {store.begin() + margin, store.end() - margin}; }
  bool guards_intact() const {
    return std::count(store.begin(), store.begin() + margin, kGuard) == margin &&
           std::count(store.end() - margin, store.end(), kGuard) == margin;
  }
  void draw(const raster::Font* font, int x, int y, const std::string& text, uint32_t colour) {
    raster::draw_text({store.data() + margin, width, height}, font, x, y, text.data(), text.size(),
                      colour);
  }
  int width, height, margin;
  std::vector<uint32_t> store;
};

int width_of(const raster::Font* font, const std::string& text) {
  return raster::text_width(font, text.data(), text.size());
}

// Rows and columns (inclusive) of the pixels that differ from the background.
struct Box {
  int left = INT_MAX, top = INT_MAX, right = INT_MIN, bottom = INT_MIN;
};
Box ink_box(const Canvas& canvas, uint32_t background) {
  Box box;
  for (int y = 0; y < canvas.height; ++y) {
    for (int x = 0; x < canvas.width; ++x) {
      if (canvas.at(x, y) == background) continue;
      box = {std::min(box.left, x), std::min(box.top, y), std::max(box.right, x), y};
    }
  }
  return box;
}

std::vector<uint32_t> rendering(const raster::Font* font, const std::string& text) {
  Canvas canvas(80, 50, kWhite);
  canvas.draw(font, 4, 4, text, kBlack);
  return canvas.pixels();
}

TEST(TextMetrics, ConsistentAtEverySizeAndDefaultsToTwelve) {
  for (FontFamily family : {FontFamily::kSans, FontFamily::kMonospace}) {
    int previous_height = 0;
    for (int em : {12, 25, 30}) {
      const raster::FontMetrics m = font_metrics(find_font(family, em));
      EXPECT_GT(m.ascent, m.descent) << em;
      EXPECT_GT(m.descent, 0) << em;
      EXPECT_EQ(m.height, m.ascent + m.descent) << em;
      EXPECT_EQ(m.internal_leading, m.height - em) << em;
      EXPECT_GE(m.internal_leading, 0) << em;
      EXPECT_GT(m.average_width, 0) << em;
      EXPECT_GT(m.height, previous_height) << em;
      previous_height = m.height;
    }
  }
  EXPECT_EQ(find_font(FontFamily::kSans, 0), find_font(FontFamily::kSans, 12));
  EXPECT_EQ(find_font(FontFamily::kSans, -40), find_font(FontFamily::kSans, 12));
}

TEST(TextWidth, SumsAdvancesOfTheGivenLatin1Bytes) {
  const raster::Font* font = find_font(FontFamily::kSans, 20);
  EXPECT_EQ(width_of(font, ""), 0);
  EXPECT_EQ(raster::text_width(font, "abc", 0), 0);
  EXPECT_GT(width_of(font, "a"), 0);
  EXPECT_EQ(width_of(font, "ab"), width_of(font, "a") + width_of(font, "b"));
  EXPECT_EQ(raster::text_width(font, "abc", 2), width_of(font, "ab"));
  EXPECT_LT(width_of(font, "iii"), width_of(font, "MMM"));
  const raster::Font* mono = find_font(FontFamily::kMonospace, 16);
  EXPECT_EQ(width_of(mono, "iii"), width_of(mono, "MMM"));
  // Bytes above 127 are their own code points, not sign-extended look-alikes.
  EXPECT_NE(rendering(font, "\xE9"), rendering(font, "\xEA"));
  EXPECT_NE(rendering(font, "\xE9"), rendering(font, "e"));
}

// Bytes are read as Windows draws them: Windows-1252, whose 0x80..0x9F are
// marks and letters where Latin-1 has controls.
TEST(TextBytes, AreWindows1252) {
  const struct {
    unsigned char byte;
    char32_t code_point;
  } table[] = {
      {0x41, U'A'},      {0x7F, 0x7F},      {0x80, U'\u20AC'}, {0x81, 0x81},      {0x82, U'\u201A'},
      {0x83, U'\u0192'}, {0x84, U'\u201E'}, {0x85, U'\u2026'}, {0x86, U'\u2020'}, {0x87, U'\u2021'},
      {0x88, U'\u02C6'}, {0x89, U'\u2030'}, {0x8A, U'\u0160'}, {0x8B, U'\u2039'}, {0x8C, U'\u0152'},
      {0x8D, 0x8D},      {0x8E, U'\u017D'}, {0x8F, 0x8F},      {0x90, 0x90},      {0x91, U'\u2018'},
      {0x92, U'\u2019'}, {0x93, U'\u201C'}, {0x94, U'\u201D'}, {0x95, U'\u2022'}, {0x96, U'\u2013'},
      {0x97, U'\u2014'}, {0x98, U'\u02DC'}, {0x99, U'\u2122'}, {0x9A, U'\u0161'}, {0x9B, U'\u203A'},
      {0x9C, U'\u0153'}, {0x9D, 0x9D},      {0x9E, U'\u017E'}, {0x9F, U'\u0178'}, {0xA0, 0xA0},
      {0xE9, U'\u00E9'}, {0xFF, U'\u00FF'},
  };
  // Typed characters the code page lacks have no byte.
  EXPECT_EQ(raster::windows_1252_byte(0x80), -1);
  EXPECT_EQ(raster::windows_1252_byte(0x100), -1);
  EXPECT_EQ(raster::windows_1252_byte(0x20AD), -1);
  const raster::Font* font = find_font(FontFamily::kSans, 16);
  const std::vector<uint32_t> missing = rendering(font, "\x81");
  for (const auto& [byte, code_point] : table) {
    EXPECT_EQ(raster::windows_1252_code_point(byte), code_point) << std::hex << int{byte};
    EXPECT_EQ(raster::windows_1252_byte(code_point), byte) << std::hex << int{byte};
    // Each defined byte of the range draws its own glyph, not the missing one.
    if (byte >= 0x80 && byte <= 0x9F && code_point != byte) {
      EXPECT_NE(rendering(font, std::string(1, static_cast<char>(byte))), missing)
          << std::hex << int{byte};
    }
  }
}

// Glyphs land inside their cells and nothing else changes: no background.
TEST(DrawText, InkStaysInTheCellAndSpacesStayClear) {
  constexpr uint32_t kPaper = 0x00336699u;
  const int x = 20, y = 15;
  for (int em : {12, 25, 30}) {
    const raster::Font* font = find_font(FontFamily::kSans, em);
    const raster::FontMetrics m = font_metrics(font);
    Canvas caps(120, 80, kPaper), tails(120, 80, kPaper);
    caps.draw(font, x, y, "I I", kBlack);
    tails.draw(font, x, y, "gjy|\xC0", kBlack);
    const Box cap = ink_box(caps, kPaper), tail = ink_box(tails, kPaper);
    EXPECT_GE(cap.left, x - 1) << em;
    EXPECT_LE(cap.right, x + width_of(font, "I I")) << em;
    EXPECT_EQ(cap.bottom, y + m.ascent - 1) << em << ": capitals stand on the baseline";
    EXPECT_LT(cap.top, y + m.ascent / 2) << em;
    EXPECT_GE(tail.top, y) << em;
    EXPECT_LE(tail.bottom, y + m.height - 1) << em;
    EXPECT_GE(tail.bottom, y + m.ascent + m.descent / 2) << em << ": descenders go below";
    const int gap = x + width_of(font, "I") + width_of(font, " ") / 2;
    for (int row = 0; row < caps.height; ++row) ASSERT_EQ(caps.at(gap, row), kPaper) << em;
  }
}

TEST(DrawText, GlyphsSitAtTheirMeasuredPositions) {
  const raster::Font* font = find_font(FontFamily::kSans, 18);
  Canvas whole(120, 40, kWhite), pieces(120, 40, kWhite);
  whole.draw(font, 3, 5, "HIxW", kBlack);
  for (int x = 3; const char* piece : {"H", "I", "x", "W"}) {
    pieces.draw(font, x, 5, piece, kBlack);
    x += width_of(font, piece);
  }
  EXPECT_EQ(whole.pixels(), pieces.pixels());
}

TEST(DrawText, BlendsCoverageIntoEachChannelWithRounding) {
  const raster::Font* font = find_font(FontFamily::kSans, 20);
  const std::string text = "ZIVRO car";
  Canvas coverage(150, 40, kBlack), grey(150, 40, kBlack), red(150, 40, kBlack);
  coverage.draw(font, 2, 2, text, kWhite);
  grey.draw(font, 2, 2, text, 0x00808080u);
  red.draw(font, 2, 2, text, 0xFFFF0000u);  // the top byte is not a channel
  const std::vector<uint32_t> alpha = coverage.pixels(), grey_on_black = grey.pixels(),
                              red_on_black = red.pixels();
  int partial = 0;
  for (size_t i = 0; i < alpha.size(); ++i) {
    const uint32_t a = alpha[i] & 0xFF;
    ASSERT_EQ(alpha[i], a * 0x010101u);
    ASSERT_EQ(grey_on_black[i], (0x80 * a + 127) / 255 * 0x010101u) << i;
    ASSERT_EQ(red_on_black[i], a << 16) << i;
    partial += a > 0 && a < 255;
  }
  EXPECT_GT(partial, 0) << "edges are anti-aliased";
  Canvas white(150, 40, kWhite);
  white.draw(font, 2, 2, text, kWhite);
  EXPECT_EQ(white.pixels(), Canvas(150, 40, kWhite).pixels());
}

TEST(TextClipping, ClippedTextIsACropOfTheWholeText) {
  constexpr int kW = 50, kH = 30, kMargin = 80;
  const raster::Font* font = find_font(FontFamily::kSans, 22);
  const std::string text = "Wjg|AQ";
  const int places[][2] = {{-7, 4},
                           {3, -9},
                           {-30, -12},
                           {kW - 12, 2},
                           {5, kH - 10},
                           {kW - 6, kH - 6},
                           {3 - width_of(font, text), 0}};
  for (const auto& [x, y] : places) {
    Canvas clipped(kW, kH, kWhite, 2 * kW * kH), whole(kW + 2 * kMargin, kH + 2 * kMargin, kWhite);
    clipped.draw(font, x, y, text, kBlack);
    whole.draw(font, x + kMargin, y + kMargin, text, kBlack);
    EXPECT_TRUE(clipped.guards_intact()) << x << "," << y;
    for (int row = 0; row < kH; ++row) {
      for (int col = 0; col < kW; ++col) {
        ASSERT_EQ(clipped.at(col, row), whole.at(col + kMargin, row + kMargin)) << x << "," << y;
      }
    }
  }
}

TEST(TextClipping, ExtremeArgumentsWriteNothing) {
  const raster::Font* font = find_font(FontFamily::kSans, 30);
  const std::string text = "MWjgQ|" + std::string(200, 'W');
  const int half_ascent = font_metrics(font).ascent / 2;
  const int places[][2] = {{INT_MIN, 0},
                           {INT_MAX, 0},
                           {0, INT_MIN},
                           {0, INT_MAX},
                           {INT_MIN, INT_MIN},
                           {INT_MAX, INT_MAX},
                           {INT_MAX - 3, 5},
                           {INT_MIN + 1, 5},
                           {5, INT_MAX - half_ascent},
                           {-width_of(font, text) - 40, 5},
                           {40, 40}};
  const Canvas blank(40, 40, kWhite);
  for (const auto& [x, y] : places) {
    Canvas canvas(40, 40, kWhite, 40 * 40);
    canvas.draw(font, x, y, text, kBlack);
    EXPECT_TRUE(canvas.guards_intact()) << x << "," << y;
    EXPECT_EQ(canvas.pixels(), blank.pixels()) << x << "," << y;
  }
  Canvas canvas(40, 40, kWhite, 40 * 40);
  canvas.draw(find_font(FontFamily::kSans, INT_MAX), -100, -200, "W", kBlack);
  raster::draw_text({canvas.store.data() + canvas.margin, 40, 40}, font, 2, 2, nullptr, 0, kBlack);
  raster::draw_text({nullptr, 40, 40}, font, 2, 2, "W", 1, kBlack);
  raster::draw_text({canvas.store.data() + canvas.margin, 0, 40}, font, 2, 2, "W", 1, kBlack);
  EXPECT_TRUE(canvas.guards_intact());
}

// A text drawn again is drawn from its layout, kept from before: it must
// paint what drawing it glyph by glyph paints, over any background, also
// where glyphs overlap, at sizes with and without grey levels, and clipped
// on every side.
TEST(TextLayout, DrawnAgainItPaintsAsTheFirstTime) {
  const auto background = [](Canvas& canvas) {
    for (int y = 0; y < canvas.height; ++y) {
      for (int x = 0; x < canvas.width; ++x) {
        canvas.store[canvas.margin + size_t(y) * canvas.width + x] =
            (static_cast<uint32_t>(x * 37 ^ y * 101) * 0x00010203u) & 0x00FFFFFFu;
      }
    }
  };
  const std::string texts[] = {"ffj Tj AVAW fff // ;j", "Hello, world", "|||jjj___"};
  const int places[][2] = {{3, 4}, {-17, -9}, {60, 30}, {-5, 40}};
  for (FontFamily family : {FontFamily::kSans, FontFamily::kMonospace}) {
    for (int em : {9, 13, 30, 47}) {
      for (const std::string& text : texts) {
        for (const auto& [x, y] : places) {
          raster::reset_font_cache();  // the first time again
          const raster::Font* font = find_font(family, em);
          Canvas first(90, 60, 0, 64), again(90, 60, 0, 64);
          background(first);
          background(again);
          first.draw(font, x, y, text, 0x00C03A7Fu);
          Canvas scratch(90, 60, 0);
          scratch.draw(font, x, y, text, 0x00C03A7Fu);  // now it is laid out
          again.draw(font, x, y, text, 0x00C03A7Fu);
          ASSERT_EQ(again.pixels(), first.pixels()) << text << " " << em << " " << x << "," << y;
          ASSERT_TRUE(again.guards_intact());
        }
      }
    }
  }
  // A cell too large to lay out is drawn glyph by glyph every time.
  raster::reset_font_cache();
  const raster::Font* large = find_font(FontFamily::kSans, 100);
  const std::string wide(150, 'W');
  Canvas first(90, 60, kWhite), again(90, 60, kWhite), scratch(90, 60, kWhite);
  first.draw(large, -20, -10, wide, kBlack);
  scratch.draw(large, -20, -10, wide, kBlack);
  again.draw(large, -20, -10, wide, kBlack);
  EXPECT_EQ(again.pixels(), first.pixels());
  EXPECT_NE(first.pixels(), Canvas(90, 60, kWhite).pixels());
}

// Points fontconfig at a configuration without fonts while alive.
struct NoFonts {
  NoFonts() {
    if (const char* old = std::getenv("FONTCONFIG_FILE")) previous = old;
    // One file per process: ctest runs the tests that use it side by side.
    file = testing::TempDir() + "raster_text_no_fonts." + std::to_string(getpid()) + ".conf";
    std::ofstream(file) << "<?xml version=\"1.0\"?>\n<fontconfig></fontconfig>\n";
    setenv("FONTCONFIG_FILE", file.c_str(), 1);
  }
  ~NoFonts() {
    if (previous.empty()) unsetenv("FONTCONFIG_FILE");
    if (!previous.empty()) setenv("FONTCONFIG_FILE", previous.c_str(), 1);
    raster::reset_font_cache();
    std::remove(file.c_str());
  }
  std::string previous;
  std::string file;
};

TEST(FontCache, OneFontPerFamilyAndSizeAndOneFacePerFamily) {
  raster::reset_font_cache();
  const raster::Font* sans = find_font(FontFamily::kSans, 17);
  EXPECT_EQ(find_font(FontFamily::kSans, 17), sans);
  EXPECT_NE(find_font(FontFamily::kSans, 18), sans);
  EXPECT_NE(find_font(FontFamily::kMonospace, 17), find_font(FontFamily::kMonospace, 18));
  NoFonts no_fonts;  // nothing more can be found: new sizes use the open face
  EXPECT_GT(width_of(find_font(FontFamily::kSans, 23), "A"), 0);
}

TEST(FontCache, WithoutAnyFontTextIsEmptyButSafe) {
  NoFonts no_fonts;
  raster::reset_font_cache();
  for (FontFamily family : {FontFamily::kSans, FontFamily::kMonospace}) {
    const raster::Font* font = find_font(family, 20);
    EXPECT_EQ(font_metrics(font).height, 20);
    EXPECT_EQ(width_of(font, "abc"), 0);
    EXPECT_EQ(rendering(font, "abc"), Canvas(80, 50, kWhite).pixels());
  }
}

}  // namespace

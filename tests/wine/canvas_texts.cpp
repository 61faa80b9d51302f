// The software canvas's half of the differential test of text: draws each
// of the game's texts (game_texts.h) and writes, per text, its measured
// width and line height and then its pixels (0x00RRGGBB), all as
// little-endian 32-bit integers, to the file named by its argument.
// gdi_vs_canvas.exe reads the file under Wine and compares with GDI.
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <vector>

#include "game_texts.h"
#include "platform/raster/text.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s OUTPUT_FILE\n", argv[0]);
    return 2;
  }
  std::FILE* out = std::fopen(argv[1], "wb");
  if (!out) {
    std::perror(argv[1]);
    return 2;
  }
  for (const GameText& t : kGameTexts) {
    const raster::Font* font = raster::find_font(raster::FontFamily::kSans, t.em);
    const size_t length = std::strlen(t.text);
    const int height = text_surface_height(t.em);
    std::vector<uint32_t> pixels(static_cast<size_t>(kTextSurfaceWidth) * height, 0x00FFFFFFu);
    raster::draw_text({pixels.data(), kTextSurfaceWidth, height}, font, kTextLeft, kTextTop, t.text,
                      length, 0x00000000u);
    const uint32_t extent[2] = {static_cast<uint32_t>(raster::text_width(font, t.text, length)),
                                static_cast<uint32_t>(raster::font_metrics(font).height)};
    std::fwrite(extent, sizeof extent[0], 2, out);
    std::fwrite(pixels.data(), sizeof pixels[0], pixels.size(), out);
  }
  return std::fclose(out) == 0 ? 0 : 1;
}

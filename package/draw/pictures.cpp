// ZIVRO_image and ZIVRO_image_size: pictures from PNG files, each read once
// and kept under its file name, so a sprite drawn every tick costs no file
// reads after its first.
#include <zivro.h>

#include <climits>
#include <map>
#include <set>
#include <string>

#include "draw/pictures_testing.h"
#include "package_windows.h"
#include "text/text_log.h"

namespace {

struct PicturesState {
  std::map<std::string, platform::Picture> loaded;
  std::set<std::string> warned;  // names already reported unreadable
};
PicturesState pictures;

// The picture of that name, read on first use; null while it cannot be read
// (it is tried again on the next call, so a file made later still draws).
const platform::Picture* find_picture(const std::string& name) {
  const auto found = pictures.loaded.find(name);
  if (found != pictures.loaded.end()) return &found->second;
  platform::Picture picture;
  if (!platform::load_picture(name.c_str(), &picture)) return nullptr;
  return &pictures.loaded.emplace(name, std::move(picture)).first->second;
}

int clamp_to_int(int64_t value) {
  return static_cast<int>(value < INT_MIN ? INT_MIN : value > INT_MAX ? INT_MAX : value);
}

}  // namespace

void reset_pictures_state() {
  pictures = PicturesState{};
}

extern "C" {

int ZIVRO_image(const char* png_file, int x, int y) {
  if (!package_opened("ZIVRO_image")) return 1;
  const std::string name = png_file ? png_file : "";
  if (logging_flag()) ZIVRO_printf("picture \"%s\" at (%d,%d)\n", name.c_str(), x, y);
  const platform::Picture* picture = name.empty() ? nullptr : find_picture(name);
  if (!picture) {
    if (pictures.warned.insert(name).second) {
      ZIVRO_printf("Cannot read picture \"%s\"; nothing drawn\n", name.c_str());
    }
    return 1;
  }
  // The picture hangs down and to the right of its package point.
  platform::draw_picture(canvas_context(), clamp_to_int(int64_t{origin_x()} + x),
                         clamp_to_int(int64_t{origin_y()} - y), *picture);
  mark_canvas_dirty();
  return 1;
}

int ZIVRO_image_size(const char* png_file, int* width, int* height) {
  if (!package_opened("ZIVRO_image_size")) return 0;
  const platform::Picture* picture = png_file && *png_file ? find_picture(png_file) : nullptr;
  if (!picture) return 0;
  if (width) *width = picture->width;
  if (height) *height = picture->height;
  return 1;
}

}  // extern "C"

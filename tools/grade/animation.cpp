#include "animation.h"

#include <webp/encode.h>
#include <webp/mux.h>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <set>

#include "platform/portable/png_files.h"

namespace grade {
namespace {

constexpr uint32_t kNoFrame = 0x404040u;  // the side of a run that showed no such frame
constexpr int kGap = 4;                   // between the two sides, in the page's white

// The picture shrunk by `factor`, each pixel the mean of its block.
void shrink_into(const portable::Image& image, int factor, std::vector<uint8_t>* rgba,
                 int canvas_width, int left) {
  const int width = image.width / factor, height = image.height / factor;
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      unsigned sum[3] = {0, 0, 0};
      for (int dy = 0; dy < factor; ++dy) {
        for (int dx = 0; dx < factor; ++dx) {
          const uint32_t pixel =
              image.pixels[static_cast<size_t>(y * factor + dy) * image.width + x * factor + dx];
          sum[0] += (pixel >> 16) & 0xFF;
          sum[1] += (pixel >> 8) & 0xFF;
          sum[2] += pixel & 0xFF;
        }
      }
      uint8_t* out = &(*rgba)[(static_cast<size_t>(y) * canvas_width + left + x) * 4];
      for (int c = 0; c < 3; ++c) out[c] = static_cast<uint8_t>(sum[c] / (factor * factor));
      out[3] = 0xFF;
    }
  }
}

void fill(std::vector<uint8_t>* rgba, int canvas_width, int left, int width, int height,
          uint32_t colour) {
  for (int y = 0; y < height; ++y) {
    for (int x = left; x < left + width; ++x) {
      uint8_t* out = &(*rgba)[(static_cast<size_t>(y) * canvas_width + x) * 4];
      out[0] = (colour >> 16) & 0xFF;
      out[1] = (colour >> 8) & 0xFF;
      out[2] = colour & 0xFF;
      out[3] = 0xFF;
    }
  }
}

}  // namespace

std::vector<long> animation_frames(long count) {
  std::vector<long> frames;
  const long kept = std::min<long>(count, static_cast<long>(kAnimationFrames));
  for (long i = 0; i < kept; ++i) {
    frames.push_back(kept == 1 ? 1 : 1 + i * (count - 1) / (kept - 1));
  }
  return frames;
}

std::vector<long> scrubber_frames(long first, long expected, long actual) {
  const long count = std::max(expected, actual);
  const long from = std::max(1L, std::min(first - kScrubberBefore, count - kScrubberFrames + 1));
  std::vector<long> frames;
  for (long frame = from; frame <= count && frame < from + kScrubberFrames; ++frame) {
    frames.push_back(frame);
  }
  return frames;
}

std::vector<long> frames_shown(long first, long expected, long actual) {
  std::set<long> frames{first};
  for (long frame : scrubber_frames(first, expected, actual)) frames.insert(frame);
  for (long frame : animation_frames(std::max(expected, actual))) frames.insert(frame);
  return {frames.begin(), frames.end()};
}

bool write_animation(const std::vector<ShownFrame>& frames, const std::string& path, int frame_ms,
                     AnimationSize* size, std::string* error) {
  // The size of a side: the first picture either run showed.
  std::vector<std::pair<portable::Image, portable::Image>> pictures(frames.size());
  int width = 0, height = 0;
  for (size_t i = 0; i < frames.size(); ++i) {
    for (int side = 0; side < 2; ++side) {
      const std::string& file = side ? frames[i].actual : frames[i].expected;
      portable::Image& image = side ? pictures[i].second : pictures[i].first;
      if (file.empty() || !portable::read_png(file, &image)) image = {};
      if (!width && image.width) width = image.width, height = image.height;
    }
  }
  if (!width) {
    *error = "no frame to animate";
    return false;
  }
  const int factor = std::max(1, (width + kAnimationSideWidth - 1) / kAnimationSideWidth);
  const int side_width = width / factor, side_height = height / factor;
  const int canvas_width = 2 * side_width + kGap;

  WebPAnimEncoderOptions options;
  WebPConfig config;
  if (!WebPAnimEncoderOptionsInit(&options) || !WebPConfigInit(&config)) {
    *error = "libwebp does not match its headers";
    return false;
  }
  options.anim_params.loop_count = 0;
  options.anim_params.bgcolor = 0xFFFFFFFFu;
  // Lossless: the frames are flat colours, which it keeps exactly and small.
  config.lossless = 1;
  config.method = 2;
  config.quality = 50;
  std::unique_ptr<WebPAnimEncoder, void (*)(WebPAnimEncoder*)> encoder(
      WebPAnimEncoderNew(canvas_width, side_height, &options), WebPAnimEncoderDelete);
  WebPPicture picture;
  if (!encoder || !WebPPictureInit(&picture)) {
    *error = "cannot start a WebP animation";
    return false;
  }
  picture.use_argb = 1;
  std::vector<uint8_t> rgba(static_cast<size_t>(canvas_width) * side_height * 4, 0xFF);
  int timestamp = 0;
  bool ok = true;
  for (size_t i = 0; ok && i < frames.size(); ++i) {
    for (int side = 0; side < 2; ++side) {
      const portable::Image& image = side ? pictures[i].second : pictures[i].first;
      const int left = side ? side_width + kGap : 0;
      if (image.width == width && image.height == height) {
        shrink_into(image, factor, &rgba, canvas_width, left);
      } else {
        fill(&rgba, canvas_width, left, side_width, side_height, kNoFrame);
      }
    }
    picture.width = canvas_width;
    picture.height = side_height;
    ok = WebPPictureImportRGBA(&picture, rgba.data(), canvas_width * 4) &&
         WebPAnimEncoderAdd(encoder.get(), &picture, timestamp, &config);
    // The last frame stays up longer, so the end is seen before the loop.
    timestamp += i + 1 == frames.size() ? frame_ms * 5 : frame_ms;
  }
  WebPPictureFree(&picture);
  WebPData data;
  WebPDataInit(&data);
  ok = ok && WebPAnimEncoderAdd(encoder.get(), nullptr, timestamp, nullptr) &&
       WebPAnimEncoderAssemble(encoder.get(), &data);
  if (!ok) {
    *error = std::string("cannot encode the animation: ") + WebPAnimEncoderGetError(encoder.get());
    WebPDataClear(&data);
    return false;
  }
  FILE* file = std::fopen(path.c_str(), "wb");
  const bool written = file && std::fwrite(data.bytes, 1, data.size, file) == data.size;
  if (file && std::fclose(file) != 0) ok = false;
  size->width = canvas_width;
  size->height = side_height;
  size->frames = frames.size();
  size->bytes = data.size;
  WebPDataClear(&data);
  if (!written || !ok) *error = "cannot write " + path;
  return written && ok;
}

}  // namespace grade

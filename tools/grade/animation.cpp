#include "animation.h"

#include <sys/stat.h>
#include <webp/encode.h>
#include <webp/mux.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>
#include <mutex>
#include <set>
#include <unordered_map>

#include "platform/portable/png_files.h"

namespace grade {
namespace {

constexpr uint32_t kNoFrame = 0x404040u;  // the side of a run that showed no such frame
constexpr int kGap = 4;                   // between the two sides, in the page's white

// A picture shrunk by `factor`, each pixel the mean of its block, as the
// canvas's RGBA rows; `width` x `height` is the picture's own size.
struct Shrunk {
  int width = 0, height = 0, factor = 0;
  std::vector<uint8_t> rgba;  // (width / factor) x (height / factor) pixels
};

template <int kFactor>
void shrink_rows(const portable::RgbPicture& picture, int factor, uint8_t* out) {
  const int f = kFactor ? kFactor : factor;
  const unsigned area = static_cast<unsigned>(f * f);
  const int width = picture.width / f, height = picture.height / f;
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x, out += 4) {
      unsigned sum[3] = {0, 0, 0};
      for (int dy = 0; dy < f; ++dy) {
        const uint8_t* in = picture.rows[static_cast<size_t>(y * f + dy)] + x * f * 3;
        for (int dx = 0; dx < f; ++dx, in += 3) {
          sum[0] += in[0];
          sum[1] += in[1];
          sum[2] += in[2];
        }
      }
      for (int c = 0; c < 3; ++c) out[c] = static_cast<uint8_t>(sum[c] / area);
      out[3] = 0xFF;
    }
  }
}

std::shared_ptr<const Shrunk> shrink(const portable::RgbPicture& picture, int factor) {
  auto shrunk = std::make_shared<Shrunk>();
  shrunk->width = picture.width;
  shrunk->height = picture.height;
  shrunk->factor = factor;
  shrunk->rgba.resize(static_cast<size_t>(picture.width / factor) *
                      static_cast<size_t>(picture.height / factor) * 4);
  switch (factor) {
    case 1:
      shrink_rows<1>(picture, factor, shrunk->rgba.data());
      break;
    case 2:
      shrink_rows<2>(picture, factor, shrunk->rgba.data());
      break;
    case 3:
      shrink_rows<3>(picture, factor, shrunk->rgba.data());
      break;
    case 4:
      shrink_rows<4>(picture, factor, shrunk->rgba.data());
      break;
    default:
      shrink_rows<0>(picture, factor, shrunk->rgba.data());
      break;
  }
  return shrunk;
}

// The reference's pictures are the same files for every student: each is
// read and shrunk once, and kept while the cache has room. A file is known
// by its name, size and time of change, so one written anew is read anew.
class ShrunkCache {
 public:
  std::shared_ptr<const Shrunk> find(const std::string& path, const struct stat& status) {
    std::lock_guard<std::mutex> hold(lock_);
    const auto found = entries_.find(path);
    if (found == entries_.end() || !same_file(found->second.status, status)) return nullptr;
    return found->second.shrunk;
  }
  void keep(const std::string& path, const struct stat& status,
            std::shared_ptr<const Shrunk> shrunk) {
    std::lock_guard<std::mutex> hold(lock_);
    const auto found = entries_.find(path);
    if (found != entries_.end()) {
      bytes_ -= found->second.shrunk->rgba.size();
      entries_.erase(found);
    }
    if (bytes_ + shrunk->rgba.size() > kMostBytes) return;
    bytes_ += shrunk->rgba.size();
    entries_.emplace(path, Entry{status, std::move(shrunk)});
  }

 private:
  static constexpr size_t kMostBytes = size_t{128} << 20;
  struct Entry {
    struct stat status;
    std::shared_ptr<const Shrunk> shrunk;
  };
  static bool same_file(const struct stat& a, const struct stat& b) {
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino && a.st_size == b.st_size &&
           a.st_mtim.tv_sec == b.st_mtim.tv_sec && a.st_mtim.tv_nsec == b.st_mtim.tv_nsec;
  }
  std::mutex lock_;
  std::unordered_map<std::string, Entry> entries_;
  size_t bytes_ = 0;
};

ShrunkCache& shrunk_cache() {
  static ShrunkCache cache;
  return cache;
}

int factor_for(int width) {
  return std::max(1, (width + kAnimationSideWidth - 1) / kAnimationSideWidth);
}

// A side's picture shrunk to the animation's size; null when it cannot be
// read. The first picture read sets *width and *height (the factor follows
// from them); a picture of another size is given unshrunk (factor 0).
std::shared_ptr<const Shrunk> side_picture(const std::string& file, bool cached, int* width,
                                           int* height, portable::RgbPicture* decoded) {
  if (file.empty()) return nullptr;
  struct stat status {};
  if (cached && stat(file.c_str(), &status) != 0) cached = false;
  if (cached) {
    std::shared_ptr<const Shrunk> found = shrunk_cache().find(file, status);
    if (found && (!*width || (found->width == *width && found->height == *height))) {
      if (!*width) *width = found->width, *height = found->height;
      return found;
    }
  }
  if (!portable::read_png_rgb(file, decoded)) return nullptr;
  if (!*width) *width = decoded->width, *height = decoded->height;
  if (decoded->width != *width || decoded->height != *height) {
    auto other = std::make_shared<Shrunk>();
    other->width = decoded->width;
    other->height = decoded->height;
    return other;
  }
  std::shared_ptr<const Shrunk> shrunk = shrink(*decoded, factor_for(*width));
  if (cached) shrunk_cache().keep(file, status, shrunk);
  return shrunk;
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
  // The size of a side: the first picture either run showed. The pictures
  // on the expected side are the reference's, and so is an actual one of the
  // same name; those and the grader's kept pictures are never written again,
  // and are kept for the next animation.
  std::set<std::string> reference;
  for (const ShownFrame& frame : frames) {
    if (!frame.expected.empty()) reference.insert(frame.expected);
  }
  std::vector<std::pair<std::shared_ptr<const Shrunk>, std::shared_ptr<const Shrunk>>> pictures(
      frames.size());
  int width = 0, height = 0;
  thread_local portable::RgbPicture decoded;  // one picture's storage, for every read
  for (size_t i = 0; i < frames.size(); ++i) {
    for (int side = 0; side < 2; ++side) {
      const std::string& file = side ? frames[i].actual : frames[i].expected;
      (side ? pictures[i].second : pictures[i].first) =
          side_picture(file, reference.count(file) > 0 || (side && frames[i].actual_kept), &width,
                       &height, &decoded);
    }
  }
  if (!width) {
    *error = "no frame to animate";
    return false;
  }
  const int factor = factor_for(width);
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
      const Shrunk* shrunk = (side ? pictures[i].second : pictures[i].first).get();
      const int left = side ? side_width + kGap : 0;
      if (shrunk && shrunk->factor == factor) {
        const size_t row_bytes = static_cast<size_t>(side_width) * 4;
        for (int y = 0; y < side_height; ++y) {
          std::memcpy(&rgba[(static_cast<size_t>(y) * canvas_width + left) * 4],
                      &shrunk->rgba[static_cast<size_t>(y) * row_bytes], row_bytes);
        }
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

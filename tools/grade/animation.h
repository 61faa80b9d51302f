// An animated WebP of two runs side by side: the expected frames on the
// left, the actual ones on the right, scaled down to a width that opens at once.
#pragma once

#include <string>
#include <vector>

namespace grade {

struct ShownFrame {
  long frame = 0;
  std::string expected, actual;  // PNG files; empty where that run showed no such frame
  bool differs = false;          // both runs showed it, and not alike
  bool actual_kept = false;      // `actual` is one of the grader's kept pictures
};

struct AnimationSize {
  int width = 0, height = 0;
  size_t frames = 0;
  size_t bytes = 0;
};

// At most this many frames go into an animation, sampled evenly.
inline constexpr size_t kAnimationFrames = 60;
// Each side is scaled down by a whole factor to at most this width.
inline constexpr int kAnimationSideWidth = 320;

// The frames to animate of a run of `count` frames: every one up to the
// cap, else that many spread evenly, the first and the last among them.
std::vector<long> animation_frames(long count);

// A page's scrubber steps through up to this many frames, from this many
// before the first differing one.
inline constexpr long kScrubberFrames = 50;
inline constexpr long kScrubberBefore = 10;

// The scrubber's frames when frame `first` differs, of runs that showed
// `expected` and `actual` frames.
std::vector<long> scrubber_frames(long first, long expected, long actual);
// Every frame a page shows of those runs: the first differing one, the
// scrubber's and the animation's.
std::vector<long> frames_shown(long first, long expected, long actual);

// Writes the animation, `frame_ms` per frame; false with *error if no
// picture could be read or the file not written.
bool write_animation(const std::vector<ShownFrame>& frames, const std::string& path, int frame_ms,
                     AnimationSize* size, std::string* error);

}  // namespace grade

#include "verdict.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <sstream>

namespace grade {
namespace {

constexpr const char* kRunnerPrefix = "./program: ";

std::string signal_name(int number) {
  struct Named {
    int number;
    const char* name;
    const char* meaning;
  };
  static const Named names[] = {{SIGSEGV, "SIGSEGV", "segmentation fault"},
                                {SIGABRT, "SIGABRT", "aborted"},
                                {SIGBUS, "SIGBUS", "bus error"},
                                {SIGFPE, "SIGFPE", "arithmetic error"},
                                {SIGILL, "SIGILL", "illegal instruction"},
                                {SIGKILL, "SIGKILL", "killed"},
                                {SIGXFSZ, "SIGXFSZ", "file size limit"},
                                {SIGPIPE, "SIGPIPE", "broken pipe"},
                                {SIGTERM, "SIGTERM", "terminated"}};
  for (const Named& named : names) {
    if (named.number == number) {
      return "signal " + std::to_string(number) + " (" + named.name + ", " + named.meaning + ")";
    }
  }
  return "signal " + std::to_string(number);
}

std::string frames_word(long count) {
  return std::to_string(count) + (count == 1 ? " frame" : " frames");
}

// Where the run had got to: its last frame and the events played before it.
std::string last_seen(const Test& test, const std::vector<DigestLine>& actual) {
  if (actual.empty()) return "before showing any frame";
  const DigestLine& last = actual.back();
  return "its last frame, " + std::to_string(last.frame) + ", shown " +
         describe_after_event(test.events, last.events);
}

// Whether two frames whose digests differ count as different: within the
// tolerance and outside the mask they may not, when their pixels were counted.
bool pair_differs(const Test& test, const PixelCounts& pixels, FramePair pair) {
  if (test.tolerance == 0 && test.ignored.empty()) return true;
  const auto counted = pixels.find(pair);
  return counted == pixels.end() || counted->second > test.tolerance;
}

std::string pixels_word(long count) {
  return std::to_string(count) + (count == 1 ? " pixel" : " pixels");
}

// compare = "ticks": the frames on screen at the chosen ticks.
Verdict judge_ticks(const Test& test, const std::vector<DigestLine>& expected,
                    const std::vector<DigestLine>& actual, const PixelCounts& pixels) {
  Verdict verdict;
  const long chosen = static_cast<long>(test.at.size());
  long differing = 0, missing = 0, first_tick = -1, first_missing = -1;
  FramePair first;
  for (long tick : test.at) {
    const FramePair pair{frame_at_tick(test, expected, tick), frame_at_tick(test, actual, tick)};
    if (pair.expected == 0 || pair.actual == 0) {
      if (!missing++) first_missing = tick;
      continue;
    }
    if (expected[pair.expected - 1].digest == actual[pair.actual - 1].digest ||
        !pair_differs(test, pixels, pair)) {
      continue;
    }
    if (!differing++) {
      first_tick = tick;
      first = pair;
    }
  }
  const std::string ticks = std::to_string(chosen) + (chosen == 1 ? " tick" : " ticks");
  if (differing == 0 && missing == 0) {
    verdict.status = kPassed;
    verdict.detail = "the frames at the " + ticks + " chosen are as expected";
    return verdict;
  }
  const std::string ended = "the run ended before tick " + std::to_string(first_missing);
  if (differing == 0) {
    verdict.status = kEndedEarly;
    verdict.detail = ended + "; the frames at " + std::to_string(chosen - missing) + " of the " +
                     ticks + " chosen are as expected; " + last_seen(test, actual);
    return verdict;
  }
  verdict.status = kFramesDiffer;
  verdict.first_differing = first.actual;
  verdict.expected_frame = first.expected;
  verdict.differing = differing + missing;
  std::ostringstream detail;
  detail << "the frames at " << differing + missing << " of the " << ticks
         << " chosen differ; the first is at tick " << first_tick << ", frame " << first.actual
         << ", shown " << describe_after_event(test.events, actual[first.actual - 1].events);
  if (first.expected != first.actual) {
    detail << ", compared with the reference's frame " << first.expected;
  }
  if (const auto counted = pixels.find(first); counted != pixels.end()) {
    detail << " (" << pixels_word(counted->second) << " differ)";
  }
  if (missing) detail << "; " << ended;
  verdict.detail = detail.str();
  return verdict;
}

// The runner's line when its watchdog stopped the run, with the status it
// exits with: the program's own exit status alone decides nothing.
std::string watchdog_line(const sandbox::Outcome& outcome, const char** status) {
  struct Stop {
    int exit_code;
    const char* line;
    const char* status;
  };
  static const Stop stops[] = {
      {kRunnerNeverWaited, "the program never waited for an event: ", kNeverWaited},
      {kRunnerStoppedWaiting, "the program stopped waiting for events: ", kStoppedWaiting}};
  for (const Stop& stop : stops) {
    if (outcome.exit_code != stop.exit_code) continue;
    for (const std::string& line : runner_messages(outcome.err)) {
      if (line.rfind(stop.line, 0) == 0) {
        *status = stop.status;
        return line;
      }
    }
  }
  return {};
}

}  // namespace

double watchdog_seconds(long cpu_seconds) {
  return std::min(3.0, static_cast<double>(cpu_seconds) / 4);
}

std::vector<DigestLine> read_digests(const std::string& path) {
  std::vector<DigestLine> lines;
  // Never through a link the program may have left in place of the file.
  const int fd = open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
  if (fd < 0) return lines;
  struct stat info {};
  std::FILE* file = fstat(fd, &info) == 0 && S_ISREG(info.st_mode) ? fdopen(fd, "r") : nullptr;
  if (!file) {
    close(fd);
    return lines;
  }
  char buffer[128];
  while (std::fgets(buffer, sizeof buffer, file)) {
    long frame = 0, events = 0;
    char digest[17] = {};
    char end = 0;
    if (std::sscanf(buffer, "%ld %16[0-9a-f] %ld%c", &frame, digest, &events, &end) != 4 ||
        end != '\n' || frame != static_cast<long>(lines.size()) + 1 || std::strlen(digest) != 16) {
      break;
    }
    lines.push_back({frame, digest, events});
  }
  std::fclose(file);
  return lines;
}

bool write_digests(const std::string& path, const std::vector<DigestLine>& lines) {
  std::FILE* file = std::fopen(path.c_str(), "wb");
  if (!file) return false;
  for (const DigestLine& line : lines) {
    std::fprintf(file, "%06ld %s %ld\n", line.frame, line.digest.c_str(), line.events);
  }
  return std::fclose(file) == 0;
}

long frame_at_tick(const Test& test, const std::vector<DigestLine>& digests, long tick) {
  const long event = event_of_tick(test.events, tick);
  if (event < 0 || digests.empty() || digests.back().events < event) return 0;
  long frame = 0;
  for (const DigestLine& line : digests) {
    if (line.events > event) break;
    frame = line.frame;
  }
  return frame;
}

std::vector<FramePair> frames_with_other_digests(const Test& test,
                                                 const std::vector<DigestLine>& expected,
                                                 const std::vector<DigestLine>& actual) {
  std::vector<FramePair> frames;
  if (test.compare == Compare::kLastFrame) {
    if (!expected.empty() && !actual.empty() && expected.back().digest != actual.back().digest &&
        expected.size() == actual.size()) {
      const long last = static_cast<long>(actual.size());
      frames.push_back({last, last});
    }
    return frames;
  }
  if (test.compare == Compare::kTicks) {
    for (long tick : test.at) {
      const FramePair pair{frame_at_tick(test, expected, tick), frame_at_tick(test, actual, tick)};
      if (pair.expected == 0 || pair.actual == 0 ||
          expected[pair.expected - 1].digest == actual[pair.actual - 1].digest ||
          std::find(frames.begin(), frames.end(), pair) != frames.end()) {
        continue;
      }
      frames.push_back(pair);
    }
    return frames;
  }
  const size_t common = std::min(expected.size(), actual.size());
  for (size_t i = 0; i < common; ++i) {
    const long frame = static_cast<long>(i) + 1;
    if (expected[i].digest != actual[i].digest) frames.push_back({frame, frame});
  }
  return frames;
}

Verdict judge(const Test& test, const std::vector<DigestLine>& expected,
              const sandbox::Outcome& outcome, const std::vector<DigestLine>& actual,
              const PixelCounts& pixels) {
  Verdict verdict;
  const sandbox::Limits& limits = test.limits;
  if (outcome.output_cut) {
    verdict.status = kOutputLimit;
    verdict.detail = "the program printed more than " + std::to_string(limits.output_bytes) +
                     " bytes, so the run was stopped there and its output cut; " +
                     last_seen(test, actual);
    return verdict;
  }
  if (const char* status = nullptr; !outcome.timed_out && outcome.signal == 0) {
    if (const std::string line = watchdog_line(outcome, &status); !line.empty()) {
      verdict.status = status;
      verdict.detail = line + "; " + last_seen(test, actual);
      return verdict;
    }
  }
  if (outcome.timed_out) {
    verdict.status = kTimedOut;
    verdict.detail = "the run did not end within " + std::to_string(limits.cpu_seconds) +
                     " s of CPU time (" + std::to_string(2 * limits.cpu_seconds + 1) +
                     " s of wall-clock time) and was stopped; " + last_seen(test, actual);
    return verdict;
  }
  if (outcome.signal != 0) {
    verdict.status = kCrashed;
    verdict.detail = signal_name(outcome.signal) + ", " + last_seen(test, actual);
    if (outcome.signal == SIGSEGV || outcome.signal == SIGABRT || outcome.signal == SIGBUS) {
      verdict.detail +=
          "; a run has at most " + std::to_string(limits.memory_mb) + " MB of address space";
    }
    if (outcome.signal == SIGXFSZ) {
      verdict.detail +=
          "; a run may write files of at most " + std::to_string(limits.file_mb) + " MB";
    }
    return verdict;
  }
  if (actual.empty()) {
    verdict.status = kNoFrame;
    verdict.detail = "the program showed no frame (it ended with exit status " +
                     std::to_string(outcome.exit_code) + "); " +
                     frames_word(static_cast<long>(expected.size())) + " expected";
    return verdict;
  }
  if (test.compare == Compare::kTicks) return judge_ticks(test, expected, actual, pixels);
  const long expected_count = static_cast<long>(expected.size());
  const long actual_count = static_cast<long>(actual.size());
  long first = 0;
  long differing = 0;
  for (const FramePair pair : frames_with_other_digests(test, expected, actual)) {
    if (!pair_differs(test, pixels, pair)) continue;
    ++differing;
    if (!first) first = pair.actual;
  }
  if (test.compare == Compare::kLastFrame) {
    const bool last_equal = actual_count == expected_count && differing == 0;
    if (last_equal) {
      verdict.status = kPassed;
      verdict.detail = "the last frame, " + std::to_string(actual_count) + ", is as expected";
    } else if (actual_count < expected_count) {
      verdict.status = kEndedEarly;
      verdict.detail = "the run showed " + frames_word(actual_count) + " of " +
                       std::to_string(expected_count) + "; " + last_seen(test, actual);
    } else {
      verdict.status = kFramesDiffer;
      verdict.first_differing = actual_count;
      verdict.expected_frame = actual_count;
      verdict.differing = 1;
      verdict.detail = "the last frame differs";
      if (actual_count != expected_count) {
        verdict.detail += ": the run showed " + frames_word(actual_count) + ", " +
                          std::to_string(expected_count) + " expected";
      }
    }
    return verdict;
  }
  if (actual_count > expected_count) {
    differing += actual_count - expected_count;
    if (!first) first = expected_count + 1;
  }
  if (differing == 0 && actual_count == expected_count) {
    verdict.status = kPassed;
    verdict.detail = "every one of the " + frames_word(expected_count) + " is as expected";
    return verdict;
  }
  if (differing == 0) {
    verdict.status = kEndedEarly;
    verdict.detail = "the run showed " + std::to_string(actual_count) + " of " +
                     frames_word(expected_count) + ", each as expected, then ended; " +
                     last_seen(test, actual);
    return verdict;
  }
  if (actual_count < expected_count) differing += expected_count - actual_count;
  verdict.status = kFramesDiffer;
  verdict.first_differing = first;
  verdict.expected_frame = first;
  verdict.differing = differing;
  std::ostringstream detail;
  detail << differing << " of " << std::max(expected_count, actual_count)
         << " frames differ; the first is frame " << first;
  if (first <= actual_count) {
    detail << ", shown " << describe_after_event(test.events, actual[first - 1].events);
  } else {
    detail << ", expected " << describe_after_event(test.events, expected[first - 1].events)
           << " and not shown";
  }
  if (const auto counted = pixels.find({first, first}); counted != pixels.end()) {
    detail << " (" << pixels_word(counted->second) << " differ)";
  }
  if (actual_count != expected_count) {
    detail << "; the run showed " << actual_count << ", " << expected_count << " expected";
  }
  verdict.detail = detail.str();
  return verdict;
}

double frame_share(const Test& test, const std::vector<DigestLine>& expected,
                   const std::vector<DigestLine>& actual, const PixelCounts& pixels) {
  auto equal = [&](FramePair pair) {
    return expected[pair.expected - 1].digest == actual[pair.actual - 1].digest ||
           !pair_differs(test, pixels, pair);
  };
  if (test.compare == Compare::kTicks) {
    size_t matching = 0;
    for (long tick : test.at) {
      const FramePair pair{frame_at_tick(test, expected, tick), frame_at_tick(test, actual, tick)};
      matching += pair.expected && pair.actual && equal(pair);
    }
    return test.at.empty() ? 0
                           : static_cast<double>(matching) / static_cast<double>(test.at.size());
  }
  const size_t all = std::max(expected.size(), actual.size());
  if (all == 0) return 0;
  const size_t common = std::min(expected.size(), actual.size());
  size_t matching = 0;
  for (size_t i = 0; i < common; ++i) {
    const long frame = static_cast<long>(i) + 1;
    matching += equal({frame, frame});
  }
  return static_cast<double>(matching) / static_cast<double>(all);
}

std::vector<std::string> runner_messages(const std::string& standard_error) {
  std::vector<std::string> messages;
  std::istringstream lines(standard_error);
  for (std::string line; std::getline(lines, line);) {
    if (line.rfind(kRunnerPrefix, 0) == 0)
      messages.push_back(line.substr(std::strlen(kRunnerPrefix)));
  }
  return messages;
}

}  // namespace grade

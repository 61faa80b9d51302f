// A fresh package on a fresh headless layer for every test, opened as an
// application opens it.
#pragma once

#include <gtest/gtest.h>
#include <zivro.h>

#include <filesystem>
#include <string>
#include <vector>

#include "events.h"
#include "package_reset.h"
#include "package_windows.h"
#include "platform/headless/headless.h"
#include "script.h"
#include "text/text_log.h"

struct WaitResult {
  int kind;
  int x;
  int y;
  char key;
  bool operator==(const WaitResult&) const = default;
};

inline std::ostream& operator<<(std::ostream& out, const WaitResult& r) {
  return out << "{kind " << r.kind << ", x " << r.x << ", y " << r.y << ", key " << int{r.key}
             << "}";
}

inline WaitResult wait_event() {
  WaitResult result{};
  result.kind = ZIVRO_wait_event(&result.x, &result.y, &result.key);
  return result;
}

// The graphics window's client centre: package (0, 0) in client pixels.
constexpr int kOriginX = 297;
constexpr int kOriginY = 250;

// Each test runs in its own scratch directory, where ZIVRO.SCR lands.
class PackageTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    directory_ = std::filesystem::temp_directory_path() /
                 ("zivro-" + std::string(info->test_suite_name()) + "-" + info->name());
    std::filesystem::remove_all(directory_);
    std::filesystem::create_directories(directory_);
    previous_ = std::filesystem::current_path();
    std::filesystem::current_path(directory_);
    reset_package();
  }
  void TearDown() override {
    reset_package();
    std::filesystem::current_path(previous_);
    std::filesystem::remove_all(directory_);
  }
  void open() {
    static char command_line[] = "";
    ZIVRO_open(nullptr, nullptr, command_line, SW_SHOWNORMAL);
  }
  // What the text window was given since the last look.
  std::vector<std::string> printed() {
    const auto& all = headless::printed_lines();
    std::vector<std::string> lines(all.begin() + static_cast<ptrdiff_t>(printed_seen_), all.end());
    printed_seen_ = all.size();
    return lines;
  }
  std::filesystem::path directory_;
  std::filesystem::path previous_;
  size_t printed_seen_ = 0;
};

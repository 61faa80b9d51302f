// The car game's whole run on the headless layer, observed through what it
// records and prints.
#include <fstream>
#include <iterator>

#include "cargame.h"
#include "package_fixture.h"

namespace {

class CarGameRun : public PackageTest {
 protected:
  int run() {
    static char command_line[] = "";
    return run_cargame(nullptr, nullptr, command_line, SW_SHOWNORMAL);
  }
  std::string script() {
    std::ifstream in(kScriptFileName, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
  }
};

TEST_F(CarGameRun, TicksGiveExactlyThatManyPeriodicEvents) {
  for (int ticks : {0, 1, 7, 250}) {
    reset_package();
    headless::set_clock_limit_ms(static_cast<uint64_t>(ticks) * 100);
    headless::post_at_start(headless::menu_command(kCommandRecord));
    EXPECT_EQ(run(), 0);
    EXPECT_EQ(script(),
              ticks ? "ZIVRO_PERIODIC(" + std::to_string(ticks) + ");\r\n" : std::string())
        << ticks;
  }
}

TEST_F(CarGameRun, StartsWithLoggingOffAndTheCanvasCleared) {
  headless::post_at_start(headless::menu_command(kCommandLogging));
  EXPECT_EQ(run(), 0);
  // Logging was switched off at start-up, so the command switched it on.
  EXPECT_TRUE(logging_flag());
  // Only the frame after the command is logged: its 54 calls, sky first.
  const auto& lines = headless::printed_lines();
  ASSERT_EQ(lines.size(), 54u);
  EXPECT_EQ(lines.front(),
            "ice blue rectangle with bounding box (-300,250) to (300,-250), filled\n");
}

TEST_F(CarGameRun, PlaybackOfClicksAndTicksEndsCleanly) {
  std::ofstream(kScriptFileName, std::ios::binary)
      << "ZIVRO_MOUSE(-250, 170);\r\nZIVRO_PERIODIC(40);\r\nZIVRO_KBD(120);\r\n";
  headless::post_at_start(headless::menu_command(kCommandPlayback));
  EXPECT_EQ(run(), 0);
  EXPECT_EQ(headless::printed_lines(),
            std::vector<std::string>{"EOF encountered in script file ZIVRO.SCR\n"});
  EXPECT_EQ(headless::now_ms(), 0u) << "a script plays without waiting for the timer";
}

}  // namespace

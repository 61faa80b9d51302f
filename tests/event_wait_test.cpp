// The event wait driven through the real pump with posted input: when ticks
// are delivered, what replaces them, run control, quitting, and that blocking
// in the layer changes no event.
#include <fstream>
#include <tuple>

#include "package_fixture.h"

namespace {

using headless::post_input;

class EventWait : public PackageTest {};

TEST_F(EventWait, AnimationDeliversOneTickPerTimerMessageAfterArming) {
  open();
  headless::set_clock_limit_ms(1000);
  ZIVRO_run_control(ZIVRO_RUN_ANIMATE);
  EXPECT_EQ(wait_event(), (WaitResult{ZIVRO_PERIODIC, 0, 0, 0}));
  EXPECT_EQ(headless::now_ms(), 100u);
  EXPECT_EQ(wait_event().kind, ZIVRO_PERIODIC);
  EXPECT_EQ(headless::now_ms(), 200u);
}

TEST_F(EventWait, TimerMessageTakenInTheArmingStepDoesNotCount) {
  open();
  headless::set_clock_limit_ms(1000);
  // A character at 100 ms is taken ahead of the timer message due then, so
  // the timer message is the first one the next wait takes: its arming step.
  post_input(headless::typed('x'), 100);
  EXPECT_EQ(wait_event(), (WaitResult{ZIVRO_KBD, 0, 0, 'x'}));
  EXPECT_EQ(headless::now_ms(), 100u);
  ZIVRO_run_control(ZIVRO_RUN_ANIMATE);
  EXPECT_EQ(wait_event().kind, ZIVRO_PERIODIC);
  EXPECT_EQ(headless::now_ms(), 200u);
}

TEST_F(EventWait, ClickReplacesAnArmedTickForGood) {
  open();
  headless::set_clock_limit_ms(300);
  ZIVRO_run_control(ZIVRO_RUN_ANIMATE);
  post_input(headless::click(kOriginX + 10, kOriginY + 20), 50);
  EXPECT_EQ(wait_event(), (WaitResult{ZIVRO_MOUSE, 10, -20, 0}));
  EXPECT_EQ(headless::now_ms(), 50u);
  // The next wait arms a new tick; the replaced one never comes.
  EXPECT_EQ(wait_event().kind, ZIVRO_PERIODIC);
  EXPECT_EQ(headless::now_ms(), 100u);
  EXPECT_EQ(wait_event().kind, ZIVRO_PERIODIC);
  EXPECT_EQ(wait_event().kind, ZIVRO_PERIODIC);
  EXPECT_EQ(wait_event().kind, ZIVRO_QUIT);
}

TEST_F(EventWait, ClickPositionsAreRelativeToTheClientCentre) {
  open();
  post_input(headless::click(kOriginX, kOriginY));
  post_input(headless::click(0, 0));
  EXPECT_EQ(wait_event(), (WaitResult{ZIVRO_MOUSE, 0, 0, 0}));
  EXPECT_EQ(wait_event(), (WaitResult{ZIVRO_MOUSE, -kOriginX, kOriginY, 0}));
}

TEST_F(EventWait, SingleStepGivesExactlyOneTick) {
  open();
  headless::set_clock_limit_ms(1000);
  ZIVRO_run_control(ZIVRO_RUN_STEP);
  EXPECT_EQ(wait_event().kind, ZIVRO_PERIODIC);
  post_input(headless::typed('k'), 450);
  // Halted again: timer messages at 200..400 end no wait.
  EXPECT_EQ(wait_event(), (WaitResult{ZIVRO_KBD, 0, 0, 'k'}));
  EXPECT_EQ(headless::now_ms(), 450u);
}

TEST_F(EventWait, AdvanceCommandAndAcceleratorStepOnceEach) {
  open();
  headless::set_clock_limit_ms(1000);
  post_input(headless::menu_command(kCommandAdvanceFrame));
  EXPECT_EQ(wait_event().kind, ZIVRO_PERIODIC);
  post_input(headless::key_down(VK_CONTROL));
  post_input(headless::key_down('F'));
  post_input(headless::key_up('F'));
  post_input(headless::key_up(VK_CONTROL));
  EXPECT_EQ(wait_event().kind, ZIVRO_PERIODIC);
  EXPECT_FALSE(run_state().single_step);
  EXPECT_FALSE(run_state().animate);
}

TEST_F(EventWait, HaltCommandKeepsAPendingSingleStep) {
  open();
  headless::set_clock_limit_ms(1000);
  ZIVRO_run_control(ZIVRO_RUN_ANIMATE);
  ZIVRO_run_control(ZIVRO_RUN_STEP);
  post_input(headless::menu_command(kCommandHalt));
  EXPECT_EQ(wait_event().kind, ZIVRO_PERIODIC);
  EXPECT_FALSE(run_state().animate);
  post_input(headless::typed('z'), 700);
  EXPECT_EQ(wait_event().kind, ZIVRO_KBD);
}

TEST_F(EventWait, HaltByRunControlClearsBothFlags) {
  open();
  headless::set_clock_limit_ms(1000);
  ZIVRO_run_control(ZIVRO_RUN_ANIMATE);
  ZIVRO_run_control(ZIVRO_RUN_STEP);
  ZIVRO_run_control(ZIVRO_RUN_HALT);
  post_input(headless::typed('z'), 500);
  EXPECT_EQ(wait_event().kind, ZIVRO_KBD);
  EXPECT_EQ(headless::now_ms(), 500u);
}

TEST_F(EventWait, RunControlValues) {
  EXPECT_EQ(ZIVRO_run_control(ZIVRO_RUN_ANIMATE), 0) << "before opening";
  EXPECT_FALSE(run_state().animate);
  open();
  for (int what : {3, 4, 6, -1, 1000}) {
    EXPECT_EQ(ZIVRO_run_control(what), 1);
  }
  EXPECT_FALSE(run_state().animate);
  EXPECT_FALSE(run_state().single_step);
  EXPECT_FALSE(run_state().quit_requested);
}

TEST_F(EventWait, QuitRequestedWhileAnimatingEndsAtTheNextTick) {
  open();
  headless::set_clock_limit_ms(1000);
  ZIVRO_run_control(ZIVRO_RUN_ANIMATE);
  ZIVRO_run_control(ZIVRO_RUN_QUIT);
  EXPECT_EQ(wait_event(), (WaitResult{ZIVRO_QUIT, 0, 0, 0}));
  EXPECT_EQ(headless::now_ms(), 100u);
  EXPECT_EQ(wait_event().kind, ZIVRO_QUIT);
}

TEST_F(EventWait, QuitRequestedWhileHaltedCarriesTheClick) {
  open();
  headless::set_clock_limit_ms(1000);
  ZIVRO_run_control(ZIVRO_RUN_QUIT);
  post_input(headless::click(kOriginX + 3, kOriginY - 4), 250);
  EXPECT_EQ(wait_event(), (WaitResult{ZIVRO_QUIT, 3, 4, 0}));
  EXPECT_EQ(headless::now_ms(), 250u);
}

TEST_F(EventWait, ClosingTheGraphicsWindowQuitsAndStopsTheTimer) {
  open();
  headless::set_clock_limit_ms(10'000);
  ZIVRO_run_control(ZIVRO_RUN_ANIMATE);
  post_input(headless::close_window(), 150);
  EXPECT_EQ(wait_event().kind, ZIVRO_PERIODIC);
  EXPECT_EQ(wait_event().kind, ZIVRO_QUIT);
  EXPECT_EQ(headless::now_ms(), 150u);
  // No timer message follows: the next wait ends only because the layer has
  // nothing left, not at 200 ms with a tick.
  EXPECT_EQ(wait_event().kind, ZIVRO_QUIT);
}

TEST_F(EventWait, QuitCommandAndCtrlQ) {
  open();
  post_input(headless::menu_command(kCommandQuit));
  EXPECT_EQ(wait_event().kind, ZIVRO_QUIT);
  post_input(headless::key_down(VK_CONTROL));
  post_input(headless::key_down('Q'));
  EXPECT_EQ(wait_event().kind, ZIVRO_QUIT);
  EXPECT_FALSE(run_state().quit_requested) << "a quit message is not run control 5";
}

TEST_F(EventWait, RunEndsLikeClosingWhenNoInputOrTimeIsLeft) {
  open();
  ZIVRO_run_control(ZIVRO_RUN_ANIMATE);
  EXPECT_EQ(wait_event().kind, ZIVRO_QUIT);
  EXPECT_EQ(headless::now_ms(), 0u);
}

TEST_F(EventWait, FirstPumpStepPresentsTheCanvas) {
  open();
  platform::Window graphics = headless::find_window("ZIVRO Graphics");
  ASSERT_NE(graphics, nullptr);
  EXPECT_EQ(headless::present_count(graphics), 0);
  post_input(headless::typed('a'));
  wait_event();
  EXPECT_GE(headless::present_count(graphics), 1);
  EXPECT_FALSE(canvas_dirty());
}

TEST_F(EventWait, InputReachesTheGraphicsWindowAfterTheTextWindowIsShown) {
  std::ofstream(kScriptFileName, std::ios::binary) << "ZIVRO_KBD(65);\r\n";
  headless::post_at_start(headless::menu_command(kCommandPlayback));
  open();
  ZIVRO_logging(1);  // shows the text window last, making it the active one
  EXPECT_EQ(wait_event(), (WaitResult{ZIVRO_KBD, 0, 0, 'A'}));
  post_input(headless::typed('b'));
  EXPECT_EQ(wait_event(), (WaitResult{ZIVRO_KBD, 0, 0, 'b'}));
  post_input(headless::click(kOriginX + 1, kOriginY));
  EXPECT_EQ(wait_event(), (WaitResult{ZIVRO_MOUSE, 1, 0, 0}));
}

TEST_F(EventWait, CallsBeforeOpeningDoNothingAndOnlyTheFirstWarns) {
  ::testing::internal::CaptureStderr();
  EXPECT_EQ(wait_event(), (WaitResult{ZIVRO_QUIT, 0, 0, 0}));
  EventRecord record{1, 2, 3};
  EXPECT_EQ(ZIVRO_wait_event_rec(&record), ZIVRO_QUIT);
  EXPECT_EQ(record.x + record.y + record.key, 0);
  EXPECT_EQ(ZIVRO_circle(99, 0, 0, -5), 1);
  EXPECT_EQ(ZIVRO_textf(ZIVRO_RED, 0, 0, 10, "%d", 1234), 4);
  EXPECT_EQ(ZIVRO_clear(), 1);
  EXPECT_EQ(ZIVRO_run_control(ZIVRO_RUN_ANIMATE), 0);
  EXPECT_EQ(ZIVRO_logging(1), 0);
  char answer[8] = "keep";
  EXPECT_EQ(ZIVRO_gets("never shown", answer), 0);
  EXPECT_STREQ(answer, "keep");
  EXPECT_EQ(::testing::internal::GetCapturedStderr(),
            "ZIVRO: ZIVRO_wait_event called before ZIVRO_open; call ZIVRO_open first\n");
  EXPECT_TRUE(headless::printed_lines().empty()) << "neither logged nor repaired";
  EXPECT_FALSE(run_state().animate);
  open();
  ZIVRO_circle(ZIVRO_RED, 0, 0, 5);
  EXPECT_EQ(headless::printed_lines().size(), 1u) << "once open, calls log again";
}

// The same input, waited for by spinning and by blocking, must give the same
// events with the same fields at the same virtual times.
std::vector<std::tuple<WaitResult, uint64_t>> run_mixed_session(bool blocking) {
  reset_package();
  headless::set_blocking_wait(blocking);
  headless::set_clock_limit_ms(2000);
  static char command_line[] = "";
  ZIVRO_open(nullptr, nullptr, command_line, SW_SHOWNORMAL);
  ZIVRO_run_control(ZIVRO_RUN_ANIMATE);
  post_input(headless::click(300, 260), 130);
  post_input(headless::typed('q'), 130);
  post_input(headless::menu_command(kCommandHalt), 420);
  post_input(headless::click(10, 10), 777);
  post_input(headless::menu_command(kCommandAdvanceFrame), 800);
  post_input(headless::key_down(VK_CONTROL), 1200);
  post_input(headless::key_down('A'), 1201);
  post_input(headless::key_up(VK_CONTROL), 1202);
  post_input(headless::key_down('B'), 1503);
  post_input(headless::key_up('B'), 1504);
  std::vector<std::tuple<WaitResult, uint64_t>> events;
  for (;;) {
    WaitResult result = wait_event();
    events.emplace_back(result, headless::now_ms());
    if (result.kind == ZIVRO_QUIT) break;
  }
  return events;
}

TEST_F(EventWait, BlockingAndSpinningGiveTheSameEvents) {
  const auto spinning = run_mixed_session(false);
  const long spinning_polls = headless::empty_polls();
  const auto blocking = run_mixed_session(true);
  const long blocking_polls = headless::empty_polls();
  EXPECT_EQ(spinning, blocking);
  EXPECT_GT(spinning.size(), 15u);
  // Spinning polls about once per virtual millisecond; blocking once per wake.
  EXPECT_GT(spinning_polls, 1500);
  EXPECT_LT(blocking_polls, 200);
}

}  // namespace

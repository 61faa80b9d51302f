// The portable message queue and key translation, without the package.
#include "platform/portable/message_queue.h"

#include <gtest/gtest.h>

#include "platform/portable/window_registry.h"

namespace {

class MessageQueue : public ::testing::Test {
 protected:
  void SetUp() override { portable::reset_portable_state(); }
  void TearDown() override { portable::reset_portable_state(); }
  platform::Window window = reinterpret_cast<platform::Window>(0x10);
  std::vector<unsigned> take_all(uint64_t now) {
    std::vector<unsigned> taken;
    platform::Message message;
    while (portable::queue_take(&message, now)) taken.push_back(message.number);
    return taken;
  }
};

TEST_F(MessageQueue, PostedFirstThenQuitThenPaintThenTimer) {
  portable::queue_start_timer(window, 2, 100, 0);
  portable::queue_invalidate(window);
  portable::queue_post_quit(0);
  portable::queue_post({window, WM_CHAR, 'a', 0});
  portable::queue_post({window, WM_KEYUP, 'A', 0});
  platform::Message message;
  ASSERT_TRUE(portable::queue_take(&message, 150));
  EXPECT_EQ(message.number, unsigned{WM_CHAR});
  ASSERT_TRUE(portable::queue_take(&message, 150));
  EXPECT_EQ(message.number, unsigned{WM_KEYUP});
  ASSERT_TRUE(portable::queue_take(&message, 150));
  EXPECT_EQ(message.number, unsigned{WM_QUIT});
  EXPECT_EQ(message.window, nullptr);
  // The paint request stays until the window validates itself.
  ASSERT_TRUE(portable::queue_take(&message, 150));
  EXPECT_EQ(message.number, unsigned{WM_PAINT});
  portable::queue_validate(window);
  ASSERT_TRUE(portable::queue_take(&message, 150));
  EXPECT_EQ(message.number, unsigned{WM_TIMER});
  EXPECT_EQ(message.wparam, 2u);
  EXPECT_FALSE(portable::queue_take(&message, 150));
}

TEST_F(MessageQueue, OneTimerMessageHoweverLateAndNoBacklog) {
  portable::queue_start_timer(window, 2, 100, 0);
  EXPECT_TRUE(take_all(99).empty());
  EXPECT_EQ(take_all(1050), std::vector<unsigned>{WM_TIMER});
  EXPECT_EQ(portable::queue_next_timer_due(), 1100u);
  portable::queue_stop_timer(window, 2);
  EXPECT_TRUE(take_all(5000).empty());
  EXPECT_FALSE(portable::queue_next_timer_due());
}

TEST_F(MessageQueue, ForgottenWindowLosesItsMessagesAndTimers) {
  platform::Window other = reinterpret_cast<platform::Window>(0x20);
  portable::queue_start_timer(window, 2, 100, 0);
  portable::queue_post({window, WM_CHAR, 'a', 0});
  portable::queue_post({other, WM_CHAR, 'b', 0});
  portable::queue_forget_window(window);
  platform::Message message;
  ASSERT_TRUE(portable::queue_take(&message, 500));
  EXPECT_EQ(message.window, other);
  EXPECT_FALSE(portable::queue_take(&message, 500));
}

TEST_F(MessageQueue, TranslateMakesCharactersForPrintableKeysOnly) {
  auto translated = [&](std::vector<std::pair<unsigned, unsigned>> keys) {
    for (auto [number, key] : keys) platform::translate_message({window, number, key, 0});
    std::vector<uintptr_t> characters;
    platform::Message message;
    while (portable::queue_take(&message, 0)) characters.push_back(message.wparam);
    return characters;
  };
  EXPECT_EQ(translated({{WM_KEYDOWN, 'A'}, {WM_KEYDOWN, '7'}, {WM_KEYDOWN, VK_SPACE}}),
            (std::vector<uintptr_t>{' ', '7', 'a'}))
      << "each character goes ahead of what is queued";
  EXPECT_EQ(
      translated(
          {{WM_KEYDOWN, VK_SHIFT}, {WM_KEYDOWN, 'A'}, {WM_KEYUP, VK_SHIFT}, {WM_KEYDOWN, 'B'}}),
      (std::vector<uintptr_t>{'b', 'A'}));
  EXPECT_EQ(translated({{WM_KEYDOWN, VK_CONTROL},
                        {WM_KEYDOWN, 'C'},
                        {WM_KEYDOWN, 0x70},
                        {WM_KEYUP, VK_CONTROL}}),
            (std::vector<uintptr_t>{3}));
  EXPECT_TRUE(translated({{WM_KEYDOWN, 0x70}, {WM_KEYDOWN, VK_SHIFT}, {WM_KEYUP, 'A'}}).empty());
}

}  // namespace

// The car game as the runner plays it, with the user pressing Ctrl+L once at
// the start: logging comes on a few events into the run, so the runner's
// --log file holds every later frame's drawing calls, one sentence each.
// The scene's golden logs in tests/golden are made and checked with it.
#include "cargame.h"
#include "platform/headless/headless.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR command_line, int show_mode) {
  for (const headless::Input& input : {headless::key_down(VK_CONTROL), headless::key_down('L'),
                                       headless::key_up('L'), headless::key_up(VK_CONTROL)}) {
    headless::post_at_start(input);
  }
  return run_cargame(instance, previous, command_line, show_mode);
}

/* A program for the runner's end-to-end test: what it does is chosen by the
 * environment variable PROBE, so one program shows each way a run can go.
 *   keys        logging on (the text window shown) before the first wait;
 *               prints "key N" for each character, until the run ends
 *   abort       prints a few lines, then aborts
 *   exit        draws a frame, then calls exit(0)
 *   status      draws a frame, waits for the end, returns 1
 *   no-frame    opens the package and returns before any wait
 *   early       waits and draws before ZIVRO_open, then runs normally
 *   args        prints "command line [LINE]", the line WinMain was given
 *   many        PROBE_CALLS logged drawing calls, then prints its peak RSS
 *               on standard output (for bench/runner_memory.sh)
 *   busy        draws a frame, then computes for ever before any wait
 *   busy-click  waits as usual until its first click, then computes for ever
 *   slow        computes for 0.15 s of CPU time after each event it waits for */
#define _POSIX_C_SOURCE 200809L
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/resource.h>
#include <time.h>
#include <zivro.h>

static void compute_for_ever(void) {
  volatile unsigned long spin = 1;
  while (spin) ++spin;
}

static void compute_for(double seconds) {
  const clock_t end = clock() + (clock_t)(seconds * CLOCKS_PER_SEC);
  while (clock() < end) {
  }
}

static int until_quit(int busy_at_click, int slow) {
  int x, y;
  char key;
  int kind;
  while ((kind = ZIVRO_wait_event(&x, &y, &key)) != ZIVRO_QUIT) {
    if (kind == ZIVRO_KBD) ZIVRO_printf("key %d\n", key);
    if (kind == ZIVRO_MOUSE && busy_at_click) compute_for_ever();
    if (slow) compute_for(0.15);
  }
  ZIVRO_close();
  return 0;
}

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR command_line, int show_mode) {
  const char* probe = getenv("PROBE");
  if (!probe) probe = "";
  if (strcmp(probe, "early") == 0) {
    int x, y;
    char key;
    if (ZIVRO_wait_event(&x, &y, &key) != ZIVRO_QUIT) return 5;
    ZIVRO_circle(ZIVRO_RED, 0, 0, 10);
  }
  ZIVRO_open(instance, previous, command_line, show_mode);
  if (strcmp(probe, "no-frame") == 0) return 0;
  if (strcmp(probe, "args") == 0) ZIVRO_printf("command line [%s]\n", command_line);
  if (strcmp(probe, "keys") == 0) ZIVRO_logging(1);
  if (strcmp(probe, "abort") == 0) {
    static char long_line[2001];
    memset(long_line, 'x', 2000);
    ZIVRO_printf("first\n");
    ZIVRO_printf("no newline");
    ZIVRO_printf("%s\n", long_line);
    ZIVRO_printf("%s", "");
    abort();
  }
  if (strcmp(probe, "many") == 0) {
    const long calls = atol(getenv("PROBE_CALLS") ? getenv("PROBE_CALLS") : "0");
    struct rusage usage;
    long i;
    for (i = 0; i < calls; ++i) ZIVRO_pixel(ZIVRO_BLUE, (int)(i % 200), 0);
    getrusage(RUSAGE_SELF, &usage);
    printf("peak RSS after %ld logged calls: %ld kB\n", calls, usage.ru_maxrss);
    return 0;
  }
  if (strcmp(probe, "keys") != 0) ZIVRO_logging(0);
  ZIVRO_clear();
  ZIVRO_circle(ZIVRO_RED, 0, 0, 50);
  if (strcmp(probe, "busy") == 0) compute_for_ever();
  until_quit(strcmp(probe, "busy-click") == 0, strcmp(probe, "slow") == 0);
  if (strcmp(probe, "exit") == 0) exit(0);
  return strcmp(probe, "status") == 0 ? 1 : 0;
}

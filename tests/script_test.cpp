// Recording to ZIVRO.SCR and playing it back, through the real pump, and the
// reader on lines that are malformed, hostile or binary.
#include <sys/resource.h>
#include <sys/stat.h>

#include <climits>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <sstream>

#include "package_fixture.h"

namespace {

using headless::post_input;

std::string read_file(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}

void write_file(const std::string& path, const std::string& content) {
  std::ofstream(path, std::ios::binary) << content;
}

int count_of(const std::vector<std::string>& lines, const std::string& line) {
  return static_cast<int>(std::count(lines.begin(), lines.end(), line));
}

class Script : public PackageTest {
 protected:
  // Click (10, -20), three ticks, the key a, two ticks; then `finish`.
  void record_session(const headless::Input& finish) {
    open();
    headless::set_clock_limit_ms(10'000);
    ZIVRO_run_control(ZIVRO_RUN_ANIMATE);
    post_input(headless::menu_command(kCommandRecord));
    post_input(headless::click(kOriginX + 10, kOriginY + 20), 10);
    post_input(headless::key_down('A'), 350);
    post_input(headless::key_up('A'), 351);
    post_input(finish, 550);
    std::vector<int> kinds;
    for (int i = 0; i < 8; ++i) kinds.push_back(wait_event().kind);
    EXPECT_EQ(kinds, (std::vector<int>{ZIVRO_MOUSE, ZIVRO_PERIODIC, ZIVRO_PERIODIC, ZIVRO_PERIODIC,
                                       ZIVRO_KBD, ZIVRO_PERIODIC, ZIVRO_PERIODIC,
                                       finish.number == WM_COMMAND && finish.wparam == kCommandQuit
                                           ? ZIVRO_QUIT
                                           : ZIVRO_PERIODIC}));
  }
  static constexpr const char* kFourLines =
      "ZIVRO_MOUSE(10, -20);\r\nZIVRO_PERIODIC(3);\r\nZIVRO_KBD(97);\r\nZIVRO_PERIODIC(2);\r\n";

  std::vector<WaitResult> play(const std::string& script, int waits) {
    write_file(kScriptFileName, script);
    open();
    post_input(headless::menu_command(kCommandPlayback));
    std::vector<WaitResult> results;
    for (int i = 0; i < waits; ++i) results.push_back(wait_event());
    return results;
  }
};

TEST_F(Script, RecordingEndedByQuitWritesExactlyFourLines) {
  record_session(headless::menu_command(kCommandQuit));
  // Each line is flushed as it is written: the file is complete while open.
  EXPECT_EQ(read_file(kScriptFileName), kFourLines);
  ZIVRO_close();
  EXPECT_EQ(read_file(kScriptFileName), kFourLines);
}

TEST_F(Script, RecordingStoppedFromTheMenuWritesTheSameLines) {
  record_session(headless::menu_command(kCommandRecord));
  EXPECT_EQ(read_file(kScriptFileName), kFourLines);
  EXPECT_EQ(periodic_run_counter(), 0) << "the tick after stopping is not counted";
}

TEST_F(Script, PlaybackReturnsTheRecordedEventsThenEndsHalted) {
  const auto results = play(kFourLines, 8);
  const std::vector<WaitResult> expected = {{ZIVRO_MOUSE, 10, -20, 0}, {ZIVRO_PERIODIC, 0, 0, 0},
                                            {ZIVRO_PERIODIC, 0, 0, 0}, {ZIVRO_PERIODIC, 0, 0, 0},
                                            {ZIVRO_KBD, 0, 0, 'a'},    {ZIVRO_PERIODIC, 0, 0, 0},
                                            {ZIVRO_PERIODIC, 0, 0, 0}, {ZIVRO_QUIT, 0, 0, 0}};
  EXPECT_EQ(results, expected);
  EXPECT_EQ(headless::now_ms(), 0u) << "script events do not wait for the timer";
  EXPECT_FALSE(script_playing());
  EXPECT_EQ(count_of(headless::printed_lines(), "EOF encountered in script file ZIVRO.SCR\n"), 1);
}

TEST_F(Script, QuitTakenDuringPlaybackEndsTheWait) {
  write_file(kScriptFileName,
             "ZIVRO_KBD(97);\r\nZIVRO_KBD(98);\r\nZIVRO_KBD(99);\r\nZIVRO_KBD(100);\r\n");
  open();
  post_input(headless::menu_command(kCommandPlayback));
  post_input(headless::close_window());  // its quit message comes one step later
  EXPECT_EQ(wait_event(), (WaitResult{ZIVRO_KBD, 0, 0, 'a'}));
  EXPECT_EQ(wait_event(), (WaitResult{ZIVRO_KBD, 0, 0, 'b'}));
  EXPECT_EQ(wait_event().kind, ZIVRO_QUIT) << "a script event took the quit's place";
}

TEST_F(Script, OneTickRecordedIsARunOfOne) {
  open();
  headless::set_clock_limit_ms(10'000);
  ZIVRO_run_control(ZIVRO_RUN_ANIMATE);
  post_input(headless::menu_command(kCommandRecord));
  EXPECT_EQ(wait_event().kind, ZIVRO_PERIODIC);
  post_input(headless::menu_command(kCommandRecord));
  EXPECT_EQ(wait_event().kind, ZIVRO_PERIODIC);
  EXPECT_EQ(read_file(kScriptFileName), "ZIVRO_PERIODIC(1);\r\n");
}

TEST_F(Script, RecordingThenPlaybackRoundTrip) {
  record_session(headless::menu_command(kCommandQuit));
  ZIVRO_close();
  const std::string recorded = read_file(kScriptFileName);
  reset_package();
  EXPECT_EQ(play(recorded, 7)[4], (WaitResult{ZIVRO_KBD, 0, 0, 'a'}));
}

TEST_F(Script, PeriodicCountsAndKeyCodes) {
  const auto results = play(
      "ZIVRO_PERIODIC(0);\nZIVRO_PERIODIC(1);\n\n\r\nZIVRO_KBD(-23);\nZIVRO_KBD(321);\n"
      "ZIVRO_PERIODIC(-2);\nZIVRO_MOUSE(1-2, -);\n",
      8);
  EXPECT_EQ(results[0].kind, ZIVRO_PERIODIC);
  EXPECT_EQ(results[1].kind, ZIVRO_PERIODIC);
  EXPECT_EQ(results[2], (WaitResult{ZIVRO_KBD, 0, 0, static_cast<char>(233)}));
  EXPECT_EQ(results[3], (WaitResult{ZIVRO_KBD, 0, 0, 65}));
  EXPECT_EQ(results[4].kind, ZIVRO_PERIODIC);  // "-2" is a count of 2
  EXPECT_EQ(results[5].kind, ZIVRO_PERIODIC);
  EXPECT_EQ(results[6], (WaitResult{ZIVRO_MOUSE, 1, 0, 0}));
  EXPECT_EQ(results[7].kind, ZIVRO_QUIT);
}

TEST_F(Script, KeyAbove127IsRecordedSigned) {
  open();
  post_input(headless::menu_command(kCommandRecord));
  post_input(headless::typed(static_cast<char>(233)));
  EXPECT_EQ(wait_event().key, static_cast<char>(233));
  ZIVRO_close();
  EXPECT_EQ(read_file(kScriptFileName), "ZIVRO_KBD(-23);\r\n");
}

TEST_F(Script, UnknownLineStopsPlaybackSilentlyAndResumesAfterIt) {
  write_file(kScriptFileName, "ZIVRO_XYZ(1);\nZIVRO_KBD(98);\n");
  open();
  post_input(headless::menu_command(kCommandPlayback));
  post_input(headless::typed('l'));
  EXPECT_EQ(wait_event(), (WaitResult{ZIVRO_KBD, 0, 0, 'l'})) << "live input after the stop";
  EXPECT_FALSE(script_playing());
  EXPECT_TRUE(headless::printed_lines().empty());
  // The file stayed open: switching playback on again goes on after the line.
  post_input(headless::menu_command(kCommandPlayback));
  EXPECT_EQ(wait_event(), (WaitResult{ZIVRO_KBD, 0, 0, 'b'}));
}

TEST_F(Script, AtTheEndOnlyTheMessageUntilTheFileIsClosed) {
  write_file(kScriptFileName, "ZIVRO_KBD(98);\nZIVRO_KBD(99)");  // last line unterminated
  open();
  post_input(headless::menu_command(kCommandPlayback));
  EXPECT_EQ(wait_event().key, 'b');
  post_input(headless::typed('x'));
  EXPECT_EQ(wait_event().key, 'x');
  post_input(headless::menu_command(kCommandPlayback));
  post_input(headless::typed('y'));
  EXPECT_EQ(wait_event().key, 'y');
  EXPECT_EQ(count_of(headless::printed_lines(), "EOF encountered in script file ZIVRO.SCR\n"), 2);
  // Switching recording on and off closes the file; playback then reads
  // from the start again.
  post_input(headless::menu_command(kCommandRecord));
  post_input(headless::menu_command(kCommandRecord));
  post_input(headless::menu_command(kCommandPlayback));
  post_input(headless::typed('z'));
  EXPECT_EQ(wait_event().key, 'b');
}

TEST_F(Script, MissingFileIsReportedAndPlaybackSwitchedOff) {
  open();
  post_input(headless::menu_command(kCommandPlayback));
  post_input(headless::typed('x'));
  EXPECT_EQ(wait_event().key, 'x');
  EXPECT_EQ(headless::printed_lines(),
            std::vector<std::string>{"Cannot open script file ZIVRO.SCR for reading\n"});
  EXPECT_FALSE(script_playing());
}

TEST_F(Script, UnwritableFileIsReportedForEveryEvent) {
  std::filesystem::create_directory(kScriptFileName);  // a directory cannot be opened as a file
  open();
  post_input(headless::menu_command(kCommandRecord));
  post_input(headless::typed('x'));
  post_input(headless::typed('y'));
  wait_event();
  wait_event();
  EXPECT_EQ(count_of(headless::printed_lines(), "Cannot open script file ZIVRO.SCR for writing\n"),
            2);
  EXPECT_TRUE(script_recording());
}

TEST_F(Script, PlayOneTwiceGivesTheFirstTwoEvents) {
  write_file(kScriptFileName, "ZIVRO_PERIODIC(2);\nZIVRO_KBD(97);\n");
  open();
  headless::set_clock_limit_ms(10'000);
  ZIVRO_run_control(ZIVRO_RUN_ANIMATE);
  post_input(headless::menu_command(kCommandPlayOne));
  EXPECT_EQ(wait_event().kind, ZIVRO_PERIODIC);
  EXPECT_FALSE(run_state().animate);
  post_input(headless::menu_command(kCommandPlayOne), 5000);
  EXPECT_EQ(wait_event().kind, ZIVRO_PERIODIC);
  EXPECT_EQ(headless::now_ms(), 5000u) << "halted between the two";
  post_input(headless::menu_command(kCommandPlayOne));
  EXPECT_EQ(wait_event(), (WaitResult{ZIVRO_KBD, 0, 0, 'a'}));
}

TEST_F(Script, RecordingOffAndOnEmptiesTheFile) {
  write_file(kScriptFileName, "old content\n");
  open();
  post_input(headless::menu_command(kCommandRecord));
  post_input(headless::menu_command(kCommandRecord));
  post_input(headless::typed('a'));
  wait_event();
  EXPECT_EQ(read_file(kScriptFileName), "old content\n") << "nothing written, nothing emptied";
  post_input(headless::menu_command(kCommandRecord));
  post_input(headless::typed('b'));
  wait_event();
  EXPECT_EQ(read_file(kScriptFileName), "ZIVRO_KBD(98);\r\n");
}

TEST_F(Script, PlaybackWhileRecordingWritesNothingAndReadsNothing) {
  open();
  post_input(headless::menu_command(kCommandRecord));
  post_input(headless::typed('a'));
  wait_event();  // the recording opened the file
  post_input(headless::menu_command(kCommandPlayback));
  post_input(headless::typed('b'));
  EXPECT_EQ(wait_event().key, 'b');
  EXPECT_FALSE(script_playing());
  EXPECT_TRUE(headless::printed_lines().empty());
}

// --- Recordings that lose nothing and gain nothing ------------------------

// A playback that ended (at the end of the file, or after Play One) leaves
// the file open for reading; the recording started next is still written.
TEST_F(Script, RecordingAfterPlaybackIsKept) {
  for (const unsigned command : {kCommandPlayback, kCommandPlayOne}) {
    reset_package();
    write_file(kScriptFileName, "ZIVRO_KBD(98);\n");
    open();
    post_input(headless::menu_command(command));
    EXPECT_EQ(wait_event().key, 'b');
    post_input(headless::typed('x'));  // a playback ends at the end of the file
    wait_event();
    post_input(headless::menu_command(kCommandRecord));
    post_input(headless::typed('c'));
    wait_event();
    EXPECT_EQ(read_file(kScriptFileName), "ZIVRO_KBD(99);\r\n") << command;
  }
}

// A recording that is on while a playback plays begins with the lines
// played, a run of ticks cut to those served, and goes on after them: the
// recording replayed from the program's start gives every event the
// program got, whether the user or the playback made it.
TEST_F(Script, ARecordingThatMeetsAPlaybackReplaysEveryEventShown) {
  using Step = std::pair<std::vector<headless::Input>, int>;  // inputs, then waits
  const auto command = [](unsigned id) { return headless::menu_command(id); };
  const struct {
    const char* name;
    std::vector<Step> steps;
  } cases[] = {
      {"recording, then a whole playback",
       {{{command(kCommandRecord), command(kCommandPlayback)}, 3}, {{headless::typed('c')}, 1}}},
      {"recording, then Play One",
       {{{command(kCommandRecord), command(kCommandPlayOne)}, 1}, {{headless::typed('c')}, 1}}},
      {"recording switched on during a playback switched off in a run",
       {{{command(kCommandPlayback)}, 1},
        {{command(kCommandRecord)}, 1},
        {{command(kCommandPlayback), headless::typed('c')}, 1}}},
  };
  for (const auto& [name, steps] : cases) {
    reset_package();
    write_file(kScriptFileName, "ZIVRO_KBD(98);\nZIVRO_PERIODIC(2);\n");
    open();
    std::vector<WaitResult> shown;
    for (const auto& [inputs, waits] : steps) {
      for (const headless::Input& input : inputs) post_input(input);
      for (int i = 0; i < waits; ++i) shown.push_back(wait_event());
    }
    ZIVRO_close();
    const std::string recording = read_file(kScriptFileName);
    reset_package();
    play_from_open(kScriptFileName);
    open();
    std::vector<WaitResult> replayed;
    for (size_t i = 0; i < shown.size(); ++i) replayed.push_back(wait_event());
    EXPECT_EQ(replayed, shown) << name << "; the recording:\n" << recording;
  }
}

// Ticks left over from a stopped playback belong to the playback: switching
// it on while recording serves them (they are recorded as the ticks the
// program got), and switching it off leaves the recording's file alone.
TEST_F(Script, PlaybackTogglesNeitherEraseNorInventRecordedTicks) {
  write_file(kScriptFileName, "ZIVRO_PERIODIC(100000000);\n");
  open();
  headless::set_clock_limit_ms(10'000);
  post_input(headless::menu_command(kCommandPlayback));
  EXPECT_EQ(wait_event().kind, ZIVRO_PERIODIC);
  post_input(headless::menu_command(kCommandPlayback));  // off: 99,999,999 left
  post_input(headless::menu_command(kCommandRecord));
  post_input(headless::typed('a'));
  EXPECT_EQ(wait_event().key, 'a');
  ZIVRO_run_control(ZIVRO_RUN_STEP);
  EXPECT_EQ(wait_event().kind, ZIVRO_PERIODIC);
  EXPECT_EQ(read_file(kScriptFileName), "ZIVRO_KBD(97);\r\nZIVRO_PERIODIC(1);\r\n")
      << "a fresh count, nothing of the playback's";
  post_input(headless::menu_command(kCommandPlayback));
  EXPECT_EQ(wait_event().kind, ZIVRO_PERIODIC) << "a pending playback tick";
  EXPECT_EQ(playback_ticks_remaining(), 99'999'998);
  post_input(headless::menu_command(kCommandPlayback));
  post_input(headless::typed('b'));
  EXPECT_EQ(wait_event().key, 'b');
  EXPECT_FALSE(script_playing());
  EXPECT_TRUE(headless::printed_lines().empty());
  post_input(headless::menu_command(kCommandRecord));
  post_input(headless::typed('.'));
  wait_event();
  EXPECT_EQ(read_file(kScriptFileName),
            "ZIVRO_KBD(97);\r\nZIVRO_PERIODIC(2);\r\nZIVRO_KBD(98);\r\n");
}

// At every moment the file is the whole recording so far, the run of ticks
// in progress included, as one whole line growing past 9 and 99.
TEST_F(Script, EveryTickIsInTheFileAtOnce) {
  open();
  headless::set_clock_limit_ms(100'000);
  post_input(headless::menu_command(kCommandRecord));
  post_input(headless::typed('a'));
  wait_event();
  ZIVRO_run_control(ZIVRO_RUN_ANIMATE);
  for (int n = 1; n <= 101; ++n) {
    ASSERT_EQ(wait_event().kind, ZIVRO_PERIODIC);
    ASSERT_EQ(read_file(kScriptFileName),
              "ZIVRO_KBD(97);\r\nZIVRO_PERIODIC(" + std::to_string(n) + ");\r\n");
  }
  post_input(headless::typed('b'), headless::now_ms() + 50);
  wait_event();
  ZIVRO_run_control(ZIVRO_RUN_HALT);
  ZIVRO_close();
  EXPECT_EQ(read_file(kScriptFileName),
            "ZIVRO_KBD(97);\r\nZIVRO_PERIODIC(101);\r\nZIVRO_KBD(98);\r\n");
}

TEST_F(Script, RunAtTheCountLimitEndsAndANewOneBegins) {
  open();
  headless::set_clock_limit_ms(10'000);
  post_input(headless::menu_command(kCommandRecord));
  post_input(headless::typed('a'));
  wait_event();
  set_periodic_run_counter(INT_MAX - 1);
  for (int i = 0; i < 2; ++i) {
    ZIVRO_run_control(ZIVRO_RUN_STEP);
    EXPECT_EQ(wait_event().kind, ZIVRO_PERIODIC);
  }
  EXPECT_EQ(read_file(kScriptFileName),
            "ZIVRO_KBD(97);\r\nZIVRO_PERIODIC(2147483647);\r\nZIVRO_PERIODIC(1);\r\n");
}

// A full disk: each line that cannot be written is lost, reported once for
// the whole episode, and the lines before it stay whole.
TEST_F(Script, FailedWritesAreReportedOncePerEpisode) {
  open();
  headless::set_clock_limit_ms(10'000);
  post_input(headless::menu_command(kCommandRecord));
  post_input(headless::typed('a'));
  wait_event();
  rlimit saved{};
  ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
  rlimit full = saved;
  full.rlim_cur = read_file(kScriptFileName).size();  // no byte more may be written
  const auto previous_handler = std::signal(SIGXFSZ, SIG_IGN);
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &full), 0);
  post_input(headless::typed('b'));
  wait_event();
  for (int i = 0; i < 3; ++i) {
    ZIVRO_run_control(ZIVRO_RUN_STEP);
    wait_event();
  }
  post_input(headless::typed('c'));
  wait_event();
  setrlimit(RLIMIT_FSIZE, &saved);
  std::signal(SIGXFSZ, previous_handler);
  EXPECT_EQ(headless::printed_lines(),
            std::vector<std::string>{"Cannot write script file ZIVRO.SCR\n"});
  EXPECT_TRUE(script_write_failed());
  post_input(headless::typed('d'));
  wait_event();
  EXPECT_EQ(read_file(kScriptFileName), "ZIVRO_KBD(97);\r\nZIVRO_KBD(100);\r\n");
  EXPECT_EQ(headless::printed_lines().size(), 1u);
}

// A FIFO or a device as the script file is refused at once, never waited on.
TEST_F(Script, NonRegularFilesAreRefusedWithoutBlocking) {
  for (const bool fifo : {true, false}) {
    for (const unsigned command : {kCommandPlayback, kCommandRecord}) {
      reset_package();
      std::filesystem::remove(kScriptFileName);
      if (fifo) {
        ASSERT_EQ(mkfifo(kScriptFileName, 0600), 0);
      } else {
        std::filesystem::create_symlink("/dev/full", kScriptFileName);
      }
      open();
      post_input(headless::menu_command(command));
      post_input(headless::typed('x'));
      EXPECT_EQ(wait_event().key, 'x');
      EXPECT_EQ(headless::printed_lines(),
                std::vector<std::string>{std::string("Cannot open script file ZIVRO.SCR for ") +
                                         (command == kCommandRecord ? "writing\n" : "reading\n")})
          << fifo;
    }
  }
}

TEST(ScriptAnswerEscape, AnyBytesRoundTrip) {
  std::string every_byte;
  for (int c = 1; c < 256; ++c) every_byte += static_cast<char>(c);
  const std::string texts[] = {"", "plain text (1)", "a;b)c\\d\r\n", "\\x41", every_byte};
  for (const std::string& text : texts) {
    const std::string escaped = escape_answer(text);
    EXPECT_EQ(escaped.find_first_of(");\r\n"), std::string::npos) << escaped;
    EXPECT_EQ(unescape_answer(escaped.data(), escaped.size()), text);
  }
  EXPECT_EQ(escape_answer("a;b)\\\xE9"), "a\\x3Bb\\x29\\x5C\\xE9");
  EXPECT_EQ(unescape_answer("\\x4\\q\\", 6), "\\x4\\q\\") << "a broken escape is kept as it is";
}

// Dialog answers go into the script, and come back from it in place of the
// dialog; an answer line nobody asks for is passed over.
TEST_F(Script, DialogAnswersAreRecordedAndReplayed) {
  const std::string odd = "tw(o)\r\nlines;\\x41 \xE9\xFF";
  const std::string long_answer(255, '\x80');
  open();
  headless::set_clock_limit_ms(10'000);
  post_input(headless::menu_command(kCommandRecord));
  post_input(headless::typed('a'));
  wait_event();
  char buffer[256];
  for (const std::string& answer : {odd, long_answer, std::string()}) {
    headless::queue_dialog_answer(answer);
    ASSERT_EQ(ZIVRO_gets("?", buffer), 1);
    ZIVRO_run_control(ZIVRO_RUN_STEP);
    EXPECT_EQ(wait_event().kind, ZIVRO_PERIODIC);
  }
  ZIVRO_close();
  const std::string recorded = read_file(kScriptFileName);
  EXPECT_EQ(recorded.rfind("ZIVRO_KBD(97);\r\nZIVRO_GETS(tw(o\\x29\\x0D\\x0Alines\\x3B\\x5Cx41 "
                           "\\xE9\\xFF);\r\nZIVRO_PERIODIC(1);\r\nZIVRO_GETS_PART(\\x80",
                           0),
            0u)
      << recorded;
  std::istringstream lines(recorded);
  for (std::string line; std::getline(lines, line);) {
    EXPECT_LT(line.size(), 300u);
    EXPECT_EQ(line.rfind("ZIVRO_", 0), 0u) << line;
  }

  reset_package();
  write_file(kScriptFileName, recorded + "ZIVRO_GETS(unasked);\r\nZIVRO_KBD(98);\r\n");
  open();
  post_input(headless::menu_command(kCommandPlayback));
  EXPECT_EQ(wait_event().key, 'a');
  for (const std::string& answer : {odd, long_answer, std::string()}) {
    std::memset(buffer, 'x', sizeof buffer);
    ASSERT_EQ(ZIVRO_gets("?", buffer), 1);
    EXPECT_EQ(std::string(buffer), answer);
    EXPECT_EQ(wait_event().kind, ZIVRO_PERIODIC);
  }
  EXPECT_TRUE(headless::dialogs_seen().empty());
  EXPECT_EQ(wait_event().key, 'b');
  headless::queue_dialog_answer("live");
  ASSERT_EQ(ZIVRO_gets("?", buffer), 1) << "no answer line next: the dialog asks";
  EXPECT_STREQ(buffer, "live");
}

// An answer longer than one line is cut between escapes: with an escape
// starting anywhere near the edge of a line, it replays byte for byte.
TEST_F(Script, LongAnswersCutNearAnEscapeReplayTheSameBytes) {
  for (size_t before = 195; before <= 201; ++before) {
    const std::string answer = std::string(before, 'a') + ")" + std::string(50, 'b');
    reset_package();
    open();
    post_input(headless::menu_command(kCommandRecord));
    post_input(headless::typed('x'));
    wait_event();
    char buffer[256];
    headless::queue_dialog_answer(answer);
    ASSERT_EQ(ZIVRO_gets("?", buffer), 1);
    ZIVRO_close();
    const std::string recorded = read_file(kScriptFileName);
    EXPECT_NE(recorded.find("ZIVRO_GETS_PART("), std::string::npos) << before;

    reset_package();
    play_from_open(kScriptFileName);
    open();
    EXPECT_EQ(wait_event().key, 'x');
    std::memset(buffer, 0, sizeof buffer);
    ASSERT_EQ(ZIVRO_gets("?", buffer), 1);
    EXPECT_EQ(std::string(buffer), answer) << before << "\n" << recorded;
    EXPECT_TRUE(headless::dialogs_seen().empty());
  }
}

// The reader on its own: lines that must not crash it, read past their end,
// or overflow while converting.
TEST(ScriptLineParser, HostileLines) {
  struct Case {
    std::string line;
    ScriptLine expected;
  };
  const Case cases[] = {
      {"ZIVRO_MOUSE(10, -20);\n", {ZIVRO_MOUSE, 10, -20}},
      {"xxxxxxM 5 6", {ZIVRO_MOUSE, 5, 6}},
      {"ZIVRO_M", {ZIVRO_MOUSE, 0, 0}},
      {"ZIVRO_MOUSE(7);\n", {ZIVRO_MOUSE, 7, 0}},
      {"ZIVRO_MOUSE(--5, 3-)", {ZIVRO_MOUSE, 0, 3}},
      {"ZIVRO_MOUSE(99999999999999999999, -99999999999999999999)",
       {ZIVRO_MOUSE, 2147483647, -2147483648}},
      {"ZIVRO_MOUSE(2147483648, -2147483649)", {ZIVRO_MOUSE, 2147483647, -2147483648}},
      {"ZIVRO_MOUSE(-2147483648, 2147483647)", {ZIVRO_MOUSE, -2147483648, 2147483647}},
      {"ZIVRO_KBD(" + std::string(400, '9') + ")", {ZIVRO_KBD, 2147483647, 0}},
      {"ZIVRO_PERIODIC(-" + std::string(30, '7') + ")", {ZIVRO_PERIODIC, 2147483647, 0}},
      {"ZIVRO_PERIODIC()", {ZIVRO_PERIODIC, 0, 0}},
      {std::string("ZIVRO_K\0\x01\xff"
                   "12",
                   12),
       {ZIVRO_KBD, 12, 0}},
      {"ZIVRO_KEY_RELEASE(38, 1);\n", {ZIVRO_KEY_RELEASE, 38, 0, 0, 1}},
      {"ZIVRO_KEY_PRESS 38", {ZIVRO_KBD, 38, 0}},  // no "(": the letter decides
      {"ZIVRO_MOUSE_DRAG(-5, 6, 1, 4);", {ZIVRO_MOUSE_DRAG, -5, 6, 1, 4}},
      {"ZIVRO_MOUSE_MIDDLE(7, 8, 2)", {ZIVRO_MOUSE_MIDDLE, 7, 8, 0, 2}},
      {"ZIVRO_MOUSE(1, 2, 3);", {ZIVRO_MOUSE, 1, 2, 0, 3}},
      // Numbers after the parentheses are no fields; an opt-in line's
      // fields must be ones the package delivers, or it is no event.
      {"ZIVRO_MOUSE(1,2);ZIVRO_KBD(3);", {ZIVRO_MOUSE, 1, 2}},
      {"ZIVRO_KBD(97);ZIVRO_KBD(3);", {ZIVRO_KBD, 97, 0}},
      {"ZIVRO_MOUSE(1, 2, 9);", {ZIVRO_MOUSE, 1, 2}},
      {"ZIVRO_MOUSE_DRAG(1, 2, 3, 1);ZIVRO_KBD(5);", {ZIVRO_MOUSE_DRAG, 1, 2, 3, 1}},
      {"ZIVRO_KEY_PRESS(255, 7);", {ZIVRO_KEY_PRESS, 255, 0, 0, 7}},
      {"ZIVRO_KEY_PRESS(4294967335, 0);", {0, 0, 0}},
      {"ZIVRO_KEY_RELEASE(38, -1);", {0, 0, 0}},
      {"ZIVRO_MOUSE_RELEASE(1, 2, -7, 0);", {0, 0, 0}},
      {"ZIVRO_MOUSE_RELEASE(1, 2, 3, 0);", {0, 0, 0}},
      {"ZIVRO_MOUSE_DRAG(1, 2, 8, 0);", {0, 0, 0}},
      {"ZIVRO_MOUSE_RIGHT(1, 2, 8);", {0, 0, 0}},
      {"ZIVRO_k(1)", {0, 0, 0}},
      {"ZIVRO_", {0, 0, 0}},
      {"", {0, 0, 0}},
  };
  for (const Case& c : cases) {
    const ScriptLine parsed = parse_script_line(c.line.data(), c.line.size());
    EXPECT_EQ(parsed.kind, c.expected.kind) << c.line;
    EXPECT_EQ(parsed.x, c.expected.x) << c.line;
    EXPECT_EQ(parsed.y, c.expected.y) << c.line;
    EXPECT_EQ(parsed.button, c.expected.button) << c.line;
    EXPECT_EQ(parsed.modifiers, c.expected.modifiers) << c.line;
  }
}

// Notepad starts a file with a byte-order mark; the script plays as without.
TEST_F(Script, AByteOrderMarkIsPassedOver) {
  const std::vector<WaitResult> played =
      play("\xEF\xBB\xBFZIVRO_KBD(98);\r\nZIVRO_KBD(99);\r\n", 2);
  EXPECT_EQ(played[0].key, 'b');
  EXPECT_EQ(played[1].key, 'c');
}

TEST(ScriptLineReader, PiecesLineEndsAndEnd) {
  std::string content = std::string(600, 'a') + "\r\nb\rc\nlast";
  std::FILE* file = fmemopen(content.data(), content.size(), "rb");
  ASSERT_NE(file, nullptr);
  char line[512];
  bool at_end = false;
  EXPECT_EQ(read_script_line(file, line, &at_end), 511u);
  EXPECT_EQ(read_script_line(file, line, &at_end), 90u);
  EXPECT_EQ(line[89], '\n') << "CR LF reads as LF";
  EXPECT_EQ(read_script_line(file, line, &at_end), 4u);
  EXPECT_EQ(std::string(line), "b\rc\n") << "a lone CR is a character";
  EXPECT_FALSE(at_end);
  EXPECT_EQ(read_script_line(file, line, &at_end), 4u);
  EXPECT_TRUE(at_end) << "an unterminated last line reaches the end";
  std::fclose(file);
}

// A corpus of nasty script files: none may crash, hang or read past a line.
TEST_F(Script, NastyCorpusPlaysToItsEnd) {
  for (const auto& entry : std::filesystem::directory_iterator(ZIVRO_TEST_DATA "/nasty")) {
    reset_package();
    std::filesystem::copy_file(entry.path(), kScriptFileName,
                               std::filesystem::copy_options::overwrite_existing);
    open();
    post_input(headless::menu_command(kCommandPlayback));
    int waits = 0;
    while (wait_event().kind != ZIVRO_QUIT && waits < 100'000) ++waits;
    EXPECT_LT(waits, 100'000) << entry.path();
    EXPECT_FALSE(script_playing()) << entry.path();
  }
}

// A script event brings its kind and its own fields; a click taken in the
// same pump step leaves its position in the others.
TEST_F(Script, PlayedKeyKeepsThePositionOfAClickInItsStep) {
  write_file(kScriptFileName, "ZIVRO_KBD(98);\r\nZIVRO_KBD(99);\r\n");
  open();
  post_input(headless::menu_command(kCommandPlayback));
  post_input(headless::click(kOriginX + 10, kOriginY + 20));
  EXPECT_EQ(wait_event(), (WaitResult{ZIVRO_KBD, 0, 0, 'b'}));
  EXPECT_EQ(wait_event(), (WaitResult{ZIVRO_KBD, 10, -20, 'c'}));
}

}  // namespace

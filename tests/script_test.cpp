// Recording to ZIVRO.SCR and playing it back, through the real pump, and the
// reader on lines that are malformed, hostile or binary.
#include <cstdio>
#include <fstream>
#include <iterator>
#include <sstream>

#include "package_fixture.h"

namespace {

using headless::post_input;

constexpr int kOriginX = 297;
constexpr int kOriginY = 250;

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
    ZIVRO_run_control(2);
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
  EXPECT_FALSE(run_state().playback);
  EXPECT_EQ(count_of(headless::printed_lines(), "EOF encountered in script file ZIVRO.SCR\n"), 1);
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
  EXPECT_FALSE(run_state().playback);
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
  EXPECT_FALSE(run_state().playback);
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
  EXPECT_TRUE(run_state().recording);
}

TEST_F(Script, PlayOneTwiceGivesTheFirstTwoEvents) {
  write_file(kScriptFileName, "ZIVRO_PERIODIC(2);\nZIVRO_KBD(97);\n");
  open();
  headless::set_clock_limit_ms(10'000);
  ZIVRO_run_control(2);
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
  EXPECT_FALSE(run_state().playback);
  EXPECT_TRUE(headless::printed_lines().empty());
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
      {"ZIVRO_k(1)", {0, 0, 0}},
      {"ZIVRO_", {0, 0, 0}},
      {"", {0, 0, 0}},
  };
  for (const Case& c : cases) {
    const ScriptLine parsed = parse_script_line(c.line.data(), c.line.size());
    EXPECT_EQ(parsed.kind, c.expected.kind) << c.line;
    EXPECT_EQ(parsed.x, c.expected.x) << c.line;
    EXPECT_EQ(parsed.y, c.expected.y) << c.line;
  }
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
    EXPECT_FALSE(run_state().playback) << entry.path();
  }
}

}  // namespace

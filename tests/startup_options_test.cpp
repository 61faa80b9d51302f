// The layers' shared command-line parser, on the three syntaxes the layer
// mains give it: the runner's (--record FILE, names required, options of its
// own), the desktop's (bare --record) and the page's (unknowns passed over).
// The mains' own messages and usage texts are run by runner_test.sh and the
// end-to-end tests; here is what the parser accepts and refuses, and why.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "startup.h"

namespace {

enum class Layer { kRunner, kDesktop, kWeb };

// Each layer option notes what it took in `seen`, so a case can check it.
StartupSyntax syntax_of(Layer layer, std::string& seen) {
  StartupSyntax syntax;
  const auto note = [&seen](const char* what) {
    return [&seen, what](const char* value) {
      seen.append(what);
      if (value) seen.append("=").append(value);
      seen.append(";");
      return std::string();
    };
  };
  switch (layer) {
    case Layer::kRunner:
      syntax.record = RecordSyntax::kNamedFile;
      syntax.file_names_required = true;
      syntax.layer_options = {{"--png", OptionValue::kFileName, note("png")},
                              {"--answer", OptionValue::kText, [&seen](const char* value) {
                                 if (!value) return std::string("--answer needs a text");
                                 seen.append("answer=").append(value).append(";");
                                 return std::string();
                               }}};
      // A layer's own check comes before the shared ones.
      syntax.check_layer_options = [&seen] {
        return seen == "png=late;" ? std::string("png refused") : std::string();
      };
      break;
    case Layer::kDesktop:
      syntax.record = RecordSyntax::kScriptFile;
      syntax.layer_options = {{"--spinning-wait", OptionValue::kNone, note("spin")}};
      break;
    case Layer::kWeb:
      syntax.takes_log = false;
      syntax.unknown_passed_over = true;
      syntax.program_arguments = false;
      syntax.layer_options = {{"--test-hooks", OptionValue::kNone, note("hooks")}};
      break;
  }
  return syntax;
}

constexpr const char* kExclude =
    "--record and --play exclude each other: a playback's events are not recorded";

struct Case {
  Layer layer;
  std::vector<std::string> arguments;
  // Expected; null for an option not given.
  const char* error;  // empty when accepted
  bool misuse = false;
  const char* log = nullptr;
  const char* record = nullptr;
  const char* play = nullptr;
  std::vector<std::string> program_arguments = {};
  std::string seen = {};
};

const char* const kNone = nullptr;
using Args = std::vector<std::string>;

const Case kCases[] = {
    // The runner.
    {Layer::kRunner,
     {"--play", "a.scr", "--log", "out.log", "--png", "p.png", "--", "x", "y z"},
     "",
     false,
     "out.log",
     kNone,
     "a.scr",
     Args{"x", "y z"},
     "png=p.png;"},
    {Layer::kRunner,
     {"--record", "r.scr", "--log", "a", "--log", "b"},
     "",
     false,
     "b",
     "r.scr",
     kNone,
     {},
     ""},
    {Layer::kRunner, {"--log", "--play"}, "", false, "--play", kNone, kNone, {}, ""},
    {Layer::kRunner,
     {"--answer", "", "--answer", "hi", "--", "--log", "x"},
     "",
     false,
     kNone,
     kNone,
     kNone,
     Args{"--log", "x"},
     "answer=;answer=hi;"},
    {Layer::kRunner, {"--log"}, "--log needs a file or directory name", true},
    {Layer::kRunner, {"--play", ""}, "--play needs a file or directory name", true},
    {Layer::kRunner, {"--png", ""}, "--png needs a file or directory name", true},
    {Layer::kRunner, {"--record"}, "--record needs a file or directory name", true},
    {Layer::kRunner, {"--answer"}, "--answer needs a text", true},
    {Layer::kRunner, {"stray"}, "unexpected argument 'stray'", true},
    {Layer::kRunner, {"--bogus", "x"}, "unknown option --bogus", true},
    {Layer::kRunner, {"--spinning-wait"}, "unknown option --spinning-wait", true},
    {Layer::kRunner, {"--play", "p", "--record", "r"}, kExclude, false},
    {Layer::kRunner, {"--png", "late", "--play", "p", "--record", "r"}, "png refused", false},
    // The desktop.
    {Layer::kDesktop,
     {"--record", "--spinning-wait", "--", "a"},
     "",
     false,
     kNone,
     "",
     kNone,
     Args{"a"},
     "spin;"},
    {Layer::kDesktop, {"--play", "", "--log", ""}, "", false, "", kNone, "", {}, ""},
    {Layer::kDesktop, {"--", "--record"}, "", false, kNone, kNone, kNone, Args{"--record"}, ""},
    {Layer::kDesktop, {"--record", "--play", "p"}, kExclude, false},
    {Layer::kDesktop, {"--play"}, "--play needs a file or directory name", true},
    {Layer::kDesktop, {"--record", "r.scr"}, "unexpected argument 'r.scr'", true},
    {Layer::kDesktop, {"--ticks", "3"}, "unknown option --ticks", true},
    // The page.
    {Layer::kWeb,
     {"--test-hooks", "--log", "--play", "p", "--", "stray", "--record"},
     "",
     false,
     kNone,
     kNone,
     "p",
     {},
     "hooks;"},
    {Layer::kWeb, {"--play", "--test-hooks"}, "", false, kNone, kNone, "--test-hooks", {}, ""},
    {Layer::kWeb, {"--test-hooks", "--play"}, "", false, kNone, kNone, kNone, {}, "hooks;"},
};

// An option's value as a message shows it, quoted, or "none".
std::string shown(const char* value) {
  return value ? std::string("'").append(value).append("'") : std::string("none");
}

std::string shown(const std::optional<std::string>& value) {
  return shown(value ? value->c_str() : nullptr);
}

TEST(StartupOptionsTest, AcceptedFormsAndRefusals) {
  for (const Case& c : kCases) {
    std::vector<std::string> line = {"prog"};
    line.insert(line.end(), c.arguments.begin(), c.arguments.end());
    std::vector<char*> argv;
    for (std::string& argument : line) argv.push_back(argument.data());
    std::string seen;
    const StartupSyntax syntax = syntax_of(c.layer, seen);
    const StartupOptions options =
        parse_startup_options(static_cast<int>(argv.size()), argv.data(), syntax);

    std::string label = "layer " + std::to_string(static_cast<int>(c.layer)) + ":";
    for (const std::string& argument : c.arguments) label += " [" + argument + "]";
    EXPECT_EQ(options.error, c.error) << label;
    EXPECT_EQ(options.misuse, c.misuse) << label;
    if (*c.error) continue;
    EXPECT_EQ(shown(options.log), shown(c.log)) << label;
    EXPECT_EQ(shown(options.record), shown(c.record)) << label;
    EXPECT_EQ(shown(options.play), shown(c.play)) << label;
    EXPECT_EQ(options.program_arguments, c.program_arguments) << label;
    EXPECT_EQ(seen, c.seen) << label;
  }
}

TEST(StartupOptionsTest, UnplayableScripts) {
  const std::string missing = testing::TempDir() + "startup-no-such.scr";
  EXPECT_EQ(script_unplayable(missing), "cannot read " + missing + ": No such file or directory");
  const std::string directory = testing::TempDir();
  EXPECT_EQ(script_unplayable(directory), "cannot read " + directory + ": not a regular file");
  EXPECT_EQ(script_unplayable(ZIVRO_TEST_DATA "/ends.scr"), "");
}

}  // namespace

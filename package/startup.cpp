// The layers' mains' view of the package (startup.h).
#include "startup.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <system_error>
#include <utility>

#include "events.h"
#include "script.h"

void record_from_open(const std::string& path) {
  if (!path.empty()) script_record_to(path);
  ask_for_recording_from_open();
}

void play_from_open(const std::string& path) {
  script_play_from(path);
  ask_for_playback_from_open();
}

const char* script_file_name() {
  return kScriptFileName;
}

bool recording_lost_lines() {
  return script_write_failed();
}

long events_played() {
  return script_events_served();
}

namespace {

// One option as the parser sees it: a shared one writes into the result,
// a layer's calls its take().
struct KnownOption {
  const char* name;
  OptionValue value;
  std::optional<std::string>* shared;  // or null for a layer's option
  const LayerOption* layer;
};

std::vector<KnownOption> known_options(const StartupSyntax& syntax, StartupOptions& options) {
  std::vector<KnownOption> known;
  known.push_back({"--play", OptionValue::kFileName, &options.play, nullptr});
  if (syntax.takes_log) known.push_back({"--log", OptionValue::kFileName, &options.log, nullptr});
  if (syntax.record == RecordSyntax::kScriptFile) {
    known.push_back({"--record", OptionValue::kNone, &options.record, nullptr});
  } else if (syntax.record == RecordSyntax::kNamedFile) {
    known.push_back({"--record", OptionValue::kFileName, &options.record, nullptr});
  }
  for (const LayerOption& option : syntax.layer_options) {
    known.push_back({option.name, option.value, nullptr, &option});
  }
  return known;
}

StartupOptions misuse(std::string error) {
  StartupOptions refused;
  refused.error = std::move(error);
  refused.misuse = true;
  return refused;
}

StartupOptions refusal(std::string error) {
  StartupOptions refused;
  refused.error = std::move(error);
  return refused;
}

}  // namespace

StartupOptions parse_startup_options(int argc, char** argv, const StartupSyntax& syntax) {
  StartupOptions options;
  const std::vector<KnownOption> known = known_options(syntax, options);
  for (int i = 1; i < argc; ++i) {
    const std::string argument = argv[i];
    if (syntax.program_arguments && argument == "--") {
      options.program_arguments.assign(argv + i + 1, argv + argc);
      break;
    }
    const KnownOption* option = nullptr;
    for (const KnownOption& candidate : known) {
      if (argument == candidate.name) option = &candidate;
    }
    if (!option) {
      if (syntax.unknown_passed_over) continue;
      if (argument.rfind("--", 0) != 0) return misuse("unexpected argument '" + argument + "'");
      return misuse("unknown option " + argument);
    }
    // A value is the next argument, whatever it looks like.
    const char* value = nullptr;
    if (option->value != OptionValue::kNone) {
      if (i + 1 < argc) {
        value = argv[++i];
      } else if (syntax.unknown_passed_over) {
        continue;
      }
    }
    if (option->value == OptionValue::kFileName) {
      if (!value || (syntax.file_names_required && !*value)) {
        return misuse(argument + " needs a file or directory name");
      }
    }
    if (option->shared) {
      *option->shared = value ? value : "";
    } else if (std::string error = option->layer->take(value); !error.empty()) {
      // Refusing a missing value is a misuse; refusing a given one is not.
      const bool missing = !value && option->value != OptionValue::kNone;
      return missing ? misuse(std::move(error)) : refusal(std::move(error));
    }
  }
  if (syntax.check_layer_options) {
    if (std::string error = syntax.check_layer_options(); !error.empty()) {
      return refusal(std::move(error));
    }
  }
  if (options.record && options.play) {
    return refusal("--record and --play exclude each other: a playback's events are not recorded");
  }
  return options;
}

std::string script_unplayable(const std::string& path) {
  std::error_code error;
  const std::filesystem::file_status status = std::filesystem::status(path, error);
  if (error) return "cannot read " + path + ": " + error.message();
  if (!std::filesystem::is_regular_file(status)) {
    return "cannot read " + path + ": not a regular file";
  }
  std::FILE* probe = std::fopen(path.c_str(), "rb");
  if (!probe) return "cannot read " + path + ": " + std::strerror(errno);
  std::fclose(probe);
  return {};
}

const WaitProgress& wait_progress() {
  return event_wait_progress();
}

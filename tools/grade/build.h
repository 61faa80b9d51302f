// Building a submission (or the reference): its C and C++ sources, each
// compiled in the sandbox against the package's header, linked with the
// headless layer and its runner.
#pragma once

#include <string>

namespace grade {

struct Package {
  std::string header;          // zivro.h
  std::string runner_library;  // libzivro_headless_main.a
  std::string library;         // libzivro_headless.a
};

// The package next to the program (an installed tree: ../include, ../lib),
// else the build tree the program was built in. False when neither holds it.
bool find_package(const std::string& program_path, Package* package, std::string* why);

// Copies the package into `directory`, which every build then reads.
bool stage_package(const Package& package, const std::string& directory, Package* staged);

enum class BuildResult { kBuilt, kFailed, kDefinesMain };

struct Built {
  BuildResult result = BuildResult::kFailed;
  std::string executable;  // host path, when built
  std::string log;         // every command and what it printed
  std::string summary;     // the first lines of the errors, for the report
};

// Builds `source` (a file or a directory of sources) in `directory`.
Built build_program(const std::string& source, const std::string& directory, const Package& package,
                    int slot);

}  // namespace grade

#include "build.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <vector>

#include "sandbox.h"

namespace grade {
namespace fs = std::filesystem;

namespace {

// Where a build sees the staged package.
constexpr const char* kPackageInside = "/zivro";
// A submission's sources: at most this many files and bytes.
constexpr size_t kMostFiles = 500;
constexpr uintmax_t kMostBytes = 16u << 20;
constexpr int kSummaryLines = 12;

bool is_source(const fs::path& path) {
  const std::string extension = path.extension().string();
  return extension == ".c" || extension == ".cc" || extension == ".cpp" || extension == ".cxx";
}
bool is_c(const fs::path& path) {
  return path.extension() == ".c";
}

// A compiler named by CC or CXX (or cc and c++), as a path under /usr, which
// the sandbox shows.
std::string compiler(const char* variable, const char* fallback) {
  const char* named = std::getenv(variable);
  std::string name = named && *named ? named : fallback;
  if (name.find('/') != std::string::npos) return name;
  for (const char* dir : {"/usr/bin/", "/usr/local/bin/"}) {
    if (access((dir + name).c_str(), X_OK) == 0) return dir + name;
  }
  return "/usr/bin/" + name;
}

std::string first_lines(const std::string& text, int count) {
  std::istringstream lines(text);
  std::string line, kept;
  for (int i = 0; i < count && std::getline(lines, line); ++i) kept += line + "\n";
  return kept;
}

sandbox::Limits build_limits() {
  sandbox::Limits limits;
  limits.cpu_seconds = 60;
  limits.memory_mb = 2048;
  limits.output_bytes = 1 << 20;
  limits.file_mb = 512;
  limits.processes = 64;
  return limits;
}

// The lines that -Wl,-y,main adds to a link's output: "FILE: definition of
// main" and "FILE: reference to main", each after the linker's own name.
bool is_main_trace(const std::string& line) {
  return line.ends_with(": definition of main") || line.ends_with(": reference to main");
}

std::string without_main_trace(const std::string& printed) {
  std::istringstream lines(printed);
  std::string line, kept;
  while (std::getline(lines, line)) {
    if (!is_main_trace(line)) kept += line + "\n";
  }
  return kept;
}

// Which of the objects the link's trace names as defining main, or -1.
int object_defining_main(const std::string& printed, const std::vector<std::string>& objects) {
  const std::string definition = ": definition of main";
  std::istringstream lines(printed);
  for (std::string line; std::getline(lines, line);) {
    if (!line.ends_with(definition)) continue;
    line.resize(line.size() - definition.size());
    const size_t named = line.rfind(": ");
    const std::string file = named == std::string::npos ? line : line.substr(named + 2);
    const auto found = std::find(objects.begin(), objects.end(), file);
    if (found != objects.end()) return static_cast<int>(found - objects.begin());
  }
  return -1;
}

// Copies the regular files of a submission, never following a link: a link
// to the reference or to a file of the host would otherwise bring it in.
bool copy_sources(const fs::path& source, const fs::path& into, std::string* why) {
  std::error_code code;
  fs::create_directories(into, code);
  if (fs::is_regular_file(fs::symlink_status(source, code))) {
    fs::copy_file(source, into / source.filename(), code);
    if (code) *why = "cannot copy " + source.filename().string() + ": " + code.message();
    return !code;
  }
  if (!fs::is_directory(fs::symlink_status(source, code))) {
    *why = "neither a source file nor a directory";
    return false;
  }
  size_t files = 0;
  uintmax_t bytes = 0;
  for (auto it = fs::recursive_directory_iterator(source, code); !code && it != fs::end(it);
       it.increment(code)) {
    const fs::file_status status = it->symlink_status(code);
    const fs::path relative = it->path().lexically_relative(source);
    if (fs::is_directory(status)) {
      fs::create_directories(into / relative, code);
    } else if (fs::is_regular_file(status)) {
      bytes += it->file_size(code);
      if (++files > kMostFiles || bytes > kMostBytes) {
        *why = "more than 500 files or 16 MB of sources";
        return false;
      }
      fs::copy_file(it->path(), into / relative, code);
    }
  }
  if (code) *why = "cannot copy the sources: " + code.message();
  return !code;
}

}  // namespace

bool find_package(const std::string& program_path, Package* package, std::string* why) {
  std::error_code code;
  const fs::path prefix = fs::canonical(program_path, code).parent_path().parent_path();
  const Package installed{(prefix / "include" / "zivro.h").string(),
                          (prefix / ZIVRO_GRADE_LIBDIR / "libzivro_headless_main.a").string(),
                          (prefix / ZIVRO_GRADE_LIBDIR / "libzivro_headless.a").string()};
  const Package built{ZIVRO_GRADE_BUILD_HEADER, ZIVRO_GRADE_BUILD_RUNNER_LIBRARY,
                      ZIVRO_GRADE_BUILD_LIBRARY};
  for (const Package& candidate : {installed, built}) {
    if (fs::is_regular_file(candidate.header, code) &&
        fs::is_regular_file(candidate.runner_library, code) &&
        fs::is_regular_file(candidate.library, code)) {
      *package = candidate;
      return true;
    }
  }
  // The installed grader knows no build tree (its names are empty).
  const std::string build_tree = fs::path(ZIVRO_GRADE_BUILD_LIBRARY).parent_path().string();
  *why = "the package's header and headless libraries are not in " + prefix.string() +
         (build_tree.empty() ? "" : " nor in the build tree " + build_tree);
  return false;
}

bool stage_package(const Package& package, const std::string& directory, Package* staged) {
  std::error_code code;
  fs::create_directories(directory, code);
  chmod(directory.c_str(), 0755);
  *staged = {directory + "/zivro.h", directory + "/libzivro_headless_main.a",
             directory + "/libzivro_headless.a"};
  const std::pair<const std::string*, const std::string*> copies[] = {
      {&package.header, &staged->header},
      {&package.runner_library, &staged->runner_library},
      {&package.library, &staged->library}};
  for (const auto& [from, to] : copies) {
    fs::copy_file(*from, *to, fs::copy_options::overwrite_existing, code);
    if (code || chmod(to->c_str(), 0644) != 0) return false;
  }
  return true;
}

Built build_program(const std::string& source, const std::string& directory, const Package& package,
                    int slot) {
  Built built;
  const fs::path root(directory);
  std::error_code code;
  fs::create_directories(root / "obj", code);
  std::string why;
  if (code || !copy_sources(source, root / "src", &why)) {
    built.summary = why.empty() ? "cannot prepare the build: " + code.message() : why;
    built.log = built.summary + "\n";
    return built;
  }
  if (!sandbox::prepare_directory(directory, slot) ||
      !sandbox::prepare_directory((root / "obj").string(), slot)) {
    built.summary = "cannot prepare the build directory";
    built.log = built.summary + "\n";
    return built;
  }
  std::vector<fs::path> sources;
  for (auto it = fs::recursive_directory_iterator(root / "src", code); !code && it != fs::end(it);
       it.increment(code)) {
    if (it->is_regular_file(code) && is_source(it->path())) {
      sources.push_back(it->path().lexically_relative(root));
    }
  }
  std::sort(sources.begin(), sources.end());
  if (sources.empty()) {
    built.summary = "no C or C++ source (.c, .cc, .cpp, .cxx)";
    built.log = built.summary + "\n";
    return built;
  }

  const std::string package_dir = fs::path(package.header).parent_path().string();
  const std::string seen = sandbox::seen_at(package_dir, kPackageInside);
  const std::string cc = compiler("CC", "cc");
  const std::string cxx = compiler("CXX", "c++");
  // One step in the sandbox, logged with what it printed; false if it failed.
  auto step = [&](const std::vector<std::string>& argv, std::string* printed,
                  std::string (*logged)(const std::string&) = nullptr) {
    sandbox::Command command;
    command.argv = argv;
    command.directory = directory;
    command.read_only = {{package_dir, kPackageInside}};
    command.limits = build_limits();
    const sandbox::Outcome outcome = sandbox::run(command, slot);
    std::string line = "$";
    for (const std::string& arg : argv) line += " " + arg;
    *printed = outcome.out + outcome.err;
    if (!outcome.started) *printed += outcome.error + "\n";
    if (outcome.timed_out) *printed += "stopped: the build took longer than 60 s of CPU time\n";
    if (outcome.output_cut) *printed += "stopped: the build printed more than 1 MB\n";
    if (outcome.signal) *printed += "stopped by signal " + std::to_string(outcome.signal) + "\n";
    built.log += line + "\n" + (logged ? logged(*printed) : *printed);
    return outcome.started && !outcome.timed_out && !outcome.output_cut && outcome.signal == 0 &&
           outcome.exit_code == 0;
  };

  std::vector<std::string> objects;
  for (size_t i = 0; i < sources.size(); ++i) {
    const std::string object = "obj/" + std::to_string(i + 1) + ".o";
    std::string printed;
    if (!step({is_c(sources[i]) ? cc : cxx, "-c", "-fdiagnostics-color=never", "-I", seen,
               sources[i].string(), "-o", object},
              &printed)) {
      built.summary = first_lines(printed, kSummaryLines);
      return built;
    }
    objects.push_back(object);
  }
  // The headless layer's main runs the program's WinMain: a main of the
  // program's own would take its place and never run the script. The
  // linker tells which object defines main (-y traces the symbol), so the
  // link itself finds it, whether or not it then succeeds.
  std::vector<std::string> link = {cxx};
  link.insert(link.end(), objects.begin(), objects.end());
  link.insert(link.end(), {seen + "/libzivro_headless_main.a", seen + "/libzivro_headless.a"});
  std::istringstream flags(ZIVRO_GRADE_LINK_FLAGS);
  for (std::string flag; flags >> flag;) link.push_back(flag);
  link.insert(link.end(), {"-Wl,-y,main", "-o", "program"});
  std::string printed;
  const bool linked = step(link, &printed, &without_main_trace);
  if (const int defining = object_defining_main(printed, objects); defining >= 0) {
    built.result = BuildResult::kDefinesMain;
    built.summary = sources[defining].lexically_relative("src").string() +
                    " defines main(); a ZIVRO program defines WinMain, which the headless "
                    "layer's main runs\n";
    return built;
  }
  if (!linked) {
    built.summary = first_lines(without_main_trace(printed), kSummaryLines);
    return built;
  }
  built.result = BuildResult::kBuilt;
  built.executable = (root / "program").string();
  return built;
}

}  // namespace grade

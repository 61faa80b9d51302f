#include "sandbox.h"

#include <fcntl.h>
#include <poll.h>
#include <sched.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <iterator>

namespace grade::sandbox {
namespace fs = std::filesystem;

namespace {

std::atomic<bool> sandboxed{true};

// Where the run's own directory is seen inside the sandbox.
constexpr const char* kInside = "/grade";

// As root, each slot runs its programs as a user of its own that owns
// nothing on the host, so that the process limit holds (root is exempt from
// it) and runs in parallel never count against each other. The numbers are
// far above any real account and differ between graders running at once.
uid_t slot_user(int slot) {
  static const uid_t base = 1000000000u + static_cast<uid_t>(getpid() % 100000) * 64u;
  return base + static_cast<uid_t>(slot);
}

bool as_root() {
  return geteuid() == 0;
}

std::string find_program(const char* name) {
  const char* path = std::getenv("PATH");
  std::string dirs = path && *path ? path : "/usr/bin:/bin";
  size_t at = 0;
  while (at <= dirs.size()) {
    const size_t end = dirs.find(':', at);
    const std::string dir =
        dirs.substr(at, end == std::string::npos ? std::string::npos : end - at);
    const std::string candidate = (dir.empty() ? "." : dir) + "/" + name;
    if (access(candidate.c_str(), X_OK) == 0) return candidate;
    if (end == std::string::npos) break;
    at = end + 1;
  }
  return {};
}

// The system, read-only: /usr and /etc, the top-level links into /usr (or
// the directories themselves on a system without merged /usr), and the
// font cache; a fresh /proc, /dev and /tmp; the run's directory writable.
std::vector<std::string> bubblewrap_arguments(const Command& command) {
  std::vector<std::string> args = {"--unshare-all",     "--unshare-user", "--disable-userns",
                                   "--die-with-parent", "--new-session",  "--clearenv",
                                   "--ro-bind",         "/usr",           "/usr",
                                   "--ro-bind",         "/etc",           "/etc"};
  for (const char* top : {"/bin", "/sbin", "/lib", "/lib32", "/lib64", "/libx32"}) {
    std::error_code code;
    const fs::file_status status = fs::symlink_status(top, code);
    if (fs::is_symlink(status)) {
      args.insert(args.end(), {"--symlink", fs::read_symlink(top, code).string(), top});
    } else if (fs::is_directory(status)) {
      args.insert(args.end(), {"--ro-bind", top, top});
    }
  }
  args.insert(args.end(),
              {"--ro-bind-try", "/var/cache/fontconfig", "/var/cache/fontconfig", "--proc", "/proc",
               "--dev", "/dev", "--tmpfs", "/tmp", "--bind", command.directory, kInside});
  for (const auto& [host, inside] : command.read_only) {
    args.insert(args.end(), {"--ro-bind", host, inside});
  }
  args.insert(args.end(), {"--remount-ro", "/", "--chdir", kInside, "--setenv", "HOME", kInside,
                           "--setenv", "PATH", "/usr/bin:/bin", "--setenv", "TMPDIR", "/tmp",
                           "--setenv", "LC_ALL", "C", "--"});
  return args;
}

struct Pipe {
  int read = -1;
  int write = -1;
};

bool make_pipe(Pipe* pipe) {
  int ends[2];
  if (pipe2(ends, O_CLOEXEC) != 0) return false;
  pipe->read = ends[0];
  pipe->write = ends[1];
  return true;
}

void close_fd(int* fd) {
  if (*fd >= 0) close(*fd);
  *fd = -1;
}

double now_seconds() {
  using clock = std::chrono::steady_clock;
  return std::chrono::duration<double>(clock::now().time_since_epoch()).count();
}

struct Limit {
  int resource;
  rlim_t soft, hard;
};

// What the child needs, made ready by the grader before it starts.
struct Child {
  char** argv;
  char** envp;
  const char* directory;
  int input, output, errors;
  bool set_limits;
  const Limit* limits;
  size_t limit_count;
  bool drop;
  uid_t user;
  sigset_t mask;  // the grader's, restored for the program
};

// The child, in the grader's memory until execve: system calls only (no
// allocation, no lock, nothing of glibc's that other threads may hold or
// that would signal the grader's threads, as glibc's setuid does).
int start_child(void* data) {
  const Child& child = *static_cast<const Child*>(data);
  setpgid(0, 0);
  dup2(child.input, 0);
  dup2(child.output, 1);
  dup2(child.errors, 2);
  // Whatever else the grader has open (another worker's files, the
  // report's) is not the run's to see: bubblewrap would pass it on.
  close_range(3, ~0u, 0);
  if (chdir(child.directory) != 0) _exit(126);
  if (child.set_limits) {
    for (size_t i = 0; i < child.limit_count; ++i) {
      const rlimit value{child.limits[i].soft, child.limits[i].hard};
      syscall(SYS_prlimit64, 0, child.limits[i].resource, &value, nullptr);
    }
  }
  if (child.drop &&
      (syscall(SYS_setgroups, 0, nullptr) != 0 || syscall(SYS_setgid, child.user) != 0 ||
       syscall(SYS_setuid, child.user) != 0)) {
    _exit(126);
  }
  syscall(SYS_rt_sigprocmask, SIG_SETMASK, &child.mask, nullptr, _NSIG / 8);
  execve(child.argv[0], child.argv, child.envp);
  const char said[] = "cannot run ";
  if (write(2, said, sizeof said - 1) >= 0 &&
      write(2, child.argv[0], std::strlen(child.argv[0])) >= 0) {
    [[maybe_unused]] const ssize_t ended = write(2, "\n", 1);
  }
  _exit(127);
}

}  // namespace

void set_enabled(bool enabled) {
  sandboxed = enabled;
}
bool enabled() {
  return sandboxed;
}

std::string seen_at(const std::string& host, const std::string& inside) {
  return sandboxed ? inside : host;
}

bool prepare_directory(const std::string& directory, int slot) {
  if (!as_root()) return true;
  const uid_t user = slot_user(slot);
  return chown(directory.c_str(), user, user) == 0 && chmod(directory.c_str(), 0755) == 0;
}

bool check_available(const std::string& scratch, std::string* why) {
  std::error_code code;
  fs::create_directories(scratch, code);
  if (code || !prepare_directory(scratch, 0)) {
    *why = "cannot make " + scratch;
    return false;
  }
  Command command;
  command.argv = {"/usr/bin/true"};
  command.directory = scratch;
  command.limits.cpu_seconds = 10;
  const Outcome outcome = run(command, 0);
  if (outcome.started && outcome.exit_code == 0) return true;
  std::string said = outcome.started ? outcome.err : outcome.error;
  if (const size_t end = said.find('\n'); end != std::string::npos) said.resize(end);
  *why = said.empty() ? "exit status " + std::to_string(outcome.exit_code) : said;
  return false;
}

Outcome run(const Command& command, int slot) {
  Outcome outcome;
  const Limits& limits = command.limits;
  std::vector<std::string> args;
  if (sandboxed) {
    static const std::string bubblewrap = find_program("bwrap");
    if (bubblewrap.empty()) {
      outcome.error = "bwrap: not found (install bubblewrap)";
      return outcome;
    }
    args.push_back(bubblewrap);
    const std::vector<std::string> more = bubblewrap_arguments(command);
    args.insert(args.end(), more.begin(), more.end());
    // The limits are set inside the sandbox, in its own user namespace, so
    // that the process limit counts the run's processes alone.
    args.insert(args.end(),
                {"/usr/bin/prlimit",
                 "--cpu=" + std::to_string(limits.cpu_seconds) + ":" +
                     std::to_string(limits.cpu_seconds + 1),
                 "--as=" + std::to_string(limits.memory_mb << 20),
                 "--fsize=" + std::to_string(limits.file_mb << 20),
                 "--nproc=" + std::to_string(limits.processes), "--core=0", "--nofile=256", "--"});
  }
  args.insert(args.end(), command.argv.begin(), command.argv.end());
  std::vector<char*> argv;
  for (std::string& arg : args) argv.push_back(arg.data());
  argv.push_back(nullptr);
  std::string home = "HOME=" + command.directory;
  char path_entry[] = "PATH=/usr/bin:/bin";
  char locale_entry[] = "LC_ALL=C";
  char* envp[] = {home.data(), path_entry, locale_entry, nullptr};
  const bool drop = as_root();
  const uid_t user = slot_user(slot);
  const Limit plain_limits[] = {
      {RLIMIT_CPU, rlim_t(limits.cpu_seconds), rlim_t(limits.cpu_seconds + 1)},
      {RLIMIT_AS, rlim_t(limits.memory_mb) << 20, rlim_t(limits.memory_mb) << 20},
      {RLIMIT_FSIZE, rlim_t(limits.file_mb) << 20, rlim_t(limits.file_mb) << 20},
      {RLIMIT_NPROC, rlim_t(limits.processes), rlim_t(limits.processes)},
      {RLIMIT_CORE, 0, 0},
      {RLIMIT_NOFILE, 256, 256}};

  Pipe out, err;
  const int nothing = open("/dev/null", O_RDONLY | O_CLOEXEC);
  if (nothing < 0 || !make_pipe(&out) || !make_pipe(&err)) {
    outcome.error = std::string("cannot make pipes: ") + std::strerror(errno);
    close_fd(&out.read), close_fd(&out.write), close_fd(&err.read), close_fd(&err.write);
    if (nothing >= 0) close(nothing);
    return outcome;
  }
  Child start{argv.data(), envp,         command.directory.c_str(), nothing, out.write, err.write,
              !sandboxed,  plain_limits, std::size(plain_limits),   drop,    user,      {}};
  // The child shares the grader's memory until it runs the program, and
  // this thread waits for it meanwhile: nothing is copied, however big the
  // grader is, and the child's stack can be a buffer of this one. Signals
  // stay blocked until the program runs.
  sigset_t all;
  sigfillset(&all);
  pthread_sigmask(SIG_SETMASK, &all, &start.mask);
  alignas(16) char stack[64 << 10];
  const pid_t child =
      clone(start_child, stack + sizeof stack, CLONE_VM | CLONE_VFORK | SIGCHLD, &start);
  const int clone_error = errno;
  pthread_sigmask(SIG_SETMASK, &start.mask, nullptr);
  errno = clone_error;
  if (child > 0) setpgid(child, child);  // the child did it already; this is only a backstop
  close(nothing);
  close_fd(&out.write);
  close_fd(&err.write);
  if (child < 0) {
    outcome.error = std::string("cannot start a process: ") + std::strerror(errno);
    close_fd(&out.read), close_fd(&err.read);
    return outcome;
  }

  const double wall = 2.0 * static_cast<double>(limits.cpu_seconds) + 1.0;
  const double started = now_seconds();
  double give_up = started + wall;
  bool killed = false;
  auto stop = [&] {
    if (killed) return;
    killed = true;
    kill(-child, SIGKILL);
    kill(child, SIGKILL);
    // What is left in the pipes is read for a moment more, not waited on.
    give_up = now_seconds() + 1.0;
  };
  size_t kept = 0;
  while (out.read >= 0 || err.read >= 0) {
    const double left = give_up - now_seconds();
    if (left <= 0) {
      if (killed) break;
      outcome.timed_out = true;
      stop();
      continue;
    }
    pollfd polled[2] = {{out.read, POLLIN, 0}, {err.read, POLLIN, 0}};
    const int ready = poll(polled, 2, static_cast<int>(left * 1000) + 1);
    if (ready < 0 && errno != EINTR) break;
    for (int i = 0; i < 2; ++i) {
      if (!(polled[i].revents & (POLLIN | POLLHUP | POLLERR))) continue;
      int& fd = i == 0 ? out.read : err.read;
      char buffer[65536];
      const ssize_t got = read(fd, buffer, sizeof buffer);
      if (got <= 0) {
        close_fd(&fd);
        continue;
      }
      std::string& text = i == 0 ? outcome.out : outcome.err;
      const size_t room = static_cast<size_t>(limits.output_bytes) - kept;
      const size_t taken = std::min(room, static_cast<size_t>(got));
      text.append(buffer, taken);
      kept += taken;
      if (taken < static_cast<size_t>(got) && !killed) {
        outcome.output_cut = true;
        stop();
      }
    }
  }
  close_fd(&out.read);
  close_fd(&err.read);
  int status = 0;
  rusage usage{};
  while (wait4(child, &status, 0, &usage) < 0 && errno == EINTR) {
  }
  outcome.started = true;
  const double cpu = static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
                     static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
  if (WIFEXITED(status)) {
    outcome.exit_code = WEXITSTATUS(status);
    // bubblewrap ends with 128 and the signal's number when one ended the run.
    if (sandboxed && outcome.exit_code > 128 && outcome.exit_code <= 128 + 64) {
      outcome.signal = outcome.exit_code - 128;
    }
    if (sandboxed && outcome.exit_code == 1 && outcome.err.rfind("bwrap: ", 0) == 0) {
      outcome.started = false;
      outcome.error = outcome.err.substr(0, outcome.err.find('\n'));
    }
  } else if (WIFSIGNALED(status)) {
    outcome.signal = WTERMSIG(status);
  }
  if (!killed && (outcome.signal == SIGXCPU ||
                  (outcome.signal == SIGKILL && cpu >= static_cast<double>(limits.cpu_seconds)))) {
    outcome.timed_out = true;
  }
  if (killed) outcome.signal = 0;  // the grader's own kill, told by timed_out or output_cut
  return outcome;
}

}  // namespace grade::sandbox

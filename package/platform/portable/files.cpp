// Files on POSIX systems, for the portable layers: opening the script file,
// and the runners' log files.
#include "platform/portable/files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>

#include "platform/platform.h"

namespace platform {

std::FILE* open_regular_file(const char* path, bool for_writing) {
  // Without O_NONBLOCK, opening a FIFO waits for its other end; with it the
  // open returns at once, and fstat tells what was opened.
  const int flags = for_writing ? O_WRONLY | O_CREAT | O_NONBLOCK : O_RDONLY | O_NONBLOCK;
  const int descriptor = ::open(path, flags | O_CLOEXEC, 0666);
  if (descriptor < 0) return nullptr;
  struct stat status {};
  if (::fstat(descriptor, &status) != 0 || !S_ISREG(status.st_mode)) {
    ::close(descriptor);
    return nullptr;
  }
  // Emptied only now that it is known to be a regular file.
  if ((for_writing && ::ftruncate(descriptor, 0) != 0) ||
      ::fcntl(descriptor, F_SETFL, flags & ~(O_NONBLOCK | O_CREAT)) != 0) {
    ::close(descriptor);
    return nullptr;
  }
  std::FILE* file = ::fdopen(descriptor, for_writing ? "wb" : "rb");
  if (!file) ::close(descriptor);
  return file;
}

}  // namespace platform

namespace portable {

bool write_log_line(std::FILE* file, const char* text) {
  if (!text) text = "";
  const size_t length = std::strlen(text);
  bool ok = std::fwrite(text, 1, length, file) == length;
  if (length == 0 || text[length - 1] != '\n') ok = ok && std::fputc('\n', file) != EOF;
  return std::fflush(file) == 0 && ok;
}

}  // namespace portable

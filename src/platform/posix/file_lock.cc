#include "platform/file_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <thread>

#include "platform/interrupt.h"
#include "platform/posix/regular_file.h"

namespace vornel {
namespace {

// How often a waiting process asks again, and notices an interrupt.
constexpr auto kStep = std::chrono::milliseconds(100);

}  // namespace

FileLock::~FileLock() {
  if (fd_ >= 0) close(fd_);
}

FileLock::Taken FileLock::take(const std::string& path, unsigned wait_ms, std::string* error) {
  if (fd_ >= 0) return Taken::kYes;
  // O_NONBLOCK: a FIFO under the name must not hold the run.
  int fd = open(path.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, 0600);
  if (fd < 0) {
    *error = errno == ELOOP ? "it is a link" : std::strerror(errno);
    return Taken::kNo;
  }
  if (const char* why = regular_file_refusal(fd)) {
    *error = why;
    close(fd);
    return Taken::kNo;
  }
  auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(wait_ms);
  while (flock(fd, LOCK_EX | LOCK_NB) != 0) {
    if (errno != EWOULDBLOCK && errno != EINTR) {
      *error = std::strerror(errno);
      close(fd);
      return Taken::kNo;
    }
    Taken stop = pending_interrupt() != 0                       ? Taken::kInterrupted
                 : std::chrono::steady_clock::now() >= deadline ? Taken::kBusy
                                                                : Taken::kYes;
    if (stop != Taken::kYes) {
      close(fd);
      return stop;
    }
    std::this_thread::sleep_for(kStep);
  }
  fd_ = fd;
  return Taken::kYes;
}

}  // namespace vornel

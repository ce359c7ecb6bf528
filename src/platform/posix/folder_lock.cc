#include "platform/folder_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <thread>

#include "platform/interrupt.h"

namespace vornel {
namespace {

// How often a waiting process asks again, and notices an interrupt.
constexpr auto kStep = std::chrono::milliseconds(100);

}  // namespace

FolderLock::~FolderLock() {
  if (fd_ >= 0) close(fd_);
}

FolderLock::Taken FolderLock::take(const std::string& folder, unsigned wait_ms,
                                   std::string* error) {
  if (fd_ >= 0) return Taken::kYes;
  int fd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) {
    *error = std::strerror(errno);
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

#ifndef VORNEL_PLATFORM_FILE_LOCK_H_
#define VORNEL_PLATFORM_FILE_LOCK_H_

#include <string>

namespace vornel {

// An exclusive lock among the processes that take it on the same lock file:
// one at a time holds it, the others wait. On Linux it is flock() on the
// file, open for writing (so that it holds on NFS too), so the lock goes
// with the FileLock or with its process, however that ends. Windows takes
// no such lock (the fleet keeps its archive on Linux): there take() says so.
class FileLock {
 public:
  FileLock() = default;
  ~FileLock();

  FileLock(const FileLock&) = delete;
  FileLock& operator=(const FileLock&) = delete;

  enum class Taken {
    kYes,
    kBusy,         // another process held it for the whole wait
    kInterrupted,  // a signal noted by the interrupt handlers ended the wait
    kNo,           // the file can't be made, opened or locked; *error says why
  };

  // Takes the lock on path, a regular file made (private) when missing and
  // never followed when it is a link, waiting up to wait_ms while another
  // process holds it.
  Taken take(const std::string& path, unsigned wait_ms, std::string* error);

 private:
  int fd_ = -1;  // the lock file, open, while the lock is held
};

}  // namespace vornel

#endif  // VORNEL_PLATFORM_FILE_LOCK_H_

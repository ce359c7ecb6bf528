#ifndef VORNEL_PLATFORM_FOLDER_LOCK_H_
#define VORNEL_PLATFORM_FOLDER_LOCK_H_

#include <string>

namespace vornel {

// An exclusive lock on a folder among the processes that take it this way:
// one at a time holds it, the others wait. Nothing is made in the folder:
// on Linux it is flock() on the folder itself, so the lock goes with the
// FolderLock or with its process, however that ends. Windows takes no such
// lock (the fleet keeps its archive on Linux): there take() says so.
class FolderLock {
 public:
  FolderLock() = default;
  ~FolderLock();

  FolderLock(const FolderLock&) = delete;
  FolderLock& operator=(const FolderLock&) = delete;

  enum class Taken {
    kYes,
    kBusy,         // another process held it for the whole wait
    kInterrupted,  // a signal noted by the interrupt handlers ended the wait
    kNo,           // the folder can't be opened or locked; *error says why
  };

  // Takes the lock on folder (a link to a folder is followed), waiting up to
  // wait_ms while another process holds it.
  Taken take(const std::string& folder, unsigned wait_ms, std::string* error);

 private:
  int fd_ = -1;  // the folder, open, while the lock is held
};

}  // namespace vornel

#endif  // VORNEL_PLATFORM_FOLDER_LOCK_H_

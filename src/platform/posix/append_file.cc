#include "platform/append_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "platform/posix/regular_file.h"
#include "platform/posix/trusted_path.h"

namespace vornel {
namespace {

constexpr char kForeignFile[] =
    "it belongs to another user (only a log of your own or root's is written)";
constexpr char kOtherNames[] = "it has other names, hard links (only a log of one name is written)";

// Why the open log is no file to append to, or nullptr. Another user's log
// would take in everything this run writes, root's run included, and may be
// swapped or read by them at any time; a hard link would write through to a
// file under another name, one its owner never meant as a log.
const char* log_refusal(int fd) {
  if (const char* why = regular_file_refusal(fd)) return why;
  struct stat info;
  if (fstat(fd, &info) != 0) return std::strerror(errno);
  if (!trusted_owner(info.st_uid)) return kForeignFile;
  if (info.st_nlink > 1) return kOtherNames;
  return nullptr;
}

}  // namespace

FileHandle open_append_stream(const char* path, std::string* error) {
  // O_NONBLOCK: a FIFO under the name must not hold the start of the run.
  int fd = open_by_trusted_links(path, O_RDWR | O_APPEND | O_CREAT | O_NONBLOCK | O_CLOEXEC, 0666,
                                 error);
  if (fd < 0) return FileHandle();
  // A directory never opens for writing; anything else that is no file to
  // append to is refused here, where the operator can be told.
  if (const char* why = log_refusal(fd)) {
    *error = why;
    close(fd);
    return FileHandle();
  }
  FileHandle file(fdopen(fd, "a+"));
  if (!file) {
    *error = std::strerror(errno);
    close(fd);
  }
  return file;
}

}  // namespace vornel

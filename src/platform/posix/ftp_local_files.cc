#include "platform/ftp_local_files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace vornel {

FileHandle open_for_rewrite(const char* path) {
  int fd = open(path, O_WRONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return FileHandle();
  struct stat info;
  if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode) || ftruncate(fd, 0) != 0) {
    close(fd);
    return FileHandle();
  }
  FileHandle file(fdopen(fd, "wb"));
  if (!file) close(fd);
  return file;
}

bool empty_file(std::FILE* file) { return ftruncate(fileno(file), 0) == 0; }

bool regular_file_size(std::FILE* file, std::int64_t* size) {
  struct stat info;
  if (fstat(fileno(file), &info) != 0 || !S_ISREG(info.st_mode)) return false;
  *size = static_cast<std::int64_t>(info.st_size);
  return true;
}

}  // namespace vornel

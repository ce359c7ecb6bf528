#include "platform/local_files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/posix/regular_file.h"

namespace vornel {
namespace {

constexpr mode_t kReadableByOthers = S_IRGRP | S_IROTH;

class PosixLocalFiles : public LocalFiles {
 public:
  // O_NONBLOCK: opening a FIFO (or a link to one) would otherwise wait for a
  // writer for ever; a device file could act on the open itself. Only a
  // regular file is kept, and it is read blocking as usual.
  FileHandle open_for_reading(const char* name) override {
    int fd = open(name, O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return FileHandle();
    if (regular_file_refusal(fd) != nullptr) {
      close(fd);
      return FileHandle();
    }
    FileHandle file(fdopen(fd, "r"));
    if (!file) close(fd);
    return file;
  }

  // lstat, not stat: a dangling link still holds the name.
  bool name_taken(const char* name) override {
    struct stat info;
    return lstat(name, &info) == 0;
  }

  bool shared_with_others(std::FILE* file) override {
    struct stat info;
    return fstat(fileno(file), &info) == 0 && (info.st_mode & kReadableByOthers) != 0;
  }
};

}  // namespace

LocalFiles& working_directory_files() {
  static PosixLocalFiles files;
  return files;
}

}  // namespace vornel

#include "platform/local_files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/posix/regular_file.h"
#include "platform/posix/trusted_path.h"

namespace vornel {
namespace {

constexpr mode_t kReadableByOthers = S_IRGRP | S_IROTH;

void tell(std::string* notice, const std::string& text) {
  if (notice != nullptr) *notice = text;
}

// A file that another user may change at any time is no order for root: an
// INI file or a list of theirs would make root's run send what they chose.
// Any other run reads it (it could anyway), once the operator was told.
bool owner_refused(int fd, const char* name, std::string* notice) {
  struct stat info;
  if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode) || trusted_owner(info.st_uid)) return false;
  const std::string owner = " (uid " + std::to_string(info.st_uid) + ")";
  if (geteuid() == 0) {
    tell(notice, std::string(name) + " is not read: it belongs to another user" + owner +
                     ", and a run as root reads only root's files (once you trust it: chown root " +
                     name + ")");
    return true;
  }
  tell(notice, std::string(name) + " belongs to another user" + owner +
                   ", who may change it; it is read all the same (a run as root would refuse it)");
  return false;
}

// Root holds no capability once the run started, so another user's file
// that only its owner may read does not even open: the operator is told
// the same as for one that opened, not left to guess.
void explain_unopened(const char* name, std::string* notice) {
  if (geteuid() != 0) return;
  std::string error;
  int fd = open_by_trusted_links(name, O_PATH | O_CLOEXEC, 0, &error);
  if (fd < 0) return;
  owner_refused(fd, name, notice);
  close(fd);
}

class WorkingDirectoryFiles : public LocalFiles {
 public:
  // O_NONBLOCK: opening a FIFO (or a link to one) would otherwise wait for a
  // writer for ever; a device file could act on the open itself. Only a
  // regular file is kept, and it is read blocking as usual.
  FileHandle open_for_reading(const char* name, std::string* notice) override {
    if (notice != nullptr) notice->clear();
    std::string error;
    bool foreign_link = false;
    int fd =
        open_by_trusted_links(name, O_RDONLY | O_NONBLOCK | O_CLOEXEC, 0, &error, &foreign_link);
    if (fd < 0) {
      if (foreign_link) {
        tell(notice, std::string(name) + " is not read: " + error);
      } else {
        explain_unopened(name, notice);
      }
      return FileHandle();
    }
    if (regular_file_refusal(fd) != nullptr || owner_refused(fd, name, notice)) {
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
  static WorkingDirectoryFiles files;
  return files;
}

}  // namespace vornel

#include <sys/stat.h>

#include "platform/local_files.h"

namespace vornel {
namespace {

class PosixLocalFiles : public LocalFiles {
 public:
  FileHandle open_for_reading(const char* name) override { return open_file(name, "r"); }

  // lstat, not stat: a dangling link still holds the name.
  bool name_taken(const char* name) override {
    struct stat info;
    return lstat(name, &info) == 0;
  }
};

}  // namespace

LocalFiles& working_directory_files() {
  static PosixLocalFiles files;
  return files;
}

}  // namespace vornel

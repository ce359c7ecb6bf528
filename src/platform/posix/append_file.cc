#include "platform/append_file.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstring>

namespace vornel {

FileHandle open_append_stream(const char* path, std::string* error) {
  FileHandle file(std::fopen(path, "a+"));
  if (!file) {
    *error = std::strerror(errno);
    return file;
  }
  // fopen() of a directory for appending may succeed on some systems and only
  // fail at the first write; refuse it here, where the operator can be told.
  struct stat info;
  if (fstat(fileno(file.get()), &info) == 0 && !S_ISREG(info.st_mode)) {
    *error = "not a regular file";
    return FileHandle();
  }
  return file;
}

}  // namespace vornel

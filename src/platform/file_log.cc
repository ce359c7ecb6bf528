#include "platform/file_log.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstring>

namespace vornel {

std::unique_ptr<FileLog> FileLog::open(const char* path, std::string* error) {
  std::FILE* file = std::fopen(path, "a+");
  if (file == nullptr) {
    *error = std::strerror(errno);
    return nullptr;
  }
  // fopen() of a directory for appending may succeed on some systems and only
  // fail at the first write; refuse it here, where the operator can be told.
  struct stat info;
  if (fstat(fileno(file), &info) == 0 && !S_ISREG(info.st_mode)) {
    std::fclose(file);
    *error = "not a regular file";
    return nullptr;
  }
  return std::unique_ptr<FileLog>(new FileLog(file));
}

bool FileLog::write(std::string_view text, std::string* reason) {
  errno = 0;
  if (std::fwrite(text.data(), 1, text.size(), file_.get()) == text.size()) return true;
  *reason = std::strerror(errno != 0 ? errno : EIO);
  return false;
}

bool FileLog::flush(std::string* reason) {
  errno = 0;
  if (std::fflush(file_.get()) == 0) return true;
  *reason = std::strerror(errno != 0 ? errno : EIO);
  return false;
}

}  // namespace vornel

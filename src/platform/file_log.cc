#include "platform/file_log.h"

#include <cerrno>
#include <cstring>

#include "platform/append_file.h"
#include "platform/line_end.h"

namespace vornel {

std::unique_ptr<FileLog> FileLog::open(const char* path, std::string* error) {
  FileHandle file = open_append_stream(path, error);
  if (!file) return nullptr;
  return std::unique_ptr<FileLog>(new FileLog(file.release()));
}

bool FileLog::write(std::string_view text, std::string* reason) {
  const std::string lines = with_native_line_ends(text);
  errno = 0;
  if (std::fwrite(lines.data(), 1, lines.size(), file_.get()) == lines.size()) return true;
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

#include "platform/file_log.h"

#include "platform/append_file.h"
#include "platform/line_end.h"

namespace vornel {

std::unique_ptr<FileLog> FileLog::open(const char* path, std::string* error) {
  FileHandle file = open_append_stream(path, error);
  if (!file) return nullptr;
  return std::unique_ptr<FileLog>(new FileLog(file.release()));
}

void FileLog::write(std::string_view text) {
  const std::string lines = with_native_line_ends(text);
  std::fwrite(lines.data(), 1, lines.size(), file_.get());
}

void FileLog::flush() { std::fflush(file_.get()); }

}  // namespace vornel

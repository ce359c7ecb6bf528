#ifndef VORNEL_PLATFORM_FILE_LOG_H_
#define VORNEL_PLATFORM_FILE_LOG_H_

#include <cstdio>
#include <memory>
#include <string>

#include "base/file_handle.h"
#include "platform/log_sink.h"

namespace vornel {

// The session log on a stdio stream opened for true appending
// (open_append_stream): created when missing, every write going to the end of
// what earlier runs, or another run at the same time, left. Each '\n' is
// written as native_line_end(). The stream is buffered; text not yet flushed
// is written out when the object is destroyed or, since it is a stdio
// stream, at any normal process exit.
class FileLog : public LogSink {
 public:
  // Returns nullptr, with a reason in *error, when the file can't be opened.
  static std::unique_ptr<FileLog> open(const char* path, std::string* error);

  bool write(std::string_view text, std::string* reason) override;
  bool flush(std::string* reason) override;

 private:
  explicit FileLog(std::FILE* file) : file_(file) {}

  FileHandle file_;
};

}  // namespace vornel

#endif  // VORNEL_PLATFORM_FILE_LOG_H_

#ifndef VORNEL_PLATFORM_LOG_SINK_H_
#define VORNEL_PLATFORM_LOG_SINK_H_

#include <string>
#include <string_view>

namespace vornel {

// The stream of "log.txt". Writes are buffered; flush() pushes them to the file.
// Each returns false when the text did not reach the file (a full disk), with
// the system's reason in *reason. The log never stops a pass: what the
// operator is told about it is the caller's to decide.
class LogSink {
 public:
  virtual ~LogSink() = default;
  virtual bool write(std::string_view text, std::string* reason) = 0;
  virtual bool flush(std::string* reason) = 0;
};

}  // namespace vornel

#endif  // VORNEL_PLATFORM_LOG_SINK_H_

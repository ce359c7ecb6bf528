#ifndef VORNEL_PLATFORM_LOG_SINK_H_
#define VORNEL_PLATFORM_LOG_SINK_H_

#include <string_view>

namespace vornel {

// The stream of "log.txt". Writes are buffered; flush() pushes them to the file.
// Failures to write are not reported: the log never stops a pass.
class LogSink {
 public:
  virtual ~LogSink() = default;
  virtual void write(std::string_view text) = 0;
  virtual void flush() = 0;
};

}  // namespace vornel

#endif  // VORNEL_PLATFORM_LOG_SINK_H_

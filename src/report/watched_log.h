#ifndef VORNEL_REPORT_WATCHED_LOG_H_
#define VORNEL_REPORT_WATCHED_LOG_H_

#include <string>
#include <string_view>

#include "platform/console.h"
#include "platform/log_sink.h"

namespace vornel {

// The session log as the passes see it. The first write or flush that does
// not reach the file (a full disk) is said once on standard error, with the
// system's reason; the console text stays exactly what it is and the pass
// goes on. Later failures are quiet, and every write is still tried, so the
// log goes on appending once the file takes text again. Nothing is owned.
class WatchedLog : public LogSink {
 public:
  WatchedLog(LogSink* file, const char* name, Console* console)
      : file_(file), name_(name), console_(console) {}

  bool write(std::string_view text, std::string* reason) override;
  bool flush(std::string* reason) override;

 private:
  bool noted(bool ok, const std::string& reason);

  LogSink* file_;
  const char* name_;
  Console* console_;
  bool failure_said_ = false;
};

}  // namespace vornel

#endif  // VORNEL_REPORT_WATCHED_LOG_H_

#include "report/watched_log.h"

namespace vornel {

bool WatchedLog::write(std::string_view text, std::string* reason) {
  return noted(file_->write(text, reason), *reason);
}

bool WatchedLog::flush(std::string* reason) { return noted(file_->flush(reason), *reason); }

bool WatchedLog::noted(bool ok, const std::string& reason) {
  if (ok || failure_said_) return ok;
  failure_said_ = true;
  console_->error(std::string("vornel: cannot write ") + name_ + ": " + reason +
                  "; the log is incomplete from here on\n");
  return ok;
}

}  // namespace vornel

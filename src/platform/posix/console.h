#ifndef VORNEL_PLATFORM_POSIX_CONSOLE_H_
#define VORNEL_PLATFORM_POSIX_CONSOLE_H_

#include <cstddef>
#include <string>

#include "base/line_buffer.h"
#include "platform/console.h"
#include "platform/progress.h"

namespace vornel {

// The console on file descriptors 0, 1 and 2, unbuffered on the output side.
// Every write first takes down the live line, so the line never mixes with
// the dialogue's text. The line is not owned.
class SystemConsole : public Console {
 public:
  explicit SystemConsole(Progress* live_line = no_progress()) : live_line_(live_line) {}

  bool read_line(std::string* line) override;
  void write(std::string_view text) override;
  void error(std::string_view text) override;

 private:
  // Reads what fd 0 has into `into`; false at end of input or on a read error.
  bool fill(char* into, std::size_t room, std::size_t* got);

  Progress* live_line_;
  LineBuffer input_;
  bool ended_ = false;
};

// Writes all of text to fd, retrying after interruptions. Errors (a closed
// pipe, a full disk) are dropped: console output never stops the utility.
void write_all(int fd, std::string_view text);

}  // namespace vornel

#endif  // VORNEL_PLATFORM_POSIX_CONSOLE_H_

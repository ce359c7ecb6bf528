#ifndef VORNEL_PLATFORM_WINDOWS_CONSOLE_H_
#define VORNEL_PLATFORM_WINDOWS_CONSOLE_H_

#include <cstddef>
#include <string>
#include <string_view>

#include "base/line_buffer.h"
#include "platform/console.h"
#include "platform/progress.h"

namespace vornel {

// The console on the process's standard handles, read and written with
// ReadFile and WriteFile: bytes as they are, no C runtime text mode in
// between. Output lines end with CR LF; input lines may end with LF or CR LF.
// On a real console a line that starts with Ctrl-Z ends the input, as it does
// for every Windows console program. Every write first takes down the live
// line. The line is not owned.
class SystemConsole : public Console {
 public:
  explicit SystemConsole(Progress* live_line = no_progress());
  ~SystemConsole() override;
  SystemConsole(const SystemConsole&) = delete;
  SystemConsole& operator=(const SystemConsole&) = delete;

  bool read_line(std::string* line) override;
  void write(std::string_view text) override;
  void error(std::string_view text) override;

 private:
  // Reads what standard input has into `into`; false at end of input or on a
  // read error.
  bool fill(char* into, std::size_t room, std::size_t* got);
  // One ReadFile of standard input into `into`, ended early by an interrupt.
  bool read_input(char* into, std::size_t room, unsigned long* size);

  class PipeReader;

  Progress* live_line_;
  void* input_;
  void* output_;
  void* error_output_;
  bool input_is_console_;
  // Reads a pipe on a thread of its own: a wait can always be cut short by
  // an interrupt, a read from a pipe not everywhere (under wine a SIGINT
  // reaches the control handler but leaves the read blocked).
  PipeReader* pipe_reader_ = nullptr;
  LineBuffer input_buffer_;
  bool ended_ = false;
};

// True when the handle is a real console (GetConsoleMode succeeds); a file,
// a pipe or the NUL device is not, although the C runtime's _isatty says
// yes for NUL.
bool is_real_console(void* handle);

// Writes all of text to the handle as it is. Errors (a closed pipe, a full
// disk) are dropped: console output never stops the utility.
void write_all(void* handle, std::string_view text);

}  // namespace vornel

#endif  // VORNEL_PLATFORM_WINDOWS_CONSOLE_H_

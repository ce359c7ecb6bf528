#include "platform/windows/windows_console.h"

#include <windows.h>

#include <algorithm>
#include <cstring>

#include "platform/interrupt.h"
#include "platform/line_end.h"
#include "platform/windows/interrupt_wait.h"

namespace vornel {
namespace {

// Ctrl-C at a console ends the pending read at once, while the control
// handler that records it runs on a thread of its own: this long is given
// for it to arrive before the read counts as the end of input.
constexpr unsigned kControlHandlerGraceMs = 500;

constexpr char kEndOfInput = '\x1a';  // Ctrl-Z

}  // namespace

bool is_real_console(void* handle) {
  DWORD mode = 0;
  return handle != nullptr && handle != INVALID_HANDLE_VALUE && GetConsoleMode(handle, &mode);
}

void write_all(void* handle, std::string_view text) {
  while (!text.empty()) {
    DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(text.size(), 1u << 20));
    DWORD written = 0;
    if (!WriteFile(handle, text.data(), chunk, &written, nullptr) || written == 0) return;
    text.remove_prefix(written);
  }
}

WindowsConsole::WindowsConsole(Progress* live_line)
    : live_line_(live_line),
      input_(GetStdHandle(STD_INPUT_HANDLE)),
      output_(GetStdHandle(STD_OUTPUT_HANDLE)),
      error_output_(GetStdHandle(STD_ERROR_HANDLE)),
      input_is_console_(is_real_console(input_)) {}

bool WindowsConsole::fill() {
  if (ended_) return false;
  for (;;) {
    exit_if_interrupted();
    DWORD n = 0;
    BOOL ok = ReadFile(input_, buffer_, sizeof buffer_, &n, nullptr);
    if (ok && n > 0) {
      begin_ = 0;
      end_ = n;
      return true;
    }
    DWORD error = ok ? ERROR_SUCCESS : GetLastError();
    if (wait_for_interrupt(input_is_console_ ? kControlHandlerGraceMs : 0)) exit_if_interrupted();
    // Cancelled by the control handler for an event that did not end the run.
    if (error == ERROR_OPERATION_ABORTED) continue;
    ended_ = true;
    return false;
  }
}

bool WindowsConsole::read_line(std::string* line) {
  line->clear();
  bool any = false;
  for (;;) {
    if (begin_ == end_ && !fill()) break;
    any = true;
    const char* start = buffer_ + begin_;
    const void* newline = std::memchr(start, '\n', end_ - begin_);
    std::size_t n = newline ? static_cast<const char*>(newline) - start : end_ - begin_;
    if (line->size() < kMaxLine) line->append(start, std::min(n, kMaxLine - line->size()));
    begin_ += n;
    if (newline) {
      ++begin_;
      break;
    }
  }
  if (!any) return false;
  if (input_is_console_ && !line->empty() && (*line)[0] == kEndOfInput) {
    ended_ = true;
    begin_ = end_;
    line->clear();
    return false;
  }
  if (!line->empty() && line->back() == '\r') line->pop_back();
  return true;
}

void WindowsConsole::write(std::string_view text) {
  live_line_->clear();
  write_all(output_, with_native_line_ends(text));
}

void WindowsConsole::error(std::string_view text) {
  live_line_->clear();
  write_all(error_output_, with_native_line_ends(text));
}

}  // namespace vornel

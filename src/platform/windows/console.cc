#include "platform/windows/console.h"

#include <windows.h>

#include <algorithm>
#include <atomic>
#include <cstring>

#include "platform/interrupt.h"
#include "platform/line_end.h"
#include "platform/windows/interrupt_wait.h"

namespace vornel {
namespace {

// Ctrl-C at a console ends the pending read at once, while the control
// handler that records it runs on a thread of its own: this long is given
// for it to arrive before the read counts as the end of input.
constexpr unsigned kControlHandlerGraceMs = 300;

constexpr char kEndOfInput = '\x1a';  // Ctrl-Z

}  // namespace

// The reading thread and what it shares with the console. Each request
// (wanted_) gets exactly one ReadFile and one answer (done_); the console
// touches the shared fields only while no read is under way. The thread owns
// the object once the console has gone, since a read may still be blocked.
class SystemConsole::PipeReader {
 public:
  explicit PipeReader(HANDLE input)
      : input_(input),
        wanted_(CreateEventW(nullptr, FALSE, FALSE, nullptr)),
        done_(CreateEventW(nullptr, FALSE, FALSE, nullptr)) {}
  ~PipeReader() {
    if (wanted_ != nullptr) CloseHandle(wanted_);
    if (done_ != nullptr) CloseHandle(done_);
  }
  PipeReader(const PipeReader&) = delete;
  PipeReader& operator=(const PipeReader&) = delete;

  // Starts the thread; false when it can't be started (no reader then).
  bool start() {
    if (wanted_ == nullptr || done_ == nullptr) return false;
    HANDLE thread = CreateThread(nullptr, 0, &PipeReader::run, this, 0, nullptr);
    if (thread == nullptr) return false;
    CloseHandle(thread);
    return true;
  }

  // One read of at most capacity bytes into data; an interrupt meanwhile
  // ends the process.
  bool read(char* data, DWORD capacity, DWORD* size) {
    SetEvent(wanted_);
    while (!wait_for_handle_or_interrupt(done_)) exit_if_interrupted();
    *size = std::min(size_, capacity);
    std::memcpy(data, data_, *size);
    return ok_;
  }

  // Hands the object to the thread, which deletes it after its current read.
  void release() {
    stopping_ = true;
    SetEvent(wanted_);
  }

 private:
  static DWORD WINAPI run(void* self) {
    auto* reader = static_cast<PipeReader*>(self);
    for (;;) {
      WaitForSingleObject(reader->wanted_, INFINITE);
      if (reader->stopping_) break;
      reader->size_ = 0;
      reader->ok_ = ReadFile(reader->input_, reader->data_, sizeof reader->data_, &reader->size_,
                             nullptr) != 0;
      SetEvent(reader->done_);
    }
    delete reader;
    return 0;
  }

  HANDLE input_;
  HANDLE wanted_;
  HANDLE done_;
  std::atomic<bool> stopping_{false};
  // Its own buffer, not the console's: a read still blocked when the console
  // goes must not write into freed memory.
  char data_[4096];
  DWORD size_ = 0;
  bool ok_ = false;
};

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

SystemConsole::SystemConsole(Progress* live_line)
    : live_line_(live_line),
      input_(GetStdHandle(STD_INPUT_HANDLE)),
      output_(GetStdHandle(STD_OUTPUT_HANDLE)),
      error_output_(GetStdHandle(STD_ERROR_HANDLE)),
      input_is_console_(is_real_console(input_)) {
  if (GetFileType(input_) != FILE_TYPE_PIPE) return;
  pipe_reader_ = new PipeReader(input_);
  if (!pipe_reader_->start()) {
    delete pipe_reader_;
    pipe_reader_ = nullptr;
  }
}

SystemConsole::~SystemConsole() {
  if (pipe_reader_ != nullptr) pipe_reader_->release();
}

bool SystemConsole::read_input(char* into, std::size_t room, unsigned long* size) {
  DWORD chunk = static_cast<DWORD>(room);
  DWORD n = 0;
  bool ok = pipe_reader_ != nullptr ? pipe_reader_->read(into, chunk, &n)
                                    : ReadFile(input_, into, chunk, &n, nullptr) != 0;
  *size = n;
  return ok;
}

bool SystemConsole::fill(char* into, std::size_t room, std::size_t* got) {
  if (ended_) return false;
  exit_if_interrupted();
  unsigned long n = 0;
  if (read_input(into, room, &n) && n > 0) {
    *got = n;
    return true;
  }
  if (wait_for_interrupt(input_is_console_ ? kControlHandlerGraceMs : 0)) exit_if_interrupted();
  ended_ = true;
  return false;
}

bool SystemConsole::read_line(std::string* line) {
  bool any = input_buffer_.read_line(
      line, kMaxLine,
      [this](char* into, std::size_t room, std::size_t* got) { return fill(into, room, got); });
  if (!any) return false;
  if (input_is_console_ && !line->empty() && (*line)[0] == kEndOfInput) {
    ended_ = true;
    input_buffer_.discard();
    line->clear();
    return false;
  }
  return true;
}

void SystemConsole::write(std::string_view text) {
  live_line_->clear();
  write_all(output_, with_native_line_ends(text));
}

void SystemConsole::error(std::string_view text) {
  live_line_->clear();
  write_all(error_output_, with_native_line_ends(text));
}

}  // namespace vornel

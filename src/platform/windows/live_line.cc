#include "platform/windows/live_line.h"

#include <windows.h>

#include "base/vt_live_line.h"
#include "platform/windows/console.h"

namespace vornel {
namespace {

constexpr unsigned kDefaultColumns = 80;

unsigned columns(HANDLE handle) {
  CONSOLE_SCREEN_BUFFER_INFO info;
  if (!GetConsoleScreenBufferInfo(handle, &info)) return kDefaultColumns;
  int width = info.srWindow.Right - info.srWindow.Left + 1;
  return width > 1 ? static_cast<unsigned>(width) : kDefaultColumns;
}

}  // namespace

bool LiveLine::enable() {
  DWORD mode = 0;
  if (!GetConsoleMode(handle_, &mode)) return false;
  return SetConsoleMode(handle_,
                        mode | ENABLE_PROCESSED_OUTPUT | ENABLE_VIRTUAL_TERMINAL_PROCESSING) != 0;
}

void LiveLine::show(std::string_view text) {
  write_all(handle_, vt_live_line(text, columns(handle_)));
  shown_ = true;
}

void LiveLine::clear() {
  if (!shown_) return;
  shown_ = false;
  write_all(handle_, kVtLiveLineClear);
}

}  // namespace vornel

#include "platform/posix/terminal_progress.h"

#include <sys/ioctl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string>

#include "platform/posix/posix_console.h"

namespace vornel {
namespace {

// Index then reverse index: at the bottom of the screen this scrolls one row
// up, so a row below the cursor exists; elsewhere it changes nothing. Both
// keep the cursor's column. Only then is the cursor saved, as a scroll after
// saving would make the saved row a stale one.
constexpr char kMakeRoomBelow[] = "\033D\033M";
constexpr char kSaveCursor[] = "\0337";
constexpr char kToRowBelow[] = "\033D\r";
constexpr char kEraseToEndOfLine[] = "\033[K";
constexpr char kRestoreCursor[] = "\0338";
constexpr char kEraseToEndOfScreen[] = "\033[J";

constexpr unsigned kDefaultColumns = 80;

unsigned columns(int fd) {
  struct winsize size = {};
  if (ioctl(fd, TIOCGWINSZ, &size) != 0 || size.ws_col == 0) return kDefaultColumns;
  return size.ws_col;
}

}  // namespace

void TerminalProgress::show(std::string_view text) {
  // The last column stays free: writing into it leaves some terminals waiting to wrap.
  text = text.substr(0, columns(fd_) - 1);
  std::string out;
  out.reserve(text.size() + 24);
  out.append(kMakeRoomBelow).append(kSaveCursor).append(kToRowBelow);
  out.append(text).append(kEraseToEndOfLine).append(kRestoreCursor);
  write_all(fd_, out);
  shown_ = true;
}

void TerminalProgress::clear() {
  if (!shown_) return;
  shown_ = false;
  // Not write_all(): this also runs inside exit(), where an interrupt must
  // not start a second exit. Three bytes go out in one write.
  while (::write(fd_, kEraseToEndOfScreen, std::strlen(kEraseToEndOfScreen)) < 0 &&
         errno == EINTR) {
  }
}

}  // namespace vornel

#include "platform/posix/live_line.h"

#include <sys/ioctl.h>
#include <unistd.h>

#include <cerrno>

#include "base/vt_live_line.h"
#include "platform/posix/console.h"

namespace vornel {
namespace {

constexpr unsigned kDefaultColumns = 80;

unsigned columns(int fd) {
  struct winsize size = {};
  if (ioctl(fd, TIOCGWINSZ, &size) != 0 || size.ws_col == 0) return kDefaultColumns;
  return size.ws_col;
}

}  // namespace

void LiveLine::show(std::string_view text) {
  write_all(fd_, vt_live_line(text, columns(fd_)));
  shown_ = true;
}

void LiveLine::clear() {
  if (!shown_) return;
  shown_ = false;
  // Not write_all(): this also runs inside exit(), where an interrupt must
  // not start a second exit. Three bytes go out in one write.
  while (::write(fd_, kVtLiveLineClear.data(), kVtLiveLineClear.size()) < 0 && errno == EINTR) {
  }
}

}  // namespace vornel

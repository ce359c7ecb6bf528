#ifndef VORNEL_PLATFORM_POSIX_LIVE_LINE_H_
#define VORNEL_PLATFORM_POSIX_LIVE_LINE_H_

#include "platform/progress.h"

namespace vornel {

// The live line on a terminal file descriptor, drawn as vt_live_line.h
// describes.
// REQUIRES: fd is a terminal that understands the VT100 sequences.
class LiveLine : public Progress {
 public:
  explicit LiveLine(int fd) : fd_(fd) {}
  // Takes a line still shown down: an object of static storage duration thus
  // also cleans up after exit(), the way an interrupt ends the process.
  ~LiveLine() override { clear(); }

  // A text wider than the terminal is cut, since a wrapped line would leave
  // its second row behind.
  void show(std::string_view text) override;
  void clear() override;

 private:
  int fd_;
  bool shown_ = false;
};

}  // namespace vornel

#endif  // VORNEL_PLATFORM_POSIX_LIVE_LINE_H_

#ifndef VORNEL_PLATFORM_WINDOWS_LIVE_LINE_H_
#define VORNEL_PLATFORM_WINDOWS_LIVE_LINE_H_

#include "platform/progress.h"

namespace vornel {

// The live line on a real Windows console, drawn with the VT100 sequences of
// vt_live_line.h, which the console of Windows 10 and later understands once
// asked to.
class LiveLine : public Progress {
 public:
  explicit LiveLine(void* handle) : handle_(handle) {}
  // Takes a line still shown down: an object of static storage duration thus
  // also cleans up after exit(), the way an interrupt ends the process.
  ~LiveLine() override { clear(); }

  // Asks the console to take VT100 sequences. False when the handle is no
  // real console or the console can't (before Windows 10): no line then.
  bool enable();

  void show(std::string_view text) override;
  void clear() override;

 private:
  void* handle_;
  bool shown_ = false;
};

}  // namespace vornel

#endif  // VORNEL_PLATFORM_WINDOWS_LIVE_LINE_H_

#ifndef VORNEL_PLATFORM_PROGRESS_H_
#define VORNEL_PLATFORM_PROGRESS_H_

#include <string_view>

namespace vornel {

// A live status line for the waits in which nothing else is written: the
// probe of a silent device and the pauses between devices. It is only ever
// shown on a terminal and never reaches standard output or the log.
class Progress {
 public:
  virtual ~Progress() = default;
  // Replaces the line with text (one line, no newline).
  virtual void show(std::string_view text) = 0;
  // Takes the line down, leaving the screen as if it had never been shown.
  // Does nothing when no line is shown.
  virtual void clear() = 0;
};

class NullProgress final : public Progress {
 public:
  void show(std::string_view) override {}
  void clear() override {}
};

// One shared do-nothing line: the default wherever no terminal is involved.
inline Progress* no_progress() {
  static NullProgress none;
  return &none;
}

}  // namespace vornel

#endif  // VORNEL_PLATFORM_PROGRESS_H_

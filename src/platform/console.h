#ifndef VORNEL_PLATFORM_CONSOLE_H_
#define VORNEL_PLATFORM_CONSOLE_H_

#include <cstddef>
#include <string>
#include <string_view>

namespace vornel {

// The operator's terminal: standard input, output and error.
class Console {
 public:
  // Longest line read_line keeps; every answer the dialogue looks at is far shorter,
  // so a cut line is still judged (and refused) correctly.
  static constexpr std::size_t kMaxLine = 4096;

  virtual ~Console() = default;

  // Reads the next line of standard input into *line, without its newline and
  // without a carriage return just before it. Returns false when the input has
  // ended and no text is left. A line longer than kMaxLine keeps its first
  // kMaxLine bytes; the rest of it is read and dropped.
  virtual bool read_line(std::string* line) = 0;

  // Standard output; written at once, never held back, so a prompt or a
  // progress label is visible while the utility waits.
  virtual void write(std::string_view text) = 0;

  // Standard error: diagnostics that are not part of the dialogue.
  virtual void error(std::string_view text) = 0;
};

}  // namespace vornel

#endif  // VORNEL_PLATFORM_CONSOLE_H_

#ifndef VORNEL_BASE_LINE_BUFFER_H_
#define VORNEL_BASE_LINE_BUFFER_H_

#include <cstddef>
#include <functional>
#include <string>

namespace vornel {

// Cuts the bytes of standard input into the console's lines, the same way on
// every platform: a line ends at LF, a CR just before it is dropped, and only
// the first `max_line` bytes of a longer line are kept (the rest is read and
// dropped).
class LineBuffer {
 public:
  // Reads into `into`, at most `room` bytes; stores how many in *got and
  // returns true, or returns false at the end of the input.
  using Refill = std::function<bool(char* into, std::size_t room, std::size_t* got)>;

  // Reads the next line into *line. Returns false when the input has ended
  // and no text is left.
  bool read_line(std::string* line, std::size_t max_line, const Refill& refill);

  // Drops whatever is buffered.
  void discard() { begin_ = end_; }

 private:
  char buffer_[4096];
  std::size_t begin_ = 0;
  std::size_t end_ = 0;
};

}  // namespace vornel

#endif  // VORNEL_BASE_LINE_BUFFER_H_

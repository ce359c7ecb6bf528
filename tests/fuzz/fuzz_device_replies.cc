// Reply lines come from the device's control connection: any bytes, any
// length, multi-line replies that never end. What is kept of them is what
// the log and the operator may see, so it must stay bounded and printable.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "ftp/session.h"

namespace {

void require(bool condition, const char* what) {
  if (condition) return;
  std::fprintf(stderr, "invariant broken: %s\n", what);
  std::abort();
}

// The recorder keeps 1 KiB of a reply; a multi-line reply adds its line breaks.
constexpr std::size_t kMaxKept = 1024;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  vornel::ReplyRecorder recorder;
  std::string_view input(reinterpret_cast<const char*>(data), size);
  // curl hands the header callback one line at a time, each with its LF.
  while (!input.empty()) {
    std::size_t end = input.find('\n');
    std::size_t take = end == std::string_view::npos ? input.size() : end + 1;
    recorder.add_line(input.substr(0, take));
    input.remove_prefix(take);

    const std::string& last = recorder.last();
    require(last.size() <= kMaxKept, "reply kept beyond its bound");
    for (char c : last) {
      unsigned char byte = static_cast<unsigned char>(c);
      require(c == '\n' || (byte >= 0x20 && byte != 0x7f), "control character kept");
    }
    require(last.empty() || (last[0] >= '0' && last[0] <= '9'), "reply without a code");
  }
  return 0;
}

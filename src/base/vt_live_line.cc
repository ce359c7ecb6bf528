#include "base/vt_live_line.h"

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

}  // namespace

std::string vt_live_line(std::string_view text, unsigned columns) {
  text = text.substr(0, columns - 1);
  std::string out;
  out.reserve(text.size() + 24);
  out.append(kMakeRoomBelow).append(kSaveCursor).append(kToRowBelow);
  out.append(text).append(kEraseToEndOfLine).append(kRestoreCursor);
  return out;
}

}  // namespace vornel

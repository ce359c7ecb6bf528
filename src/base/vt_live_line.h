#ifndef VORNEL_BASE_VT_LIVE_LINE_H_
#define VORNEL_BASE_VT_LIVE_LINE_H_

#include <string>
#include <string_view>

namespace vornel {

// The bytes of the live line on a terminal that understands the VT100
// sequences (every terminal emulator, tmux, screen, the Linux console and the
// Windows 10 console). The line is drawn on the row below the cursor. The
// cursor itself never moves, so a label the dialogue left half-written (such
// as "Testing connection") stays intact and the next text continues it,
// without anyone having to know the cursor's column.

// Shows text as the line, cut to columns - 1 characters: a wrapped line would
// leave its second row behind, and writing into the last column leaves some
// terminals waiting to wrap.
std::string vt_live_line(std::string_view text, unsigned columns);

// Takes the line down by erasing from the cursor to the end of the screen,
// where only the live line can be.
inline constexpr std::string_view kVtLiveLineClear = "\033[J";

}  // namespace vornel

#endif  // VORNEL_BASE_VT_LIVE_LINE_H_

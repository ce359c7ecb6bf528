#include "platform/line_end.h"

namespace vornel {

// POSIX systems end a text line with a bare LF.
std::string_view native_line_end() { return "\n"; }

}  // namespace vornel

#include "platform/line_end.h"

namespace vornel {

// Windows tools expect a text line to end with CR LF.
std::string_view native_line_end() { return "\r\n"; }

}  // namespace vornel

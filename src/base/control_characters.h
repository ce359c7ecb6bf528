#ifndef VORNEL_BASE_CONTROL_CHARACTERS_H_
#define VORNEL_BASE_CONTROL_CHARACTERS_H_

#include <string_view>

namespace vornel {

// True when text holds a byte below 0x20 or DEL: such a value can't travel in
// an FTP command (CR and LF would end it and start another) and would act on
// the operator's terminal wherever it is shown. A NUL counts too.
inline bool has_control_character(std::string_view text) {
  for (char c : text) {
    unsigned char byte = static_cast<unsigned char>(c);
    if (byte < 0x20 || byte == 0x7f) return true;
  }
  return false;
}

}  // namespace vornel

#endif  // VORNEL_BASE_CONTROL_CHARACTERS_H_

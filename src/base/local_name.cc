#include "base/local_name.h"

#include <array>

namespace vornel {
namespace {

bool is_separator(char c) { return c == '/' || c == '\\'; }

char upper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

bool same_letters(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (upper(a[i]) != upper(b[i])) return false;
  }
  return true;
}

bool has_parent_component(std::string_view name) {
  std::size_t begin = 0;
  for (std::size_t i = 0; i <= name.size(); ++i) {
    if (i == name.size() || is_separator(name[i])) {
      if (name.substr(begin, i - begin) == "..") return true;
      begin = i + 1;
    }
  }
  return false;
}

// Windows opens the device, not a file, for these names with any extension
// and with blanks before the extension.
bool is_device_name(std::string_view name) {
  std::string_view base = name.substr(0, name.find('.'));
  while (!base.empty() && base.back() == ' ') base.remove_suffix(1);
  for (std::string_view device : {"CON", "PRN", "AUX", "NUL", "CONIN$", "CONOUT$"}) {
    if (same_letters(base, device)) return true;
  }
  if (base.size() < 4) return false;
  std::string_view stem = base.substr(0, 3);
  if (!same_letters(stem, "COM") && !same_letters(stem, "LPT")) return false;
  std::string_view number = base.substr(3);
  if (number.size() == 1) return number[0] >= '1' && number[0] <= '9';
  // Superscript one, two and three, as UTF-8.
  constexpr std::array<std::string_view, 3> kSuperscripts = {"\xC2\xB9", "\xC2\xB2", "\xC2\xB3"};
  for (std::string_view superscript : kSuperscripts) {
    if (number == superscript) return true;
  }
  return false;
}

}  // namespace

std::optional<std::string_view> local_name_refusal(std::string_view name) {
  if (name.empty()) return "is empty";
  if (name.size() >= 2 && is_separator(name[0]) && is_separator(name[1])) {
    return "is a network or device path";
  }
  if (is_separator(name[0])) return "is an absolute path";
  if (name.find(':') != std::string_view::npos) return "names a drive or a stream";
  if (has_parent_component(name)) return "leads out of the working directory";
  if (name.find_first_of("/\\") != std::string_view::npos) return "names a folder";
  if (name.back() == '.' || name.back() == ' ') return "ends in a dot or a blank";
  if (is_device_name(name)) return "is a reserved device name";
  return std::nullopt;
}

}  // namespace vornel

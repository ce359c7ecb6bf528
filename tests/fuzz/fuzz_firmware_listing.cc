// The directory listing is written by the device: any bytes, any length, no
// final newline. The firmware name taken from it must stay inside its
// buffer, and the version read from it must be a plain non-negative number.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "device/ini_support.h"

namespace {

void require(bool condition, const char* what) {
  if (condition) return;
  std::fprintf(stderr, "invariant broken: %s\n", what);
  std::abort();
}

bool has_version_digit(const char* name) {
  std::size_t length = std::strlen(name);
  for (std::size_t i = 9; i < length && i <= 24; ++i) {
    if (name[i] >= '0' && name[i] <= '9') return true;
  }
  return false;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::FILE* listing = size > 0 ? fmemopen(const_cast<std::uint8_t*>(data), size, "r")
                                : std::fopen("/dev/null", "r");
  if (listing == nullptr) return 0;
  char name[28];
  std::memset(name, 0x55, sizeof name);
  bool found = vornel::find_firmware_name(listing, name);
  std::fclose(listing);

  std::size_t length = strnlen(name, sizeof name);
  require(length < sizeof name, "firmware name not terminated");
  if (found) {
    require(std::strncmp(name, "qop", 3) == 0, "firmware name without the qop prefix");
    require(std::strpbrk(name, " \t\r\n\v\f") == nullptr, "blank inside the firmware name");
    int32_t version = vornel::parse_firmware_version(name);
    require(version >= 0, "negative firmware version");
    require((version == 0) || has_version_digit(name), "version without digits");
  } else {
    require(length == 0, "no firmware found, but a name left behind");
  }

  // Any text at all, read as a name: bounded, never negative.
  std::string text(reinterpret_cast<const char*>(data), size);
  require(vornel::parse_firmware_version(text.c_str()) >= 0, "negative version of raw text");
  return 0;
}

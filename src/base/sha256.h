#ifndef VORNEL_BASE_SHA256_H_
#define VORNEL_BASE_SHA256_H_

#include <array>
#include <cstdint>
#include <string_view>

namespace vornel {

// SHA-256 (FIPS 180-4) of data. The report page names its own inline script
// and style by their hashes in its Content-Security-Policy, so that a browser
// runs nothing else, even if some text got into the page unescaped.
std::array<std::uint8_t, 32> sha256(std::string_view data);

}  // namespace vornel

#endif  // VORNEL_BASE_SHA256_H_

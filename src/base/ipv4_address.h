#ifndef VORNEL_BASE_IPV4_ADDRESS_H_
#define VORNEL_BASE_IPV4_ADDRESS_H_

#include <cstdint>
#include <string_view>

namespace vornel {

// The one reader of IPv4 addresses, so that whatever names a device (a
// batch list, the FTP layer, the probe, a site map) accepts the same texts:
// a strict dotted-decimal address, four decimal numbers of at most 255,
// without leading zeros, signs or blanks, joined by single dots and nothing
// after them (the rules of inet_pton). Each returns false, leaving its
// output alone, for anything else.

// Stores the address's value, a.b.c.d as a << 24 | b << 16 | c << 8 | d, in
// *value: what prefixes and masks are reckoned with.
bool parse_ipv4_value(std::string_view text, std::uint32_t* value);

// Stores the address in network byte order, as the socket calls take it, in
// *address. False for nullptr.
bool parse_ipv4_address(const char* text, std::uint32_t* address);

}  // namespace vornel

#endif  // VORNEL_BASE_IPV4_ADDRESS_H_

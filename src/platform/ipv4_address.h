#ifndef VORNEL_PLATFORM_IPV4_ADDRESS_H_
#define VORNEL_PLATFORM_IPV4_ADDRESS_H_

#include <cstdint>

namespace vornel {

// Reads a strict dotted-decimal IPv4 address: four decimal numbers of at most
// 255, without leading zeros, signs or blanks, joined by single dots and
// nothing after them (the rules of inet_pton, so every platform accepts the
// same texts). Stores the address in network byte order in *address.
// Returns false, leaving *address alone, for anything else and for nullptr.
bool parse_ipv4_address(const char* text, std::uint32_t* address);

}  // namespace vornel

#endif  // VORNEL_PLATFORM_IPV4_ADDRESS_H_

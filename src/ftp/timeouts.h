#ifndef VORNEL_FTP_TIMEOUTS_H_
#define VORNEL_FTP_TIMEOUTS_H_

namespace vornel {

// Time-outs shipped with the tool. A device gets this long before an
// operation on it is given up; nothing waits longer.
inline constexpr long kFtpConnectTimeoutMs = 10'000;
inline constexpr long kFtpReplyTimeoutMs = 30'000;
inline constexpr long kFtpStallTimeoutMs = 30'000;
// A listing is a few dozen names and an INI file a few kilobytes: a device
// that trickles them (a byte now and then, never quiet for the stall limit)
// still ends within these.
inline constexpr long kFtpListingTimeoutMs = 60'000;
inline constexpr long kFtpTransferTimeoutMs = 120'000;

struct FtpTimeouts {
  // From the TCP connect to a logged-in session: greeting, USER and PASS.
  long connect_ms = kFtpConnectTimeoutMs;
  // For each later command's reply. Applied in whole seconds, rounded up.
  long reply_ms = kFtpReplyTimeoutMs;
  // For an operation in which no byte moves, neither data nor a reply line.
  long stall_ms = kFtpStallTimeoutMs;
  // For a whole listing, from its PASV to its last reply, however it moves.
  long listing_ms = kFtpListingTimeoutMs;
  // For a whole put or fetch, likewise.
  long transfer_ms = kFtpTransferTimeoutMs;
};

}  // namespace vornel

#endif  // VORNEL_FTP_TIMEOUTS_H_

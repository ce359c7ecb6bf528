#include "platform/echo_packet.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "platform/echo.h"

namespace vornel {
namespace {

using Bytes = std::vector<std::uint8_t>;

std::uint32_t addr(const char* text) { return inet_addr(text); }

void put_be16(Bytes& bytes, std::size_t offset, std::uint16_t value) {
  bytes[offset] = static_cast<std::uint8_t>(value >> 8);
  bytes[offset + 1] = static_cast<std::uint8_t>(value);
}

void put_address(Bytes& bytes, std::size_t offset, std::uint32_t address) {
  const auto* raw = reinterpret_cast<const std::uint8_t*>(&address);
  for (int i = 0; i < 4; ++i) bytes[offset + i] = raw[i];
}

// An ICMP message with a correct checksum.
Bytes icmp(std::uint8_t type, std::uint8_t code, std::uint16_t id, std::uint16_t seq,
           const Bytes& body = {}) {
  Bytes message(kIcmpHeaderSize, 0);
  message[0] = type;
  message[1] = code;
  put_be16(message, 4, id);
  put_be16(message, 6, seq);
  message.insert(message.end(), body.begin(), body.end());
  put_be16(message, 2, internet_checksum(message));
  return message;
}

// An IPv4 datagram around a payload, as a raw socket delivers it.
Bytes ip(std::uint32_t source, std::uint32_t destination, const Bytes& payload,
         std::uint8_t protocol = 1) {
  Bytes datagram(20, 0);
  datagram[0] = 0x45;
  put_be16(datagram, 2, static_cast<std::uint16_t>(20 + payload.size()));
  datagram[8] = 64;
  datagram[9] = protocol;
  put_address(datagram, 12, source);
  put_address(datagram, 16, destination);
  datagram.insert(datagram.end(), payload.begin(), payload.end());
  return datagram;
}

const std::uint32_t kUs = addr("192.0.2.1");
const std::uint32_t kTarget = addr("192.0.2.77");
const std::uint32_t kRouter = addr("198.51.100.1");
constexpr std::uint16_t kId = 0x4242;
constexpr std::uint16_t kSeq = 7;

// An ICMP error from the router, quoting (the start of) a request we or
// someone else sent.
Bytes error_about(std::uint8_t type, std::uint8_t code, std::uint32_t destination, std::uint16_t id,
                  std::uint16_t seq, std::size_t quoted_size = kIcmpHeaderSize) {
  auto request = build_echo_request(id, seq);
  Bytes quote(request.begin(), request.begin() + quoted_size);
  return ip(kRouter, kUs, icmp(type, code, 0, 0, ip(kUs, destination, quote)));
}

EchoVerdict::Kind kind_of(EchoMatcher& matcher, const Bytes& packet, std::uint32_t source) {
  return matcher.classify(packet, source).kind;
}

TEST(EchoChecksum, MatchesKnownSumsIncludingCarryAndOddLength) {
  // The worked example of RFC 1071: sum 0x2ddf0 folds to 0xddf2.
  EXPECT_EQ(0x220d, internet_checksum(Bytes{0x00, 0x01, 0xf2, 0x03, 0xf4, 0xf5, 0xf6, 0xf7}));
  // A trailing odd byte is the high half of a zero-padded word.
  EXPECT_EQ(0xfeff, internet_checksum(Bytes{0x01}));
  EXPECT_EQ(0x0000, internet_checksum(Bytes{0xff, 0xff, 0xff, 0xff}));
  EXPECT_EQ(0xffff, internet_checksum(Bytes{}));
}

TEST(EchoRequest, IsEightByteHeaderWithIdSequenceAndChecksum) {
  auto request = build_echo_request(0x1234, 0xabcd);
  // 0x0800 + 0x1234 + 0xabcd = 0xc601, complemented 0x39fe.
  EXPECT_EQ((Bytes{8, 0, 0x39, 0xfe, 0x12, 0x34, 0xab, 0xcd}),
            Bytes(request.begin(), request.end()));
  auto other = build_echo_request(0xffff, 0xffff);
  EXPECT_EQ(0, internet_checksum(other));
}

TEST(EchoFailureCodes, MapIcmpErrorsToOperatorCodes) {
  EXPECT_EQ(kEchoDestNetUnreachable, icmp_error_failure_code(3, 0));
  EXPECT_EQ(kEchoDestNetUnreachable, icmp_error_failure_code(3, 9));
  EXPECT_EQ(kEchoDestHostUnreachable, icmp_error_failure_code(3, 1));
  EXPECT_EQ(kEchoDestHostUnreachable, icmp_error_failure_code(3, 10));
  EXPECT_EQ(kEchoDestProtocolUnreachable, icmp_error_failure_code(3, 2));
  EXPECT_EQ(kEchoDestPortUnreachable, icmp_error_failure_code(3, 3));
  EXPECT_EQ(kEchoGeneralFailure, icmp_error_failure_code(3, 4));   // fragmentation needed
  EXPECT_EQ(kEchoGeneralFailure, icmp_error_failure_code(3, 13));  // prohibited by filter
  EXPECT_EQ(kEchoTtlExpiredTransit, icmp_error_failure_code(11, 0));
  EXPECT_EQ(kEchoGeneralFailure, icmp_error_failure_code(11, 1));
  EXPECT_EQ(kEchoGeneralFailure, icmp_error_failure_code(12, 0));
  EXPECT_EQ(kEchoGeneralFailure, icmp_error_failure_code(4, 0));
  EXPECT_EQ(0, icmp_error_failure_code(0, 0));
  EXPECT_EQ(0, icmp_error_failure_code(5, 1));  // a redirect still delivers
  EXPECT_EQ(0, icmp_error_failure_code(8, 0));
}

class RawEchoMatcherTest : public ::testing::Test {
 protected:
  RawEchoMatcherTest() : matcher_(EchoMatcher::kWithIpHeader, true) {
    matcher_.expect(kTarget, kId, kSeq);
  }
  Bytes reply(std::uint32_t from = kTarget, std::uint16_t id = kId, std::uint16_t seq = kSeq) {
    return ip(from, kUs, icmp(kIcmpEchoReply, 0, id, seq));
  }
  EchoMatcher matcher_;
};

TEST_F(RawEchoMatcherTest, AcceptsTheReplyFromTheTargetWithOurIdAndSequence) {
  EXPECT_EQ(EchoVerdict::kReply, kind_of(matcher_, reply(), kTarget));
}

TEST_F(RawEchoMatcherTest, IgnoresRepliesThatAreNotOurs) {
  EXPECT_EQ(EchoVerdict::kUnrelated, kind_of(matcher_, reply(kTarget, kId + 1), kTarget));
  EXPECT_EQ(EchoVerdict::kUnrelated, kind_of(matcher_, reply(kTarget, kId, kSeq - 1), kTarget));
  EXPECT_EQ(EchoVerdict::kUnrelated, kind_of(matcher_, reply(kRouter), kRouter));
  // The right bytes coming from elsewhere still do not count.
  EXPECT_EQ(EchoVerdict::kUnrelated, kind_of(matcher_, reply(), kRouter));
  // Our own outgoing request, seen by a raw socket on loopback.
  EXPECT_EQ(EchoVerdict::kUnrelated,
            kind_of(matcher_, ip(kTarget, kUs, icmp(kIcmpEchoRequest, 0, kId, kSeq)), kTarget));
  // After all that noise, ours is still recognised.
  EXPECT_EQ(EchoVerdict::kReply, kind_of(matcher_, reply(), kTarget));
}

TEST_F(RawEchoMatcherTest, IgnoresDamagedOrMalformedPackets) {
  Bytes damaged = reply();
  damaged[22] ^= 0x01;  // the checksum field itself; all else still matches
  EXPECT_EQ(EchoVerdict::kUnrelated, kind_of(matcher_, damaged, kTarget));
  Bytes short_icmp = reply();
  short_icmp.resize(27);
  EXPECT_EQ(EchoVerdict::kUnrelated, kind_of(matcher_, short_icmp, kTarget));
  Bytes bad_ihl = reply();
  bad_ihl[0] = 0x4f;  // claims 60 header bytes, packet has 28
  EXPECT_EQ(EchoVerdict::kUnrelated, kind_of(matcher_, bad_ihl, kTarget));
  EXPECT_EQ(EchoVerdict::kUnrelated,
            kind_of(matcher_, ip(kTarget, kUs, icmp(kIcmpEchoReply, 0, kId, kSeq), 17), kTarget));
  EXPECT_EQ(EchoVerdict::kUnrelated, kind_of(matcher_, Bytes{0x45, 0, 0}, kTarget));
}

TEST_F(RawEchoMatcherTest, SkipsIpOptionsToFindTheIcmpMessage) {
  Bytes with_options = reply();
  with_options[0] = 0x46;
  with_options.insert(with_options.begin() + 20, {1, 1, 1, 0});  // NOP NOP NOP END
  EXPECT_EQ(EchoVerdict::kReply, kind_of(matcher_, with_options, kTarget));
}

TEST_F(RawEchoMatcherTest, CountsADuplicateReplyOnceAndAStaleOneNever) {
  Bytes first = reply();
  EXPECT_EQ(EchoVerdict::kReply, kind_of(matcher_, first, kTarget));
  EXPECT_EQ(EchoVerdict::kUnrelated, kind_of(matcher_, first, kTarget));
  matcher_.expect(kTarget, kId, kSeq + 1);
  EXPECT_EQ(EchoVerdict::kUnrelated, kind_of(matcher_, first, kTarget));
  EXPECT_EQ(EchoVerdict::kReply, kind_of(matcher_, reply(kTarget, kId, kSeq + 1), kTarget));
}

TEST_F(RawEchoMatcherTest, ReportsAnErrorQuotingOurRequestWithItsCode) {
  EchoVerdict verdict = matcher_.classify(error_about(3, 1, kTarget, kId, kSeq), kRouter);
  EXPECT_EQ(EchoVerdict::kError, verdict.kind);
  EXPECT_EQ(kEchoDestHostUnreachable, verdict.code);
  verdict = matcher_.classify(error_about(11, 0, kTarget, kId, kSeq), kRouter);
  EXPECT_EQ(EchoVerdict::kError, verdict.kind);
  EXPECT_EQ(kEchoTtlExpiredTransit, verdict.code);
}

TEST_F(RawEchoMatcherTest, IgnoresErrorsAboutSomeoneElsesPackets) {
  EXPECT_EQ(EchoVerdict::kUnrelated,
            kind_of(matcher_, error_about(3, 1, kTarget, kId + 1, kSeq), kRouter));
  EXPECT_EQ(EchoVerdict::kUnrelated,
            kind_of(matcher_, error_about(3, 1, kTarget, kId, kSeq + 1), kRouter));
  EXPECT_EQ(EchoVerdict::kUnrelated,
            kind_of(matcher_, error_about(3, 1, kRouter, kId, kSeq), kRouter));
  // A redirect quoting our request is advice, not a failure.
  EXPECT_EQ(EchoVerdict::kUnrelated,
            kind_of(matcher_, error_about(5, 1, kTarget, kId, kSeq), kRouter));
  // The quote is cut before the sequence number.
  EXPECT_EQ(EchoVerdict::kUnrelated,
            kind_of(matcher_, error_about(3, 1, kTarget, kId, kSeq, 6), kRouter));
  // A UDP datagram quoted in a port unreachable.
  Bytes udp_quote = ip(kUs, kTarget, Bytes(8, 0), 17);
  EXPECT_EQ(EchoVerdict::kUnrelated,
            kind_of(matcher_, ip(kRouter, kUs, icmp(3, 3, 0, 0, udp_quote)), kRouter));
}

TEST(DatagramEchoMatcher, ReadsBareIcmpAndLeavesTheIdentifierToTheKernel) {
  EchoMatcher matcher(EchoMatcher::kIcmpOnly, false);
  matcher.expect(kTarget, 0, kSeq);
  // The kernel put its own identifier into the request; the reply carries it.
  EXPECT_EQ(EchoVerdict::kUnrelated,
            matcher.classify(icmp(kIcmpEchoReply, 0, 0x9999, kSeq + 1), kTarget).kind);
  EXPECT_EQ(EchoVerdict::kUnrelated,
            matcher.classify(icmp(kIcmpEchoReply, 0, 0x9999, kSeq), kRouter).kind);
  EXPECT_EQ(EchoVerdict::kReply,
            matcher.classify(icmp(kIcmpEchoReply, 0, 0x9999, kSeq), kTarget).kind);
  EXPECT_EQ(EchoVerdict::kUnrelated,
            matcher.classify(icmp(kIcmpEchoReply, 0, 0x9999, kSeq), kTarget).kind);
}

TEST(DatagramEchoMatcher, TakesQueuedErrorsOnlyWhenTheyQuoteTheOutstandingRequest) {
  EchoMatcher matcher(EchoMatcher::kIcmpOnly, false);
  matcher.expect(kTarget, 0, kSeq);
  auto ours = build_echo_request(0x9999, kSeq);
  auto earlier = build_echo_request(0x9999, kSeq - 1);
  EchoVerdict verdict = matcher.classify_queued_error(3, 3, ours, kTarget);
  EXPECT_EQ(EchoVerdict::kError, verdict.kind);
  EXPECT_EQ(kEchoDestPortUnreachable, verdict.code);
  EXPECT_EQ(EchoVerdict::kUnrelated, matcher.classify_queued_error(3, 3, earlier, kTarget).kind);
  EXPECT_EQ(EchoVerdict::kUnrelated, matcher.classify_queued_error(3, 3, ours, kRouter).kind);
  EXPECT_EQ(EchoVerdict::kUnrelated, matcher.classify_queued_error(5, 0, ours, kTarget).kind);
  EXPECT_EQ(EchoVerdict::kUnrelated,
            matcher.classify_queued_error(3, 3, std::span(ours).first(6), kTarget).kind);
}

}  // namespace
}  // namespace vornel

#include "base/sha256.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

namespace vornel {
namespace {

std::string hex(const std::array<std::uint8_t, 32>& digest) {
  std::string text;
  char byte[3];
  for (std::uint8_t b : digest) {
    std::snprintf(byte, sizeof byte, "%02x", b);
    text += byte;
  }
  return text;
}

// The padding takes one block or two: lengths on each side of the 55/56
// bytes boundary, a whole block, and more than one.
TEST(Sha256, MatchesKnownDigestsAcrossThePaddingBoundary) {
  const struct {
    std::string data;
    const char* digest;
  } kCases[] = {
      {"", "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855"},
      {"abc", "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"},
      {std::string(55, 'a'), "9f4390f8d30c2dd92ec9f095b65e2b9ae9b0a925a5258e241c9f1e910f734318"},
      {"abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq",
       "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1"},
      {std::string(64, 'a'), "ffe054fe7ae0cb6dc65c3af9b61d5209f439851db43d0ba5997337df154668eb"},
      {std::string(119, 'a'), "31eba51c313a5c08226adf18d4a359cfdfd8d2e816b13f4af952f7ea6584dcfb"},
  };
  for (const auto& c : kCases) EXPECT_EQ(hex(sha256(c.data)), c.digest) << c.data.size();
}

}  // namespace
}  // namespace vornel

#ifndef VORNEL_TESTS_INTEGRATION_NETNS_H_
#define VORNEL_TESTS_INTEGRATION_NETNS_H_

#include <gtest/gtest.h>

namespace vornel::testing {

// Why this process could not get its private network namespace, or nullptr
// when it has one (with loopback up).
const char* netns_skip_reason();

}  // namespace vornel::testing

// First statement of every integration test: skips, with the reason, when the
// test would otherwise send traffic outside a namespace of its own.
#define VORNEL_REQUIRE_NETNS()                                                 \
  do {                                                                         \
    if (const char* reason = ::vornel::testing::netns_skip_reason()) GTEST_SKIP() << reason; \
  } while (0)

#endif  // VORNEL_TESTS_INTEGRATION_NETNS_H_

// Times Vornel's reachability probe to one address, in this process:
//   bench_echo_probe ADDRESS facility   open, 20 echo requests, close
//   bench_echo_probe ADDRESS probe      ping_target, as a pass calls it
// Prints "<answers> <microseconds>"; exits 1 when fewer than 20 answered, so
// a probe that fails fast can never pass for a fast one.
#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>

#include "device/probe.h"
#include "platform/console.h"
#include "platform/log_sink.h"
#include "platform/posix/icmp_echo.h"
#include "platform/progress.h"
#include "report/output.h"

namespace {

using Clock = std::chrono::steady_clock;

class QuietConsole : public vornel::Console {
 public:
  bool read_line(std::string*) override { return false; }
  void write(std::string_view) override {}
  void error(std::string_view text) override { std::fwrite(text.data(), 1, text.size(), stderr); }
};

class QuietLog : public vornel::LogSink {
 public:
  bool write(std::string_view text, std::string*) override {
    std::fwrite(text.data(), 1, text.size(), stderr);
    return true;
  }
  bool flush(std::string*) override { return true; }
};

unsigned echo_facility(const char* address) {
  vornel::IcmpEcho echo;
  if (!echo.open()) return 0;
  unsigned answers = 0;
  for (unsigned i = 0; i < vornel::kAnswersNeeded; ++i) {
    if (echo.echo(address, vornel::kEchoTimeoutMs).kind == vornel::EchoResult::kReply) ++answers;
  }
  echo.close();
  return answers;
}

unsigned probe(const char* address) {
  QuietConsole console;
  QuietLog log;
  vornel::IcmpEcho echo;
  vornel::Transcript out{console, log};
  vornel::Prober prober{echo, *vornel::no_progress()};
  return vornel::ping_target(out, prober, address, vornel::kProbeFailureLimit) ==
                 vornel::Reachability::kReachable
             ? vornel::kAnswersNeeded
             : 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3 || (std::strcmp(argv[2], "facility") != 0 && std::strcmp(argv[2], "probe") != 0)) {
    std::fprintf(stderr, "usage: %s ADDRESS facility|probe\n", argv[0]);
    return 2;
  }
  auto start = Clock::now();
  unsigned answers = std::strcmp(argv[2], "facility") == 0 ? echo_facility(argv[1]) : probe(argv[1]);
  auto elapsed = std::chrono::duration_cast<std::chrono::microseconds>(Clock::now() - start);
  std::printf("%u %lld\n", answers, static_cast<long long>(elapsed.count()));
  return answers == vornel::kAnswersNeeded ? 0 : 1;
}

// The vornel-batch executable: one pass of Vornel over a batch list, ordered
// on the command line, with the same platform, FTP client and log as vornel.
#include <cstdio>
#include <string>
#include <vector>

#include "ftp/curl_client.h"
#include "platform/file_log.h"
#include "platform/interrupt.h"
#include "platform/system.h"
#include "session/batch.h"
#include "session/env.h"
#include "session/exit_statuses.h"
#include "session/version.h"

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + (argc > 0 ? 1 : argc), argv + argc);
  vornel::BatchRequest request = vornel::parse_batch_arguments(args);
  using Kind = vornel::BatchRequest::Kind;
  if (request.kind == Kind::kHelp) {
    std::fputs(vornel::kBatchSynopsis, stdout);
    std::fputs(vornel::kBatchHelp, stdout);
    return vornel::exit_status(vornel::BatchExit::kAllOk);
  }
  if (request.kind == Kind::kVersion) {
    std::printf("vornel-batch, %s\n", vornel::kVersion);
    return vornel::exit_status(vornel::BatchExit::kAllOk);
  }
  if (request.kind == Kind::kUsageError) {
    std::fprintf(stderr, "vornel-batch: %s\n%s", request.error.c_str(), vornel::kBatchSynopsis);
    return vornel::exit_status(vornel::BatchExit::kNothingRun);
  }
  // The system first: its interrupt handling must be in place before anything
  // else starts. Then a signal only stops the run between two devices.
  vornel::System system("vornel-batch", vornel::exit_status(vornel::BatchExit::kNothingRun));
  vornel::defer_interrupts();
  vornel::CurlFtpClient ftp;
  vornel::Env env = vornel::system_env(system, ftp);
  return vornel::run_batch(
      env,
      [](std::string* error) -> std::unique_ptr<vornel::LogSink> {
        return vornel::FileLog::open(vornel::kLogFileName, error);
      },
      request.options, vornel::interrupt_received);
}

#ifndef VORNEL_DEVICE_DEVICE_CONTEXT_H_
#define VORNEL_DEVICE_DEVICE_CONTEXT_H_

#include <set>
#include <string>

#include "ftp/client.h"
#include "platform/local_files.h"
#include "platform/sleeper.h"
#include "report/output.h"
#include "targets/run_totals.h"

namespace vornel {

struct Prober;

// What the steps on a device reach: where they report, the FTP client, the
// working directory, the pauses, the echo prober and the run's counters
// they add to. Made from the run for each use; nothing is owned.
struct DeviceContext {
  Transcript& out;
  FtpClient& ftp;
  LocalFiles& files;
  Sleeper& sleeper;
  Prober& prober;
  RunTotals& totals;
  // What opening the working directory's files had to say, said once a run.
  std::set<std::string>& file_notices_said;
};

}  // namespace vornel

#endif  // VORNEL_DEVICE_DEVICE_CONTEXT_H_

#ifndef VORNEL_REPORT_DEVICE_RESULT_H_
#define VORNEL_REPORT_DEVICE_RESULT_H_

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace vornel {

// How one group of a batch list ended, as vornel-batch writes it for other
// programs (the fleet, a script, a scheduler) and they read it back.
enum class DeviceOutcome {
  kOk,       // the file was transferred
  kFailed,   // a step failed; status and reason say which
  kSkipped,  // the list reader refused the group; nothing was sent
  kReady,    // the preflight found nothing that would stop the transfer
};

// "ok", "failed", "skipped", "ready".
const char* device_outcome_name(DeviceOutcome outcome);
std::optional<DeviceOutcome> device_outcome_of(std::string_view name);

struct DeviceResult {
  long line = 0;         // of the group's SystemIP line in the list
  std::string address;   // as the list gives it
  std::string ini_file;  // as the list gives it
  DeviceOutcome outcome = DeviceOutcome::kFailed;
  int status = 0;        // the status number, 1-6; 0 when there is none (skipped, ready)
  std::string reason;    // the summary's sentence, or the list reader's refusal; "" when ok
  std::optional<std::int32_t> firmware;  // the version the firmware check read
  std::string fetched;   // download: the file the configuration was saved as
  std::int64_t start_ms = 0;  // UTC, milliseconds since 1970
  std::int64_t end_ms = 0;
  std::int64_t duration_ms = 0;  // on a clock that never jumps
};

// The record of one group: a JSON object on one line, ending in '\n', its
// fields in the order of the field table (result_record.cc), the one
// definition of their names, order, writers and readers:
//   line, address, ini_file, outcome, status, reason, firmware, fetched,
//   start, end, duration
// status and firmware are numbers or null; start and end are ISO 8601 UTC
// times with milliseconds ("2026-12-08T09:05:07.250Z"); duration is in
// seconds with three decimals. Strings are valid UTF-8 (a byte that is not
// becomes U+FFFD) and every control character is escaped, so a record shows
// nothing a terminal acts on.
std::string result_record(const DeviceResult& result);

// Reads one record (with or without its line end). False for a line that is
// not a whole record of this table, every field present and well formed.
// Fields it does not know are ignored. A file's last line without its line
// end was cut short by a writer that was killed: the caller leaves it out.
bool read_result_record(std::string_view line, DeviceResult* result);

// "2026-12-08T09:05:07.250Z" for milliseconds since 1970 (UTC), whatever the
// local time zone.
std::string iso8601_utc(std::int64_t utc_ms);

}  // namespace vornel

#endif  // VORNEL_REPORT_DEVICE_RESULT_H_

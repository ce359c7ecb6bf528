// vornel-shard watch: reads what GNU parallel's jobs print, each line tagged
// with its shard ("N<TAB>..."): the records their vornel-batch writes as
// each device ends, and the line a job on a host prints when it begins.
// Each record goes into its shard's results.jsonl at once, so a reader
// meanwhile (or after a crash) sees every device that ended. It keeps the
// run's count: the live line on a terminal, and the stop threshold, whose
// reaching makes the stop file here and on every host of the run, so that
// no vornel-batch starts another device.
#include <cstdio>
#include <iostream>
#include <set>

#include "fleet/commands.h"
#include "fleet/host_sessions.h"
#include "fleet/layout.h"
#include "fleet/run_settings.h"
#include "fleet/tables.h"
#include "fleet/workdir.h"
#include "platform/system_clock.h"
#include "platform/interrupt.h"
#include "platform/terminal.h"

namespace fs = std::filesystem;

namespace vornel {
namespace {

constexpr char kStartedWord[] = "started";
// A line longer than any record is no record: its rest is dropped.
constexpr std::size_t kLongestLine = 64 * 1024;

std::string clock_text(long long seconds) {
  char text[32];
  if (seconds >= 3600) {
    std::snprintf(text, sizeof text, "%lldh%02lldm", seconds / 3600, seconds / 60 % 60);
  } else {
    std::snprintf(text, sizeof text, "%lldm%02llds", seconds / 60, seconds % 60);
  }
  return text;
}

struct Tally {
  int devices = 0;   // the list's groups that run: each ends in a record
  int done = 0;      // devices with a record, skipped groups aside
  int good = 0;      // ok or ready
  int failed = 0;

  void add(const DeviceResult& record) {
    if (record.outcome == DeviceOutcome::kSkipped) return;
    ++done;
    good += record.outcome == DeviceOutcome::kOk || record.outcome == DeviceOutcome::kReady;
    failed += record.outcome == DeviceOutcome::kFailed;
  }

  // "834/1000 devices, 820 ok, 14 failed, 5m12s, about 1m03s left"
  std::string line(long long elapsed_ms) const {
    std::string text = "vornel-fleet: " + std::to_string(done) + "/" + std::to_string(devices) +
                       " devices, " + std::to_string(good) + " ok, " + std::to_string(failed) +
                       " failed, " + clock_text(elapsed_ms / 1000);
    if (done > 0 && done < devices) {
      long long left = elapsed_ms / done * (devices - done) / 1000;
      text += ", about " + clock_text(left) + " left";
    }
    return text;
  }
};

// The next line of standard input. A CR ends a line too: GNU parallel's
// --line-buffer takes it for one, and tags what follows it afresh, so the
// Windows build's CRLF arrives as a line and a tag alone.
bool next_line(std::string* line) {
  line->clear();
  int c;
  while ((c = std::cin.get()) != EOF) {
    if (c == '\n' || c == '\r') return true;
    if (line->size() <= kLongestLine) line->push_back(static_cast<char>(c));
  }
  return !line->empty();
}

}  // namespace

int watch_command(const CommandLine& line) {
  // A stop of the run is its jobs' to obey: the records they still write
  // (the device each was working) are kept to the end of their output.
  ignore_interrupts();
  const fs::path dir = line.operands[0];
  RunSettings settings;
  FleetRecord fleet;
  std::string error;
  if (!read_run_settings(dir, &settings, &error) || !read_fleet_record(dir, &fleet, &error)) {
    complain(error);
    // Whatever the jobs print is still read, so that none of them blocks.
    std::string ignored;
    while (next_line(&ignored)) {
    }
    return 2;
  }
  Tally tally;
  for (const PlannedGroup& group : fleet.groups) tally.devices += group.refusal.empty();
  for (const auto& [number, shard] : fleet.shards) {
    for (const DeviceResult& record : shard.records) tally.add(record);
  }
  std::string reason;
  bool stopped = read_stop(dir, &reason) != RunStop::kNone;
  int round = 0;
  for (int r = 1; fs::exists(dir / (kJobLogPrefix + std::to_string(r) + ".in")); ++r) round = r;
  const fs::path started_file = dir / (kStartedPrefix + std::to_string(round) + ".txt");

  std::unique_ptr<Progress> live_line = standard_error_live_line();
  live_line->show(tally.line(SystemClock().utc_ms() - settings.started_ms));
  std::string text;
  while (next_line(&text)) {
    if (text.size() > kLongestLine) continue;
    std::size_t tab = text.find('\t');
    int shard;
    if (tab == std::string::npos || !parse_number(text.substr(0, tab), &shard) ||
        !fleet.shards.count(shard))
      continue;
    std::string payload = text.substr(tab + 1);
    if (payload == kStartedWord) {
      append_to_file(started_file, std::to_string(shard) + "\t" + kStartedWord + "\n");
      continue;
    }
    DeviceResult record;
    if (!read_result_record(payload, &record)) continue;
    append_to_file(shard_dir(dir, shard) / kRecordsFile, payload + "\n");
    tally.add(record);
    live_line->show(tally.line(SystemClock().utc_ms() - settings.started_ms));
    if (stopped || !limit_reached(settings.max_fail, tally.failed, tally.done)) continue;
    // The threshold is reached: no vornel-batch here or on a host starts
    // another device, and GNU parallel starts no other shard (--halt).
    stopped = true;
    std::string why = "the run stopped when " + std::to_string(tally.failed) + " of " +
                      std::to_string(tally.done) + " devices had failed (--max-fail " +
                      limit_words(settings.max_fail) + ")";
    write_stop(dir, RunStop::kThreshold, why);
    HostSessions sessions;
    std::vector<FleetHost> hosts;
    if (read_host_table(dir, &hosts) && read_host_sessions(dir, &sessions))
      on_hosts(sessions, hosts, sessions.prepared, stop_command(sessions));
  }
  live_line->clear();
  return 0;
}

}  // namespace vornel

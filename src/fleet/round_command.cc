// vornel-shard round: what GNU parallel runs next, one argument a line, for
// vornel-fleet to hand over as it is; nothing once the run is over. A round
// runs the pending shards of one wave: a wave's shards run to their end
// before the next wave starts, and a wave gets at most kRoundsPerWave
// rounds on the hosts (a shard that never began goes to another host in the
// next one).
#include <algorithm>
#include <cstdio>
#include <map>

#include "base/whole_file.h"
#include "fleet/commands.h"
#include "fleet/host_sessions.h"
#include "fleet/layout.h"
#include "fleet/run_settings.h"
#include "fleet/tables.h"
#include "fleet/workdir.h"
#include "platform/terminal.h"

namespace fs = std::filesystem;

namespace vornel {
namespace {

constexpr int kRoundsPerWave = 4;
constexpr char kRoundsTable[] = "rounds.tsv";
constexpr char kRoundInputSuffix[] = ".in";

// A word as sh reads it back: in single quotes.
std::string shell_word(const std::string& word) {
  std::string quoted = "'";
  for (char c : word) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return quoted + "'";
}

// vornel-batch's command line in a shard's folder: its records on standard
// output (GNU parallel tags them with the shard), the pass's texts in the
// console file, its status kept; the job fails only when the stop file
// stopped it, which is what makes GNU parallel's --halt start no other.
std::string batch_command(const RunSettings& settings, const std::string& batch) {
  std::string mode;
  switch (settings.mode) {
    case FleetMode::kUpload:
      mode = "upload";
      break;
    case FleetMode::kDownload:
      mode = "download --name-by-address";
      break;
    case FleetMode::kCheckUpload:
      mode = "check upload";
      break;
    case FleetMode::kCheckDownload:
      mode = "check download";
      break;
  }
  return shell_word(batch) + " " + mode + " --results - --stop-file ../" + kStopFlag + " 2>" +
         kConsoleFile + "; s=$?; echo $s >" + kStatusFile + "; [ $s -ne " + std::to_string(kBatchStopFile) + " ]";
}

struct RoundRow {
  int round = 0;
  int wave = 0;
};

std::vector<RoundRow> read_rounds(const fs::path& dir) {
  std::vector<RoundRow> rows;
  std::string text;
  read_whole_file(dir / kRoundsTable, &text);
  for (std::string_view line : lines_of(text)) {
    std::size_t tab = line.find('\t');
    RoundRow row;
    if (tab != std::string_view::npos && parse_number(std::string(line.substr(0, tab)), &row.round) &&
        parse_number(std::string(line.substr(tab + 1)), &row.wave))
      rows.push_back(row);
  }
  return rows;
}

// Asks before a wave; true to go on.
bool confirmed(const fs::path& dir, int wave, int waves, const std::vector<int>& shards) {
  FleetRecord fleet;
  std::string error;
  int devices = 0;
  int done = 0;
  int failed = 0;
  if (read_fleet_record(dir, &fleet, &error)) {
    for (const PlannedGroup& group : fleet.groups) devices += group.wave == wave && group.refusal.empty();
    for (const auto& [number, shard] : fleet.shards) {
      for (const DeviceResult& record : shard.records) {
        done += record.outcome != DeviceOutcome::kSkipped;
        failed += record.outcome == DeviceOutcome::kFailed;
      }
    }
  }
  auto count = [](std::size_t n, const char* what) {
    return std::to_string(n) + " " + what + (n == 1 ? "" : "s");
  };
  std::string question = "vornel-fleet: so far " + count(done, "device") + " worked, " +
                         std::to_string(failed) + " failed. Start wave " + std::to_string(wave) +
                         " of " + std::to_string(waves) + ", " + count(devices, "device") +
                         " in " + count(shards.size(), "shard") + "? [y/N] ";
  std::optional<std::string> answer = ask_on_terminal(question);
  return answer && (*answer == "y" || *answer == "Y" || *answer == "yes");
}

void say_fleet(const std::string& text) {
  std::fprintf(stderr, "vornel-fleet: %s\n", printable_text(text).c_str());
}

}  // namespace

int round_command(const CommandLine& line) {
  const fs::path dir = line.operands[0];
  RunSettings settings;
  std::vector<Shard> shards;
  RoundHistory history;
  std::string error;
  if (!read_run_settings(dir, &settings, &error) || !read_shard_table(dir, &shards, &error) ||
      !read_round_history(dir, &history, &error)) {
    complain(error);
    return 2;
  }
  std::string reason;
  if (read_stop(dir, &reason) != RunStop::kNone) return 0;

  std::vector<RoundRow> rounds = read_rounds(dir);
  std::map<int, int> rounds_of_wave;
  int last_wave = 0;
  for (const RoundRow& row : rounds) {
    ++rounds_of_wave[row.wave];
    last_wave = std::max(last_wave, row.wave);
  }
  int waves = 1;
  for (const Shard& shard : shards) waves = std::max(waves, shard.wave);
  std::vector<int> pending = pending_shards(history, settings.retry);
  int wave = 0;
  for (int shard : pending) {
    int its = shards[static_cast<std::size_t>(shard) - 1].wave;
    if (rounds_of_wave[its] < kRoundsPerWave && (wave == 0 || its < wave)) wave = its;
  }
  if (wave == 0) return 0;
  std::vector<int> now;
  std::vector<std::string> sites;
  for (int shard : pending) {
    const Shard& planned = shards[static_cast<std::size_t>(shard) - 1];
    if (planned.wave != wave) continue;
    now.push_back(shard);
    sites.push_back(planned.site);
  }
  if (settings.confirm && last_wave > 0 && wave > last_wave && !confirmed(dir, wave, waves, now)) {
    write_stop(dir, RunStop::kDeclined,
               "the run was stopped before wave " + std::to_string(wave) + " at the question");
    return 0;
  }

  std::vector<FleetHost> hosts;
  const bool remote = read_host_table(dir, &hosts);
  std::vector<std::string> jobs;
  HostSessions sessions;
  std::vector<int> live;
  if (!remote) {
    for (int shard : now) jobs.push_back(std::to_string(shard));
  } else {
    if (!read_host_sessions(dir, &sessions) && !begin_host_sessions(&sessions, &error)) {
      complain(error);
      return 2;
    }
    std::vector<int> all;
    for (std::size_t i = 0; i < hosts.size(); ++i) all.push_back(static_cast<int>(i));
    std::vector<bool> ready = on_hosts(sessions, hosts, all, prepare_command(sessions));
    for (std::size_t i = 0; i < hosts.size(); ++i) {
      if (!ready[i]) {
        say_fleet(hosts[i].login + " could not be reached");
        continue;
      }
      live.push_back(static_cast<int>(i));
      if (std::find(sessions.prepared.begin(), sessions.prepared.end(), int(i)) ==
          sessions.prepared.end())
        sessions.prepared.push_back(static_cast<int>(i));
    }
    if (!write_host_sessions(dir, sessions)) {
      complain("cannot write in " + dir.string());
      return 2;
    }
    jobs = job_lines(now, sites, hosts, std::set<int>(live.begin(), live.end()));
  }
  if (jobs.empty()) return 0;

  int round = static_cast<int>(rounds.size()) + 1;
  std::string name = std::to_string(round);
  std::string input;
  for (const std::string& job : jobs) input += job + "\n";
  if (!write_whole_file(dir / (kJobLogPrefix + name + kRoundInputSuffix), input) ||
      !append_to_file(dir / kRoundsTable, name + "\t" + std::to_string(wave) + "\n")) {
    complain("cannot write in " + dir.string());
    return 2;
  }

  std::vector<std::string> args = {"--will-cite", "--line-buffer", "--tag", "--joblog",
                                   kJobLogPrefix + name + ".log", "-a",
                                   kJobLogPrefix + name + kRoundInputSuffix};
  // Once a stop made one vornel-batch end, GNU parallel starts no other shard.
  if (!settings.max_fail.none()) args.insert(args.end(), {"--halt", "soon,fail=1"});
  if (!remote) {
    args.insert(args.end(), {"--jobs", std::to_string(settings.jobs),
                             "cd " + std::string(kShardPrefix) + "{} && { " +
                                 batch_command(settings, settings.batch) + "; }"});
  } else {
    // Each host runs as many at once as its entry's count (100% of the
    // "CPUs" its N/ gives it). The first line a job prints says it began on
    // its host (started-R.txt): a shard that never began may go to another
    // host, one that did has worked devices.
    args.insert(args.end(), {"--jobs", "100%", "--hostgroups"});
    for (int i : live) {
      const FleetHost& host = hosts[static_cast<std::size_t>(i)];
      args.push_back("-S");
      args.push_back(settings.site_map.empty() ? host.entry
                                               : "@h" + std::to_string(i) + "/" + host.entry);
    }
    args.insert(args.end(),
                {"--ssh", ssh_command_line(sessions), "--workdir", sessions.remote_work + "/{}",
                 "--transferfile", std::string(kShardPrefix) + "{}/./", "--return",
                 std::string(kShardPrefix) + "{}/./",
                 ": {}; echo started; umask 077; " +
                     batch_command(settings, settings.remote_batch)});
  }
  for (const std::string& arg : args) std::printf("%s\n", arg.c_str());
  return 0;
}

}  // namespace vornel

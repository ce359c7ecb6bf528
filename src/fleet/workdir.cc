#include "fleet/workdir.h"

#include "base/file_handle.h"
#include "fleet/layout.h"
#include "fleet/tables.h"
#include "platform/local_files.h"

namespace fs = std::filesystem;

namespace vornel {
namespace {

constexpr char kThresholdStop[] = "threshold";
constexpr char kDeclinedStop[] = "declined";

// A file's lines; false with *error naming the file when it can't be read.
bool read_lines(const fs::path& path, std::string* text, std::vector<std::string_view>* lines,
                std::string* error) {
  if (!read_whole_file(path, text)) {
    *error = "cannot read " + path.string();
    return false;
  }
  *lines = lines_of(*text);
  return true;
}

// The rounds' files, 1, 2, ... up to the first missing.
template <typename Each>
void for_each_round(const fs::path& dir, const char* prefix, const char* suffix, Each each) {
  for (int round = 1;; ++round) {
    std::string text;
    if (!read_whole_file(dir / (prefix + std::to_string(round) + suffix), &text)) return;
    each(round, lines_of(text));
  }
}

}  // namespace

bool read_named_file(const fs::path& path, std::string* text, std::string* notice) {
  FileHandle file = working_directory_files().open_for_reading(path.string().c_str(), notice);
  return file && read_all(file.get(), text);
}

fs::path shard_dir(const fs::path& dir, int shard) { return dir / shard_name(shard); }

bool read_status(const fs::path& path, int* status) {
  std::string text;
  if (!read_whole_file(path, &text) || text.size() > 32) return false;
  std::size_t begin = text.find_first_not_of(" \t\r\n");
  if (begin == std::string::npos) return false;
  std::size_t end = text.find_first_not_of("0123456789", begin);
  if (end == begin || end - begin > 9 ||
      text.find_first_not_of(" \t\r\n", end) != std::string::npos)
    return false;
  *status = std::stoi(text.substr(begin, end - begin));
  return true;
}

bool read_shard_table(const fs::path& dir, std::vector<Shard>* shards, std::string* error) {
  std::string text;
  std::vector<std::string_view> lines;
  if (!read_lines(dir / kShardsTable, &text, &lines, error)) return false;
  for (std::string_view line : lines) {
    int number;
    Shard shard;
    if (!parse_shard_row(line, &number, &shard) ||
        number != static_cast<int>(shards->size()) + 1) {
      *error = (dir / kShardsTable).string() + ": a line is not the next shard";
      return false;
    }
    shards->push_back(shard);
  }
  return true;
}

bool read_host_table(const fs::path& dir, std::vector<FleetHost>* hosts) {
  std::string text;
  if (!read_whole_file(dir / kHostsTable, &text)) return false;
  for (std::string_view line : lines_of(text)) {
    FleetHost host;
    if (parse_host_row(line, &host)) hosts->push_back(host);
  }
  return true;
}

bool read_shard_records(const fs::path& file, std::vector<DeviceResult>* records) {
  std::string text;
  if (!read_whole_file(file, &text)) return false;
  std::string_view rest = text;
  for (std::size_t end; (end = rest.find('\n')) != std::string_view::npos;
       rest.remove_prefix(end + 1)) {
    DeviceResult record;
    if (read_result_record(rest.substr(0, end), &record)) records->push_back(record);
  }
  return true;
}

bool read_round_history(const fs::path& dir, RoundHistory* history, std::string* error) {
  std::vector<Shard> shards;
  if (!read_shard_table(dir, &shards, error)) return false;
  for (std::size_t i = 0; i < shards.size(); ++i) {
    int shard = static_cast<int>(i) + 1;
    history->shards.push_back(shard);
    std::error_code missing;
    if (fs::exists(shard_dir(dir, shard) / kStatusFile, missing)) history->finished.insert(shard);
  }
  for_each_round(dir, kStartedPrefix, ".txt", [&](int, const std::vector<std::string_view>& lines) {
    std::set<int> started;
    for (std::string_view line : lines) {
      int shard;
      if (parse_started_row(line, &shard)) started.insert(shard);
    }
    history->started.push_back(started);
  });
  return true;
}

RunStop read_stop(const fs::path& dir, std::string* reason) {
  std::string text;
  std::error_code missing;
  if (!fs::exists(fs::symlink_status(dir / kStopFlag, missing))) return RunStop::kNone;
  read_whole_file(dir / kStopFlag, &text);
  std::vector<std::string_view> lines = lines_of(text);
  if (lines.size() > 1) *reason = lines[1];
  return !lines.empty() && lines[0] == kDeclinedStop ? RunStop::kDeclined : RunStop::kThreshold;
}

bool write_stop(const fs::path& dir, RunStop stop, std::string_view reason) {
  std::string text = stop == RunStop::kDeclined ? kDeclinedStop : kThresholdStop;
  return write_whole_file(dir / kStopFlag, text + "\n" + std::string(reason) + "\n");
}

bool read_fleet_record(const fs::path& dir, FleetRecord* fleet, std::string* error) {
  std::string text;
  std::vector<std::string_view> lines;
  if (!read_lines(dir / kGroupsTable, &text, &lines, error)) return false;
  for (std::string_view line : lines) {
    PlannedGroup group;
    if (!parse_group_row(line, &group)) {
      *error = (dir / kGroupsTable).string() + ": a line is not a group";
      return false;
    }
    fleet->groups.push_back(group);
  }
  std::vector<Shard> shards;
  if (!read_shard_table(dir, &shards, error)) return false;
  std::vector<FleetHost> hosts;
  fleet->remote = read_host_table(dir, &hosts);
  RunStop stop = read_stop(dir, &fleet->stop_reason);
  if (stop != RunStop::kNone) fleet->stop = stop;
  for (std::size_t i = 0; i < shards.size(); ++i) {
    int number = static_cast<int>(i) + 1;
    ShardRecord& shard = fleet->shards[number];
    shard.site = shards[i].site;
    shard.wave = shards[i].wave;
    int status;
    if (read_status(shard_dir(dir, number) / kStatusFile, &status)) shard.status = status;
    shard.has_records = read_shard_records(shard_dir(dir, number) / kRecordsFile, &shard.records);
  }
  for_each_round(dir, kJobLogPrefix, ".log", [&](int, const std::vector<std::string_view>& rows) {
    for (std::string_view line : rows) {
      JobRecord job;
      if (!parse_job_row(line, &job) || !fleet->shards.count(job.shard)) continue;
      ShardRecord& shard = fleet->shards[job.shard];
      shard.tried = true;
      shard.host = job.host;
      shard.exit_value = job.exit_value;
    }
  });
  for_each_round(dir, kStartedPrefix, ".txt", [&](int, const std::vector<std::string_view>& rows) {
    for (std::string_view line : rows) {
      int shard;
      if (parse_started_row(line, &shard) && fleet->shards.count(shard))
        fleet->shards[shard].started = true;
    }
  });
  return true;
}

}  // namespace vornel

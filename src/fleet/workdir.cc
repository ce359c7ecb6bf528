#include "fleet/workdir.h"

#include "base/file_handle.h"
#include "fleet/tables.h"
#include "platform/local_files.h"

namespace fs = std::filesystem;

namespace vornel {
namespace {

// Far above any list, table or transcript of a fleet: what is larger was
// not written by the fleet's tools, and is not taken into memory.
constexpr std::size_t kLargestFile = std::size_t{256} << 20;

fs::path shard_dir(const fs::path& dir, int shard) {
  return dir / ("shard-" + std::to_string(shard));
}

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

// A status file: the exit status as the runner wrote it ("0"), or as a
// Windows command prompt writes it ("0 " and CRLF).
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

// The rounds' files, 1, 2, ... up to the first missing.
template <typename Each>
void for_each_round(const fs::path& dir, const char* prefix, const char* suffix, Each each) {
  for (int round = 1;; ++round) {
    std::string text;
    if (!read_whole_file(dir / (prefix + std::to_string(round) + suffix), &text)) return;
    each(round, lines_of(text));
  }
}

// The whole of an open file, within kLargestFile.
bool read_all(std::FILE* file, std::string* text) {
  text->clear();
  char buffer[65536];
  std::size_t got;
  while ((got = std::fread(buffer, 1, sizeof buffer, file)) > 0) {
    if (text->size() + got > kLargestFile) return false;
    text->append(buffer, got);
  }
  return !std::ferror(file);
}

}  // namespace

bool read_whole_file(const fs::path& path, std::string* text, bool follow_link) {
  std::error_code error;
  if (!fs::is_regular_file(follow_link ? fs::status(path, error) : fs::symlink_status(path, error)))
    return false;
  FileHandle file = open_file(path.string().c_str(), "rb");
  return file && read_all(file.get(), text);
}

bool read_named_file(const fs::path& path, std::string* text, std::string* notice) {
  FileHandle file = working_directory_files().open_for_reading(path.string().c_str(), notice);
  return file && read_all(file.get(), text);
}

bool write_whole_file(const fs::path& path, std::string_view text) {
  FileHandle file = open_file(path.string().c_str(), "wb");
  if (!file) return false;
  bool ok = std::fwrite(text.data(), 1, text.size(), file.get()) == text.size();
  return std::fclose(file.release()) == 0 && ok;
}

bool read_shard_table(const fs::path& dir, std::vector<int>* shards,
                      std::vector<std::string>* sites, std::string* error) {
  std::string text;
  std::vector<std::string_view> lines;
  if (!read_lines(dir / "shards.tsv", &text, &lines, error)) return false;
  for (std::string_view line : lines) {
    int shard;
    std::string site;
    if (!parse_shard_row(line, &shard, &site)) {
      *error = (dir / "shards.tsv").string() + ": a line is not a shard";
      return false;
    }
    shards->push_back(shard);
    sites->push_back(site);
  }
  return true;
}

bool read_host_table(const fs::path& dir, std::vector<FleetHost>* hosts) {
  std::string text;
  if (!read_whole_file(dir / "hosts.tsv", &text)) return false;
  for (std::string_view line : lines_of(text)) {
    FleetHost host;
    if (parse_host_row(line, &host)) hosts->push_back(host);
  }
  return true;
}

bool read_round_history(const fs::path& dir, RoundHistory* history, std::string* error) {
  std::vector<std::string> sites;
  if (!read_shard_table(dir, &history->shards, &sites, error)) return false;
  for (int shard : history->shards) {
    std::error_code missing;
    if (fs::exists(shard_dir(dir, shard) / "status", missing)) history->finished.insert(shard);
  }
  for_each_round(dir, "started-", ".txt", [&](int, const std::vector<std::string_view>& lines) {
    std::set<int> started;
    for (std::string_view line : lines) {
      int shard;
      if (parse_started_row(line, &shard)) started.insert(shard);
    }
    history->started.push_back(started);
  });
  return true;
}

bool read_fleet_record(const fs::path& dir, FleetRecord* fleet, std::string* error) {
  std::string text;
  std::vector<std::string_view> lines;
  if (!read_lines(dir / "groups.tsv", &text, &lines, error)) return false;
  for (std::string_view line : lines) {
    PlannedGroup group;
    if (!parse_group_row(line, &group)) {
      *error = (dir / "groups.tsv").string() + ": a line is not a group";
      return false;
    }
    fleet->groups.push_back(group);
  }
  std::vector<int> shards;
  std::vector<std::string> sites;
  if (!read_shard_table(dir, &shards, &sites, error)) return false;
  std::vector<FleetHost> hosts;
  fleet->remote = read_host_table(dir, &hosts);
  for (std::size_t i = 0; i < shards.size(); ++i) {
    ShardRecord& shard = fleet->shards[shards[i]];
    shard.site = sites[i];
    int status;
    if (read_status(shard_dir(dir, shards[i]) / "status", &status)) shard.status = status;
    std::string transcript;
    if (read_whole_file(shard_dir(dir, shards[i]) / "console.txt", &transcript))
      shard.transcript = read_transcript(transcript);
  }
  for_each_round(dir, "jobs-", ".log", [&](int, const std::vector<std::string_view>& lines) {
    for (std::string_view line : lines) {
      JobRecord job;
      if (!parse_job_row(line, &job) || !fleet->shards.count(job.shard)) continue;
      ShardRecord& shard = fleet->shards[job.shard];
      shard.tried = true;
      shard.host = job.host;
      shard.exit_value = job.exit_value;
    }
  });
  for_each_round(dir, "started-", ".txt", [&](int, const std::vector<std::string_view>& lines) {
    for (std::string_view line : lines) {
      int shard;
      if (parse_started_row(line, &shard) && fleet->shards.count(shard))
        fleet->shards[shard].started = true;
    }
  });
  return true;
}

}  // namespace vornel

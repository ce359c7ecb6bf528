#ifndef VORNEL_FLEET_LAYOUT_H_
#define VORNEL_FLEET_LAYOUT_H_

#include <string>

namespace vornel {

// Every name of a fleet's working folder, spelled here and nowhere else (the
// script included: it takes the job command from vornel-shard).
//
//   list.txt            the batch list as it was read, once
//   run.tsv             the run's settings (run_settings.h)
//   groups.tsv, shards.tsv, hosts.tsv   the cut (tables.h)
//   shard-N/            a shard: its list, INI files, and what its
//                       vornel-batch left: results.jsonl, console.txt,
//                       log.txt, status, fetched files
//   jobs-R.log, started-R.txt   GNU parallel's job log of round R, and the
//                       shards that began on a host in it
//   stopped             made when a stop threshold was reached
//   fetched/            the fetched files, each ADDRESS.ini
//   results.csv, rerun_list.txt, ready_list.txt, remaining_list.txt
inline constexpr char kListCopy[] = "list.txt";
inline constexpr char kSettingsFile[] = "run.tsv";
inline constexpr char kGroupsTable[] = "groups.tsv";
inline constexpr char kShardsTable[] = "shards.tsv";
inline constexpr char kHostsTable[] = "hosts.tsv";
inline constexpr char kShardPrefix[] = "shard-";
inline constexpr char kUploadList[] = "upload_list.txt";
inline constexpr char kDownloadList[] = "download_list.txt";
inline constexpr char kRecordsFile[] = "results.jsonl";
inline constexpr char kConsoleFile[] = "console.txt";
inline constexpr char kStatusFile[] = "status";
inline constexpr char kShardLog[] = "log.txt";
inline constexpr char kJobLogPrefix[] = "jobs-";
inline constexpr char kStartedPrefix[] = "started-";
inline constexpr char kStopFlag[] = "stopped";
inline constexpr char kFetchedDir[] = "fetched";
inline constexpr char kResultsFile[] = "results.csv";
inline constexpr char kRerunFile[] = "rerun_list.txt";
inline constexpr char kReadyFile[] = "ready_list.txt";
inline constexpr char kRemainingFile[] = "remaining_list.txt";

inline std::string shard_name(int shard) { return kShardPrefix + std::to_string(shard); }

}  // namespace vornel

#endif  // VORNEL_FLEET_LAYOUT_H_

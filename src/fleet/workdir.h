#ifndef VORNEL_FLEET_WORKDIR_H_
#define VORNEL_FLEET_WORKDIR_H_

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "fleet/hosts.h"
#include "fleet/job_rounds.h"
#include "fleet/outcomes.h"

namespace vornel {

// A fleet's working folder (vornel-shard -o DIR): the copy of the list
// (list.txt), the tables (tables.h), and per shard shard-N/ with its list,
// and once its Vornel ran console.txt, errors.txt, log.txt and status; for a
// run on hosts each round's job log (jobs-R.log) and started-R.txt.

inline constexpr char kListCopy[] = "list.txt";
inline constexpr char kResultsFile[] = "results.csv";
inline constexpr char kRerunFile[] = "rerun_list.txt";

// The whole of a regular file, byte for byte; a link is followed only when
// asked (a file the operator names, not one found in a folder). False when
// it can't be read or holds more than 256 MiB.
bool read_whole_file(const std::filesystem::path& path, std::string* text,
                     bool follow_link = false);

// A file the operator names (the batch list, the INI files it names), read
// whole by the rule the console program reads them by (LocalFiles): another
// user's link on the way is not followed, another user's file is refused
// when run as root. *notice is what that rule had to say, read or not
// (empty when nothing). False when the file is refused, can't be read or
// holds more than 256 MiB.
bool read_named_file(const std::filesystem::path& path, std::string* text, std::string* notice);

// Writes text as the file's new content. False when that fails.
bool write_whole_file(const std::filesystem::path& path, std::string_view text);

// The shards of shards.tsv with their sites, in order. False with *error
// when the table can't be read.
bool read_shard_table(const std::filesystem::path& dir, std::vector<int>* shards,
                      std::vector<std::string>* sites, std::string* error);

// hosts.tsv; false when there is none (the shards ran here).
bool read_host_table(const std::filesystem::path& dir, std::vector<FleetHost>* hosts);

// What the rounds so far left: the shards' status files and started-R.txt.
bool read_round_history(const std::filesystem::path& dir, RoundHistory* history,
                        std::string* error);

// Everything the outcome reader judges by. False with *error when the
// folder's tables are missing or broken.
bool read_fleet_record(const std::filesystem::path& dir, FleetRecord* fleet, std::string* error);

}  // namespace vornel

#endif  // VORNEL_FLEET_WORKDIR_H_

#ifndef VORNEL_FLEET_WORKDIR_H_
#define VORNEL_FLEET_WORKDIR_H_

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "base/whole_file.h"
#include "fleet/hosts.h"
#include "fleet/job_rounds.h"
#include "fleet/outcomes.h"

namespace vornel {

// Reading a fleet's working folder (layout.h).

// A file the operator names (the batch list, the INI files it names), read
// whole by the rule the console program reads them by (LocalFiles): another
// user's link on the way is not followed, another user's file is refused
// when run as root. *notice is what that rule had to say, read or not
// (empty when nothing). False when the file is refused, can't be read or
// holds more than kLargestFile.
bool read_named_file(const std::filesystem::path& path, std::string* text, std::string* notice);

std::filesystem::path shard_dir(const std::filesystem::path& dir, int shard);

// The shards of shards.tsv, in order (shard N is (*shards)[N - 1]). False
// with *error when the table can't be read.
bool read_shard_table(const std::filesystem::path& dir, std::vector<Shard>* shards,
                      std::string* error);

// hosts.tsv; false when there is none (the shards ran here).
bool read_host_table(const std::filesystem::path& dir, std::vector<FleetHost>* hosts);

// The records of a shard's results.jsonl: its whole lines (a last line
// without its line end was cut short by a killed writer), each a record of
// the field table; other lines are left out. False when there is no file.
bool read_shard_records(const std::filesystem::path& file, std::vector<DeviceResult>* records);

// A status file: the exit status as the runner wrote it ("0"), or as a
// Windows command prompt writes it ("0 " and CRLF).
bool read_status(const std::filesystem::path& path, int* status);

// What the rounds so far left: the shards' status files and started-R.txt.
bool read_round_history(const std::filesystem::path& dir, RoundHistory* history,
                        std::string* error);

// Why the run was stopped, from the stop file; RunStop::kNone without one.
RunStop read_stop(const std::filesystem::path& dir, std::string* reason);

// Marks the run stopped: the stop file, holding the kind ("threshold" or
// "declined") and the words the summary says. False when it can't be made.
bool write_stop(const std::filesystem::path& dir, RunStop stop, std::string_view reason);

// Everything the outcome reader judges by. False with *error when the
// folder's tables are missing or broken.
bool read_fleet_record(const std::filesystem::path& dir, FleetRecord* fleet, std::string* error);

}  // namespace vornel

#endif  // VORNEL_FLEET_WORKDIR_H_

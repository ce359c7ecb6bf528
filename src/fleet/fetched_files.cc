// The fetched files of a download run, gathered from the shards into
// fetched/: only the file a device's own record names, of a device its
// shard was given, named after that device, a plain file within the fetch
// limit. Whatever else a shard (a host) sent back stays where it is, and
// never passes for a device's configuration.
#include <filesystem>

#include "fleet/commands.h"
#include "fleet/layout.h"
#include "fleet/workdir.h"

namespace fs = std::filesystem;

namespace vornel {
namespace {

// The largest configuration Vornel fetches (the FTP layer's limit).
constexpr std::uintmax_t kLargestFetched = std::uintmax_t{256} << 20;

}  // namespace

void gather_fetched_files(const fs::path& dir, const FleetRecord& fleet) {
  std::error_code failed;
  for (const PlannedGroup& group : fleet.groups) {
    auto shard = fleet.shards.find(group.shard);
    if (shard == fleet.shards.end() || !plain_address(group.address)) continue;
    const std::string name = group.address + ".ini";
    const DeviceResult* record = record_of(group, shard->second);
    if (record == nullptr || record->outcome != DeviceOutcome::kOk || record->fetched != name)
      continue;
    fs::path from = shard_dir(dir, group.shard) / name;
    fs::file_status status = fs::symlink_status(from, failed);
    if (!fs::is_regular_file(status) || fs::file_size(from, failed) > kLargestFetched) continue;
    fs::create_directory(dir / kFetchedDir, failed);
    fs::rename(from, dir / kFetchedDir / name, failed);
  }
}

}  // namespace vornel

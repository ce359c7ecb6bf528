#include <cstdio>
#include <filesystem>
#include <optional>
#include <set>
#include <string>
#include <string_view>

#include "base/printable_text.h"
#include "base/file_handle.h"
#include "base/local_name.h"
#include "fleet/commands.h"
#include "fleet/cut.h"
#include "fleet/layout.h"
#include "fleet/site_map.h"
#include "fleet/tables.h"
#include "fleet/workdir.h"
#include "platform/local_files.h"

namespace fs = std::filesystem;

namespace vornel {
namespace {

// How many shards a job slot gets when -n doesn't say: a job that finishes
// early takes the next, so no shard holding several silent devices is left
// to finish on its own at the end, while each job's own cost stays small.
constexpr int kShardsPerJob = 8;
constexpr int kDefaultJobs = 8;

bool read_options(const CommandLine& line, CutRequest* options, std::string* error) {
  for (const CommandOption& option : line.options) {
    switch (option.name) {
      case 'o':
        options->dir = option.value;
        break;
      case 'n':
        if ((options->shards = parse_count(option.value)) == 0)
          *error = "-n wants a count of 1 or more";
        break;
      case 'k':
        if ((options->jobs = parse_count(option.value)) == 0)
          *error = "-k wants a count of 1 or more";
        break;
      case 'm':
        if (option.value != "upload" && option.value != "download")
          *error = "-m wants upload or download";
        options->upload = option.value == "upload";
        break;
      case 'S':
        options->hosts = option.value;
        break;
      case 'M':
        options->site_map = option.value;
        break;
      case 'W':
        if (!parse_waves(option.value, &options->waves, error)) *error = "--waves " + *error;
        break;
    }
  }
  if (line.operands.size() != 1 && error->empty()) *error = "one batch list, please";
  if (error->empty()) options->list = line.operands[0];
  return error->empty();
}

// Copies the INI files a shard's groups name, written afresh so that they
// take this process's private mode. A missing file is left missing, and so
// is one refused as Vornel refuses it (another user's link or, run as root,
// file; said once in *said): Vornel then reports that device as it would
// anyway.
bool copy_ini_files(const ShardPlan& plan, const Shard& shard, const fs::path& from,
                    const fs::path& to, std::set<std::string>* said) {
  for (std::size_t index : shard.groups) {
    const PlannedGroup& group = plan.groups[index];
    const std::string& name = group.ini_file_name;
    if (name.empty() || !group.refusal.empty()) continue;
    // The list reader refuses a group whose name is no plain file of the
    // working directory; this copies by name, so it holds to the same rule.
    if (std::optional<std::string_view> why = local_name_refusal(name)) {
      complain(plan.file_name + ":" + std::to_string(group.line) + ": the name " + name + " " +
               std::string(*why) + "; it is not copied into the shard");
      continue;
    }
    std::error_code error;
    std::string content;
    if (fs::exists(to / name, error) || !fs::is_regular_file(from / name, error)) continue;
    std::string notice;
    bool read = read_named_file(from / name, &content, &notice);
    if (!notice.empty() && said->insert(notice).second) complain(notice);
    if (!read && !notice.empty()) continue;
    if (!read || !write_whole_file(to / name, content)) {
      complain("cannot copy " + (from / name).string());
      return false;
    }
  }
  return true;
}

bool write_shards(ShardPlan* plan, const std::string& list_text, const CutRequest& options,
                  const std::vector<FleetHost>& hosts) {
  const fs::path dir = options.dir;
  fs::path list_dir = fs::path(options.list).parent_path();
  if (list_dir.empty()) list_dir = ".";
  const char* list_name = options.upload ? kUploadList : kDownloadList;
  std::string shards_table;
  std::set<std::string> said;
  for (std::size_t n = 1; n <= plan->shards.size(); ++n) {
    const Shard& shard = plan->shards[n - 1];
    fs::path shard_dir = dir / shard_name(static_cast<int>(n));
    std::error_code error;
    if (!fs::create_directory(shard_dir, error)) {
      complain("cannot make " + shard_dir.string() + ": " + error.message());
      return false;
    }
    if (!write_whole_file(shard_dir / list_name, shard_list_text(plan, int(n), list_text)) ||
        (options.upload && !copy_ini_files(*plan, shard, list_dir, shard_dir, &said))) {
      complain("cannot write the shard " + shard_dir.string());
      return false;
    }
    shards_table += shard_row(int(n), shard);
  }
  std::string groups_table;
  for (const PlannedGroup& group : plan->groups) groups_table += group_row(group);
  std::string hosts_table;
  for (const FleetHost& host : hosts) hosts_table += host_row(host);
  if (!write_whole_file(dir / kGroupsTable, groups_table) ||
      !write_whole_file(dir / kShardsTable, shards_table) ||
      (!hosts.empty() && !write_whole_file(dir / kHostsTable, hosts_table))) {
    complain("cannot write the tables in " + dir.string());
    return false;
  }
  return true;
}

// The folder for the shards: made when missing; never a link or a folder
// that already holds something, whose files a run would mix with its own.
// *made tells whether this call made it.
bool prepare_folder(fs::path dir, bool* made, std::string* error) {
  // "run/" names what "run" names, a link's target when it is a link.
  while (!dir.has_filename() && dir.has_relative_path()) dir = dir.parent_path();
  std::error_code code;
  fs::file_status status = fs::symlink_status(dir, code);
  *made = false;
  if (fs::is_symlink(status)) {
    *error = dir.string() + " is a link; give a folder of its own";
  } else if (fs::exists(status) && !fs::is_directory(status)) {
    *error = dir.string() + " is not a folder";
  } else if (fs::exists(status) && !fs::is_empty(dir, code)) {
    *error = dir.string() + " is not empty; give a new or empty folder";
  } else if (!fs::exists(status) && !(*made = fs::create_directory(dir, code))) {
    *error = "cannot make " + dir.string() + ": " + code.message();
  }
  return error->empty();
}

// Takes back what a failed cut wrote: the folder as it was, empty or missing.
void undo_cut(const fs::path& dir, bool made) {
  std::error_code ignored;
  for (const fs::directory_entry& entry : fs::directory_iterator(dir, ignored))
    fs::remove_all(entry.path(), ignored);
  if (made) fs::remove(dir, ignored);
}

// Every host a shard's site names must be one the run can use.
bool sites_within_hosts(const ShardPlan& plan, const std::vector<FleetHost>& hosts,
                        std::string* error) {
  for (const Shard& shard : plan.shards) {
    std::string_view site = shard.site;
    while (!site.empty()) {
      std::size_t comma = site.find(',');
      std::string_view login = site.substr(0, comma);
      site.remove_prefix(comma == std::string_view::npos ? site.size() : comma + 1);
      bool known = false;
      for (const FleetHost& host : hosts) known = known || host.login == login;
      if (!known) {
        *error = "the site map names " + std::string(login) + ", which -S does not list";
        return false;
      }
    }
  }
  return true;
}

// -S HOSTS, or -S @FILE for a file of them: an entry is never looked up as
// a file, so a file that happens to bear a host's name can't send the shards
// and their passwords elsewhere.
bool read_hosts(const CutRequest& options, std::vector<FleetHost>* hosts, std::string* error) {
  if (options.hosts.empty()) return true;
  bool from_file = options.hosts[0] == '@';
  std::string text = options.hosts;
  if (from_file && !read_whole_file(options.hosts.substr(1), &text, true)) {
    *error = "cannot read the file of hosts " + options.hosts.substr(1);
    return false;
  }
  return parse_hosts(text, from_file, options.jobs > 0 ? options.jobs : kDefaultJobs, hosts, error);
}

int wanted_shards(const CutRequest& options, const std::vector<FleetHost>& hosts) {
  if (options.shards > 0) return options.shards;
  if (options.jobs == 0 && hosts.empty()) return 0;
  int slots = hosts.empty() ? options.jobs : 0;
  for (const FleetHost& host : hosts) slots += host.jobs;
  return kShardsPerJob * slots;
}

bool read_map(const CutRequest& options, SiteMap* map, std::string* error) {
  if (options.site_map.empty()) return true;
  FileHandle file = open_file(options.site_map.c_str(), "rb");
  if (!file) {
    *error = "cannot read the site map " + options.site_map;
    return false;
  }
  return read_site_map(file.get(), options.site_map.c_str(), map, error);
}

}  // namespace

bool cut_list(const CutRequest& request, CutResult* cut, std::string* error) {
  SiteMap map;
  std::string list_text;
  if (!read_hosts(request, &cut->hosts, error) || !read_map(request, &map, error)) return false;
  // The list is read once: the shards are cut from this one reading, through
  // a private copy in the folder, and no later change of the list reaches them.
  std::string notice;
  bool read = read_named_file(request.list, &list_text, &notice);
  if (!notice.empty()) complain(notice);
  if (!read) {
    *error = "cannot read the batch list " + request.list;
    return false;
  }
  bool made;
  const fs::path dir = request.dir;
  if (!prepare_folder(dir, &made, error)) return false;

  ShardPlan plan;
  FileHandle copy;
  if (!write_whole_file(dir / kListCopy, list_text) ||
      !(copy = open_file((dir / kListCopy).string().c_str(), "rb"))) {
    *error = "cannot write " + (dir / kListCopy).string();
  } else {
    collect_groups(copy.get(), request.list.c_str(), &plan);
    copy.reset();
    if (plan.groups.empty()) {
      *error = request.list + " holds no group (a line starting SystemIP= and three more)";
    } else if (cut_into_shards(&plan, wanted_shards(request, cut->hosts),
                               request.site_map.empty() ? nullptr : &map, request.waves, error) &&
               (cut->hosts.empty() || request.site_map.empty() ||
                sites_within_hosts(plan, cut->hosts, error)) &&
               !write_shards(&plan, list_text, request, cut->hosts)) {
      *error = request.list + " was not cut into shards";
    }
  }
  if (!error->empty()) {
    undo_cut(dir, made);
    return false;
  }
  cut->groups = plan.groups.size();
  cut->shards = plan.shards.size();
  for (const Shard& shard : plan.shards) cut->waves = std::max(cut->waves, shard.wave);
  return true;
}

int complain_lines(const std::string& error) {
  for (std::string_view line : lines_of(error)) complain(std::string(line));
  return 2;
}

int cut_command(const CommandLine& line) {
  CutRequest request;
  CutResult cut;
  std::string error;
  if (!read_options(line, &request, &error) || !cut_list(request, &cut, &error))
    return complain_lines(error);
  std::string done = std::to_string(cut.groups) + " groups of " + request.list + " in " +
                     std::to_string(cut.shards) + " shards\n";
  std::fputs(done.c_str(), stdout);
  // By hand, a wave is run to its end, and looked at, before the next.
  std::vector<Shard> shards;
  std::string ignored;
  if (cut.waves > 1 && read_shard_table(request.dir, &shards, &ignored)) {
    for (int wave = 1; wave <= cut.waves; ++wave) {
      std::printf("wave %d: shards", wave);
      for (std::size_t i = 0; i < shards.size(); ++i) {
        if (shards[i].wave == wave) std::printf(" %s", std::to_string(i + 1).c_str());
      }
      std::printf("\n");
    }
  }
  return 0;
}

int list_groups_command(const std::string& list) {
  std::string notice;
  FileHandle file = working_directory_files().open_for_reading(list.c_str(), &notice);
  if (!notice.empty()) complain(notice);
  if (!file) {
    complain("cannot read the batch list " + list);
    return 2;
  }
  ShardPlan plan;
  collect_groups(file.get(), list.c_str(), &plan);
  for (const PlannedGroup& group : plan.groups) {
    if (!group.refusal.empty()) {
      std::fprintf(stderr, "vornel: %s\n", printable_text(group.refusal).c_str());
      continue;
    }
    std::printf("%ld\t%s\t%s\t%s\t%s\n", group.line, group.address.c_str(),
                group.ini_file_name.c_str(), group.user_name.c_str(), group.password.c_str());
  }
  return 0;
}

}  // namespace vornel

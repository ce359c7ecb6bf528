// vornel-shard: cuts a batch list into shards of whole groups for running
// several Vornels side by side (tools/shard-run.sh), or prints its groups.
// The groups come from Vornel's own list reader, so a shard holds exactly the
// pieces Vornel reads and no second copy of the list rules can drift.
//
//   vornel-shard LIST
//       one line per group Vornel takes: LINE, ADDRESS, INI, USER, PASSWORD,
//       tab-separated; a refused group is named on standard error instead
//   vornel-shard -o DIR [-n SHARDS] [-m upload|download] [-M SITEMAP] LIST
//       DIR/shard-N/ with the shard's list and, for an upload, copies of the
//       INI files its groups name (from beside LIST); for a download a
//       placeholder config.ini. DIR/groups.tsv: per group in list order its
//       shard, address, line, line in the shard's list, INI file and why it
//       is refused; DIR/shards.tsv: per shard its number and site.
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <string_view>

#include "base/file_handle.h"
#include "fleet/shard_plan.h"
#include "fleet/site_map.h"

namespace fs = std::filesystem;

namespace {

constexpr char kPlaceholder[] =
    "placeholder, so that Vornel names every fetched file after its device\n";

int usage() {
  std::fputs(
      "usage: vornel-shard LIST\n"
      "       vornel-shard -o DIR [-n SHARDS] [-m upload|download] [-M SITEMAP] LIST\n",
      stderr);
  return 2;
}

void complain(const std::string& text) { std::fprintf(stderr, "vornel-shard: %s\n", text.c_str()); }

bool read_all(std::FILE* file, std::string* text) {
  char buffer[65536];
  std::size_t got;
  while ((got = std::fread(buffer, 1, sizeof buffer, file)) > 0) text->append(buffer, got);
  return !std::ferror(file);
}

bool write_file(const fs::path& path, std::string_view text) {
  vornel::FileHandle file = vornel::open_file(path.string().c_str(), "wb");
  if (!file) return false;
  bool ok = std::fwrite(text.data(), 1, text.size(), file.get()) == text.size();
  return std::fclose(file.release()) == 0 && ok;
}

// An INI name Vornel would open inside the shard: relative, and never through "..".
bool stays_inside(const std::string& name) {
  fs::path path(name);
  if (path.is_absolute()) return false;
  for (const fs::path& part : path) {
    if (part == "..") return false;
  }
  return true;
}

// Copies the INI files a shard's groups name. A missing file is left
// missing: Vornel then reports that device as it would anyway.
bool copy_ini_files(const vornel::ShardPlan& plan, const vornel::Shard& shard, const fs::path& from,
                    const fs::path& to) {
  for (std::size_t index : shard.groups) {
    const vornel::PlannedGroup& group = plan.groups[index];
    const std::string& name = group.ini_file_name;
    if (name.empty() || !group.refusal.empty()) continue;
    if (!stays_inside(name)) {
      complain(plan.file_name + ":" + std::to_string(group.line) + ": " + name +
               " is not copied into the shard (it leads outside)");
      continue;
    }
    std::error_code error;
    if (fs::exists(to / name, error) || !fs::is_regular_file(from / name, error)) continue;
    fs::create_directories((to / name).parent_path(), error);
    if (!fs::copy_file(from / name, to / name, error)) {
      complain("cannot copy " + (from / name).string() + ": " + error.message());
      return false;
    }
  }
  return true;
}

bool write_shards(vornel::ShardPlan* plan, const std::string& list_text, const fs::path& dir,
                  bool upload, const fs::path& list_dir) {
  const char* list_name = upload ? "upload_list.txt" : "download_list.txt";
  std::string shards_table;
  for (std::size_t n = 1; n <= plan->shards.size(); ++n) {
    const vornel::Shard& shard = plan->shards[n - 1];
    fs::path shard_dir = dir / ("shard-" + std::to_string(n));
    std::error_code error;
    fs::create_directory(shard_dir, error);
    if (error) {
      complain("cannot make " + shard_dir.string() + ": " + error.message());
      return false;
    }
    if (!write_file(shard_dir / list_name, vornel::shard_list_text(plan, int(n), list_text)) ||
        (!upload && !write_file(shard_dir / "config.ini", kPlaceholder)) ||
        (upload && !copy_ini_files(*plan, shard, list_dir, shard_dir))) {
      complain("cannot write the shard " + shard_dir.string());
      return false;
    }
    shards_table += std::to_string(n) + "\t" + shard.site + "\n";
  }
  std::string groups_table;
  for (const vornel::PlannedGroup& group : plan->groups) {
    groups_table += std::to_string(group.shard) + "\t" + group.address + "\t" +
                    std::to_string(group.line) + "\t" + std::to_string(group.shard_line) + "\t" +
                    group.ini_file_name + "\t" + group.refusal + "\n";
  }
  if (!write_file(dir / "groups.tsv", groups_table) ||
      !write_file(dir / "shards.tsv", shards_table)) {
    complain("cannot write the tables in " + dir.string());
    return false;
  }
  return true;
}

void print_groups(const vornel::ShardPlan& plan) {
  for (const vornel::PlannedGroup& group : plan.groups) {
    if (!group.refusal.empty()) {
      std::fprintf(stderr, "vornel: %s\n", group.refusal.c_str());
      continue;
    }
    std::printf("%ld\t%s\t%s\t%s\t%s\n", group.line, group.address.c_str(),
                group.ini_file_name.c_str(), group.user_name.c_str(), group.password.c_str());
  }
}

}  // namespace

int main(int argc, char** argv) {
  const char* out_dir = nullptr;
  const char* site_map_file = nullptr;
  std::string mode = "upload";
  int wanted = 0;
  int option;
  while ((option = getopt(argc, argv, "o:n:m:M:")) != -1) {
    switch (option) {
      case 'o':
        out_dir = optarg;
        break;
      case 'n':
        wanted = std::atoi(optarg);
        if (wanted < 1) return usage();
        break;
      case 'm':
        mode = optarg;
        if (mode != "upload" && mode != "download") return usage();
        break;
      case 'M':
        site_map_file = optarg;
        break;
      default:
        return usage();
    }
  }
  if (optind + 1 != argc) return usage();
  const char* list_name = argv[optind];

  vornel::FileHandle list = vornel::open_file(list_name, "rb");
  if (!list) {
    complain(std::string("cannot read the batch list ") + list_name);
    return 2;
  }
  vornel::ShardPlan plan;
  vornel::collect_groups(list.get(), list_name, &plan);
  if (out_dir == nullptr) {
    print_groups(plan);
    return 0;
  }

  vornel::SiteMap map;
  std::string error;
  if (site_map_file != nullptr) {
    vornel::FileHandle file = vornel::open_file(site_map_file, "rb");
    if (!file) {
      complain(std::string("cannot read the site map ") + site_map_file);
      return 2;
    }
    if (!vornel::read_site_map(file.get(), site_map_file, &map, &error)) {
      complain(error);
      return 2;
    }
  }
  if (!vornel::cut_into_shards(&plan, wanted, site_map_file ? &map : nullptr, &error)) {
    for (std::size_t at = 0, end; (end = error.find('\n', at)) != std::string::npos; at = end + 1)
      complain(error.substr(at, end - at));
    return 2;
  }
  std::string text;
  std::rewind(list.get());
  if (!read_all(list.get(), &text)) {
    complain(std::string("cannot read the batch list ") + list_name);
    return 2;
  }
  fs::path list_dir = fs::path(list_name).parent_path();
  if (list_dir.empty()) list_dir = ".";
  return write_shards(&plan, text, out_dir, mode == "upload", list_dir) ? 0 : 2;
}

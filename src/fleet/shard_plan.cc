#include "fleet/shard_plan.h"

#include <algorithm>
#include <map>

#include "targets/target_list.h"

namespace vornel {
namespace {

class Collector : public ListGroupSink {
 public:
  explicit Collector(std::vector<PlannedGroup>* groups) : groups_(groups) {}

  void group(const ListGroup& group) override {
    PlannedGroup planned;
    planned.line = group.line;
    planned.begin = group.begin;
    planned.end = group.end;
    planned.address = group.record->ip_address;
    planned.ini_file_name = group.record->ini_file_name;
    planned.user_name = group.record->user_name;
    planned.password = group.record->password;
    planned.refusal = group.refusal;
    groups_->push_back(std::move(planned));
  }

 private:
  std::vector<PlannedGroup>* groups_;
};

std::string joined(const std::vector<std::string>& hosts) {
  std::string text;
  for (const std::string& host : hosts) text += (text.empty() ? "" : ",") + host;
  return text;
}

}  // namespace

void collect_groups(std::FILE* list, const char* file_name, ShardPlan* plan) {
  plan->file_name = file_name;
  Collector collector(&plan->groups);
  free_target_list(read_target_list(list, file_name, nullptr, &collector));
}

bool cut_into_shards(ShardPlan* plan, int wanted, const SiteMap* map,
                     const std::vector<WaveStep>& steps, std::string* error) {
  // Sites in the order their first device appears, each with its addresses
  // in list order; whether any group of an address is taken.
  std::vector<std::string> sites;
  std::map<std::string, std::vector<std::string>> addresses;
  std::map<std::string, bool> taken;
  std::size_t device_count = 0;
  for (PlannedGroup& group : plan->groups) {
    if (map != nullptr) {
      group.site = joined(hosts_reaching(*map, group.address));
      if (group.site.empty()) {
        if (!group.refusal.empty()) continue;  // never run anyway
        *error += plan->file_name + ":" + std::to_string(group.line) + ": " + group.address +
                  ": no host of the site map reaches it\n";
        continue;
      }
    }
    auto [known, fresh] = taken.emplace(group.address, false);
    if (fresh) {
      if (!addresses.count(group.site)) sites.push_back(group.site);
      addresses[group.site].push_back(group.address);
      ++device_count;
    }
    known->second = known->second || group.refusal.empty();
  }
  if (!error->empty()) return false;

  // Each address's wave: a site's taken devices by the steps, in list order.
  std::map<std::string, int> wave_of;
  int waves = 1;
  for (const std::string& site : sites) {
    int devices = 0;
    for (const std::string& address : addresses[site]) devices += taken[address];
    std::vector<int> sizes = wave_sizes(steps, devices);
    waves = std::max(waves, static_cast<int>(sizes.size()));
    std::size_t wave = 0;
    int left = sizes.empty() ? 0 : sizes[0];
    for (const std::string& address : addresses[site]) {
      if (taken[address]) {
        while (left == 0 && wave + 1 < sizes.size()) left = sizes[++wave];
        --left;
      }
      wave_of[address] = static_cast<int>(wave) + 1;
    }
  }

  std::map<std::string, int> home;
  for (int wave = 1; wave <= waves; ++wave) {
    for (const std::string& site : sites) {
      std::vector<std::string> members;
      for (const std::string& address : addresses[site]) {
        if (wave_of[address] == wave) members.push_back(address);
      }
      if (members.empty()) continue;
      long count = static_cast<long>(members.size());
      if (wanted > 0) {
        long share = (static_cast<long>(wanted) * count + static_cast<long>(device_count) / 2) /
                     static_cast<long>(device_count);
        count = std::clamp(share, 1L, count);
      }
      int first = static_cast<int>(plan->shards.size()) + 1;
      for (long i = 0; i < count; ++i) plan->shards.push_back(Shard{site, {}, wave});
      for (std::size_t i = 0; i < members.size(); ++i)
        home[members[i]] = first + static_cast<int>(i % static_cast<std::size_t>(count));
    }
  }
  int wave = 1;
  for (std::size_t i = 0; i < plan->groups.size(); ++i) {
    PlannedGroup& group = plan->groups[i];
    auto found = home.find(group.address);
    if (found == home.end()) {
      group.wave = wave;  // goes nowhere: shown with the wave around it
      continue;
    }
    group.shard = found->second;
    group.wave = wave = wave_of[group.address];
    plan->shards[group.shard - 1].groups.push_back(i);
  }
  return true;
}

std::string shard_list_text(ShardPlan* plan, int number, std::string_view list_text) {
  std::string text;
  long lines = 0;
  for (std::size_t index : plan->shards[number - 1].groups) {
    PlannedGroup& group = plan->groups[index];
    // A group that ended without a newline (its last piece cut at 255 bytes,
    // or the end of the list) is closed, so the next starts its own line.
    if (!text.empty() && text.back() != '\n') {
      text.push_back('\n');
      ++lines;
    }
    group.shard_line = lines + 1;
    std::string_view bytes = list_text.substr(group.begin, group.end - group.begin);
    lines += std::count(bytes.begin(), bytes.end(), '\n');
    text += bytes;
  }
  if (!text.empty() && text.back() != '\n') text.push_back('\n');
  return text;
}

}  // namespace vornel

#include "fleet/site_map.h"

#include <algorithm>

#include "base/printable_text.h"
#include "base/ipv4_address.h"
#include "fleet/hosts.h"

namespace vornel {
namespace {

bool parse_number(std::string_view text, unsigned limit, unsigned* value) {
  if (text.empty() || text.size() > 3) return false;
  *value = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return false;
    *value = *value * 10 + static_cast<unsigned>(c - '0');
  }
  return *value <= limit;
}

bool parse_entry(std::string_view text, SiteEntry* entry) {
  std::size_t slash = text.find('/');
  unsigned length = 32;
  if (slash != std::string_view::npos && !parse_number(text.substr(slash + 1), 32, &length))
    return false;
  if (!parse_ipv4_value(text.substr(0, slash), &entry->network)) return false;
  entry->prefix_length = static_cast<int>(length);
  return true;
}

uint32_t mask(int prefix_length) {
  return prefix_length == 0 ? 0 : ~uint32_t{0} << (32 - prefix_length);
}

std::vector<std::string_view> words(std::string_view line) {
  std::vector<std::string_view> result;
  std::size_t at = 0;
  while (true) {
    at = line.find_first_not_of(" \t\r\n", at);
    if (at == std::string_view::npos) break;
    std::size_t end = line.find_first_of(" \t\r\n", at);
    if (end == std::string_view::npos) end = line.size();
    result.push_back(line.substr(at, end - at));
    at = end;
  }
  return result;
}

}  // namespace

bool read_site_map(std::FILE* file, const char* file_name, SiteMap* map, std::string* error) {
  std::string line;
  long number = 0;
  int c;
  do {
    c = std::getc(file);
    if (c != EOF && c != '\n') {
      line.push_back(static_cast<char>(c));
      continue;
    }
    if (c == EOF && line.empty()) break;
    ++number;
    std::string_view text = line;
    text = text.substr(0, text.find('#'));
    std::vector<std::string_view> fields = words(text);
    if (!fields.empty()) {
      if (std::optional<std::string> why = login_refusal(fields[0])) {
        *error = std::string(file_name) + ":" + std::to_string(number) + ": host " +
                 printable_text(fields[0]) + " " + *why;
        return false;
      }
    }
    for (std::size_t i = 1; i < fields.size(); ++i) {
      SiteEntry entry{std::string(fields[0])};
      if (!parse_entry(fields[i], &entry)) {
        *error = std::string(file_name) + ":" + std::to_string(number) + ": " +
                 std::string(fields[i]) + " is neither an address nor a prefix (a.b.c.d/n)";
        return false;
      }
      map->entries.push_back(entry);
    }
    if (fields.size() == 1) {
      *error = std::string(file_name) + ":" + std::to_string(number) + ": host " +
               std::string(fields[0]) + " names no device";
      return false;
    }
    line.clear();
  } while (c != EOF);
  return true;
}

std::vector<std::string> hosts_reaching(const SiteMap& map, std::string_view address) {
  std::vector<std::string> hosts;
  uint32_t value;
  if (!parse_ipv4_value(address, &value)) return hosts;
  for (const SiteEntry& entry : map.entries) {
    if (((value ^ entry.network) & mask(entry.prefix_length)) == 0) hosts.push_back(entry.host);
  }
  std::sort(hosts.begin(), hosts.end());
  hosts.erase(std::unique(hosts.begin(), hosts.end()), hosts.end());
  return hosts;
}

}  // namespace vornel

#include "fleet/hosts.h"

#include "fleet/arguments.h"

namespace vornel {
namespace {

bool is_space(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

std::string_view trimmed(std::string_view text) {
  while (!text.empty() && is_space(text.front())) text.remove_prefix(1);
  while (!text.empty() && is_space(text.back())) text.remove_suffix(1);
  return text;
}

// Why the login can't be handed to ssh and parallel, or "".
std::string refusal(const std::string& login) {
  if (login.empty()) return "names no host";
  if (login == ":") return "is this machine; leave -S out to run here";
  if (login[0] == '-') return "begins with '-', which ssh would take for an option";
  for (char c : login) {
    if (static_cast<unsigned char>(c) <= ' ' || c == 0x7f)
      return "holds a blank or a control character; a login is one word";
  }
  return "";
}

bool add_host(std::string_view entry, int default_jobs, std::vector<FleetHost>* hosts,
              std::string* error) {
  FleetHost host;
  std::size_t slash = entry.find('/');
  std::string_view count = slash == std::string_view::npos ? "" : entry.substr(0, slash);
  if (!count.empty() && count.find_first_not_of("0123456789") == std::string_view::npos) {
    host.jobs = parse_count(std::string(count));
    host.login = entry.substr(slash + 1);
    if (host.jobs == 0) {
      *error = "-S: " + std::string(entry) + ": the count of jobs must be 1 or more";
      return false;
    }
  } else {
    host.jobs = default_jobs;
    host.login = entry;
  }
  std::string why = refusal(host.login);
  if (!why.empty()) {
    *error = "-S: " + std::string(entry) + " " + why;
    return false;
  }
  host.entry = std::to_string(host.jobs) + "/" + host.login;
  hosts->push_back(host);
  return true;
}

}  // namespace

bool parse_hosts(std::string_view text, bool from_file, int default_jobs,
                 std::vector<FleetHost>* hosts, std::string* error) {
  const char separator = from_file ? '\n' : ',';
  while (!text.empty()) {
    std::size_t end = text.find(separator);
    std::string_view entry = trimmed(text.substr(0, end));
    text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
    if (entry.empty() || (from_file && entry[0] == '#')) continue;
    if (!add_host(entry, default_jobs, hosts, error)) return false;
  }
  if (hosts->empty()) {
    *error = "-S names no host";
    return false;
  }
  return true;
}

}  // namespace vornel

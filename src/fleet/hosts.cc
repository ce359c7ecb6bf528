#include "fleet/hosts.h"

#include "base/printable_text.h"
#include "fleet/arguments.h"

namespace vornel {
namespace {

bool is_space(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

std::string_view trimmed(std::string_view text) {
  while (!text.empty() && is_space(text.front())) text.remove_prefix(1);
  while (!text.empty() && is_space(text.back())) text.remove_suffix(1);
  return text;
}

bool is_letter_or_digit(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
}

bool is_name(std::string_view name) {
  if (name.empty()) return false;
  for (char c : name) {
    if (!is_letter_or_digit(c) && c != '.' && c != '_' && c != '-') return false;
  }
  return true;
}

bool is_port(std::string_view port) {
  if (port.empty() || port.size() > 5 || port[0] == '0') return false;
  long value = 0;
  for (char c : port) {
    if (c < '0' || c > '9') return false;
    value = value * 10 + (c - '0');
  }
  return value <= 65535;
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
      *error = "-S: " + printable_text(entry) + ": the count of jobs must be 1 or more";
      return false;
    }
  } else {
    host.jobs = default_jobs;
    host.login = entry;
  }
  if (std::optional<std::string> why = login_refusal(host.login)) {
    *error = "-S: " + printable_text(entry) + " " + *why;
    return false;
  }
  host.entry = std::to_string(host.jobs) + "/" + host.login;
  hosts->push_back(host);
  return true;
}

}  // namespace

std::optional<std::string> login_refusal(std::string_view login) {
  if (login.empty()) return "names no host";
  if (login == ":") return "is this machine; leave -S out to run here";
  std::size_t at = login.find('@');
  std::string_view user = at == std::string_view::npos ? "" : login.substr(0, at);
  std::string_view host = at == std::string_view::npos ? login : login.substr(at + 1);
  std::size_t colon = host.find(':');
  std::string_view port = colon == std::string_view::npos ? "" : host.substr(colon + 1);
  host = host.substr(0, colon);
  if (login[0] == '-') return "begins with '-', which ssh would take for an option";
  if (!host.empty() && host[0] == '-')
    return "names a host that begins with '-', which ssh would take for an option";
  if ((at != std::string_view::npos && !is_name(user)) || !is_name(host) ||
      !is_letter_or_digit(host[0]))
    return "is no [user@]host[:port] (user and host of letters, digits, '.', '_' and '-', "
           "the host beginning with a letter or a digit)";
  if (colon != std::string_view::npos && !is_port(port)) return "names no port of 1 to 65535";
  return std::nullopt;
}

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

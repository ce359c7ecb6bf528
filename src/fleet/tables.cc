#include "fleet/tables.h"

#include <cerrno>
#include <cstdlib>

namespace vornel {
namespace {

std::string field(std::string_view text) {
  std::string out(text);
  for (char& c : out) {
    if (c == '\t' || c == '\n' || c == '\r') c = ' ';
  }
  return out;
}

std::vector<std::string_view> fields_of(std::string_view row) {
  std::vector<std::string_view> fields;
  while (true) {
    std::size_t tab = row.find('\t');
    fields.push_back(row.substr(0, tab));
    if (tab == std::string_view::npos) return fields;
    row.remove_prefix(tab + 1);
  }
}

// A decimal number of at most 18 digits, optionally negative.
bool number(std::string_view text, long* value) {
  std::string digits(text);
  if (digits.empty() || digits.size() > 18) return false;
  char* end = nullptr;
  errno = 0;
  *value = std::strtol(digits.c_str(), &end, 10);
  return errno == 0 && end == digits.c_str() + digits.size();
}

bool number(std::string_view text, int* value) {
  long wide;
  if (!number(text, &wide) || wide < -2147483647 || wide > 2147483647) return false;
  *value = static_cast<int>(wide);
  return true;
}

}  // namespace

std::string group_row(const PlannedGroup& group) {
  return std::to_string(group.shard) + "\t" + field(group.address) + "\t" +
         std::to_string(group.line) + "\t" + std::to_string(group.shard_line) + "\t" +
         field(group.ini_file_name) + "\t" + field(group.refusal) + "\t" +
         std::to_string(group.begin) + "\t" + std::to_string(group.end) + "\t" +
         std::to_string(group.wave) + "\n";
}

bool parse_group_row(std::string_view row, PlannedGroup* group) {
  std::vector<std::string_view> fields = fields_of(row);
  if (fields.size() != 9) return false;
  group->address = fields[1];
  group->ini_file_name = fields[4];
  group->refusal = fields[5];
  return number(fields[0], &group->shard) && number(fields[2], &group->line) &&
         number(fields[3], &group->shard_line) && number(fields[6], &group->begin) &&
         number(fields[7], &group->end) && number(fields[8], &group->wave) && group->begin >= 0 &&
         group->begin <= group->end;
}

std::string shard_row(int number, const Shard& shard) {
  return std::to_string(number) + "\t" + field(shard.site) + "\t" + std::to_string(shard.wave) +
         "\n";
}

bool parse_shard_row(std::string_view row, int* number_of, Shard* shard) {
  std::vector<std::string_view> fields = fields_of(row);
  if (fields.size() != 3 || !number(fields[0], number_of) || *number_of < 1 ||
      !number(fields[2], &shard->wave))
    return false;
  shard->site = fields[1];
  return true;
}

std::string host_row(const FleetHost& host) { return host.login + "\t" + host.entry + "\n"; }

bool parse_host_row(std::string_view row, FleetHost* host) {
  std::vector<std::string_view> fields = fields_of(row);
  if (fields.size() != 2) return false;
  host->login = fields[0];
  host->entry = fields[1];
  return true;
}

bool parse_job_row(std::string_view row, JobRecord* job) {
  // Seq Host Starttime JobRuntime Send Receive Exitval Signal Command
  std::vector<std::string_view> fields = fields_of(row);
  if (fields.size() < 9 || fields[8].substr(0, 2) != ": ") return false;
  std::string_view command = fields[8].substr(2);
  std::size_t end = command.find(';');
  if (end == std::string_view::npos || !number(command.substr(0, end), &job->shard)) return false;
  job->host = fields[1];
  return number(fields[6], &job->exit_value);
}

bool parse_started_row(std::string_view row, int* shard) {
  std::vector<std::string_view> fields = fields_of(row);
  return fields.size() == 2 && fields[1] == "started" && number(fields[0], shard);
}

}  // namespace vornel

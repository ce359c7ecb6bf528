#include "fleet/run_settings.h"

#include <cstring>
#include <map>

#include "fleet/arguments.h"
#include "fleet/layout.h"
#include "fleet/tables.h"
#include "fleet/workdir.h"

namespace vornel {
namespace {

constexpr FleetMode kModes[] = {FleetMode::kUpload, FleetMode::kDownload, FleetMode::kCheckUpload,
                                FleetMode::kCheckDownload};

// The options that take a value: a letter, or a long name.
constexpr char kValueLetters[] = "knmAbwSMB";
constexpr const char* kValueWords[] = {"waves", "max-fail", "metrics"};

bool takes_value(const std::string& name) {
  if (name.size() == 1) return std::strchr(kValueLetters, name[0]) != nullptr;
  for (const char* word : kValueWords) {
    if (name == word) return true;
  }
  return false;
}

bool set_option(const std::string& name, const std::string& value, RunSettings* s,
                std::string* error) {
  auto count = [&](int* into) {
    if ((*into = parse_count(value)) == 0) *error = "-" + name + " wants a count of 1 or more";
  };
  if (name == "k") {
    count(&s->jobs);
  } else if (name == "n") {
    count(&s->shards);
  } else if (name == "m") {
    if (!fleet_mode_of(value, &s->mode))
      *error = "-m wants upload, download, check (an upload's preflight) or check-download";
  } else if (name == "A") {
    s->archive = value;
  } else if (name == "b") {
    s->batch = value;
  } else if (name == "w") {
    s->work = value;
  } else if (name == "S") {
    s->hosts = value;
  } else if (name == "M") {
    s->site_map = value;
  } else if (name == "B") {
    s->remote_batch = value;
  } else if (name == "r") {
    s->retry = true;
  } else if (name == "waves") {
    std::vector<WaveStep> steps;
    if (!parse_waves(value, &steps, error)) *error = "--waves " + *error;
    s->waves = value;
  } else if (name == "max-fail") {
    if (!parse_fail_limit(value, &s->max_fail, error)) *error = "--max-fail " + *error;
  } else if (name == "confirm") {
    s->confirm = true;
  } else if (name == "metrics") {
    s->metrics = value;
  } else {
    *error = "unknown option " + std::string(name.size() == 1 ? "-" : "--") + name;
  }
  return error->empty();
}

bool check_together(RunSettings* s, std::string* error) {
  if (!s->site_map.empty() && s->hosts.empty()) {
    *error = "-M wants the hosts of -S";
  } else if (!s->archive.empty() && s->mode != FleetMode::kDownload) {
    *error = "-A keeps the history of fetched files: it wants -m download";
  } else if (s->confirm && s->waves.empty()) {
    *error = "--confirm asks before each next wave: it wants --waves";
  }
  return error->empty();
}

}  // namespace

const char* fleet_mode_name(FleetMode mode) {
  switch (mode) {
    case FleetMode::kUpload:
      return "upload";
    case FleetMode::kDownload:
      return "download";
    case FleetMode::kCheckUpload:
      return "check";
    case FleetMode::kCheckDownload:
      break;
  }
  return "check-download";
}

bool fleet_mode_of(std::string_view name, FleetMode* mode) {
  for (FleetMode known : kModes) {
    if (name == fleet_mode_name(known)) {
      *mode = known;
      return true;
    }
  }
  return false;
}

bool is_upload(FleetMode mode) {
  return mode == FleetMode::kUpload || mode == FleetMode::kCheckUpload;
}

bool parse_fleet_arguments(const std::vector<std::string>& args, RunSettings* settings,
                           std::string* error) {
  std::vector<std::string> operands;
  for (std::size_t i = 0; i < args.size() && error->empty(); ++i) {
    const std::string& word = args[i];
    if (word == "--") {
      operands.insert(operands.end(), args.begin() + static_cast<long>(i) + 1, args.end());
      break;
    }
    if (word.size() < 2 || word[0] != '-') {
      operands.push_back(word);
      continue;
    }
    if (word[1] == '-') {
      std::string name = word.substr(2);
      std::string value;
      std::size_t equals = name.find('=');
      if (equals != std::string::npos) {
        value = name.substr(equals + 1);
        name.resize(equals);
      } else if (takes_value(name)) {
        if (i + 1 == args.size()) {
          *error = "--" + name + " wants a value";
          break;
        }
        value = args[++i];
      }
      if (equals != std::string::npos && !takes_value(name)) {
        *error = "--" + name + " takes no value";
        break;
      }
      set_option(name, value, settings, error);
      continue;
    }
    // -x VALUE, -xVALUE, and flags that share one dash (-rk 4).
    for (std::size_t at = 1; at < word.size() && error->empty(); ++at) {
      std::string name(1, word[at]);
      if (!takes_value(name)) {
        set_option(name, "", settings, error);
        continue;
      }
      std::string value = word.substr(at + 1);
      if (value.empty()) {
        if (i + 1 == args.size()) {
          *error = "-" + name + " wants a value";
          break;
        }
        value = args[++i];
      }
      set_option(name, value, settings, error);
      break;
    }
  }
  if (error->empty() && operands.size() != 1) *error = "one batch list, please";
  if (!error->empty()) return false;
  settings->list = operands[0];
  return check_together(settings, error);
}

bool write_run_settings(const std::filesystem::path& dir, const RunSettings& s) {
  std::string text;
  bool whole = true;
  auto row = [&](const char* name, const std::string& value) {
    // A value that would break its row can't be kept (a path holding a line end).
    whole = whole && value.find_first_of("\r\n") == std::string::npos;
    text += std::string(name) + "\t" + value + "\n";
  };
  row("mode", fleet_mode_name(s.mode));
  row("jobs", std::to_string(s.jobs));
  row("shards", std::to_string(s.shards));
  row("list", s.list);
  row("work", s.work);
  row("archive", s.archive);
  row("batch", s.batch);
  row("hosts", s.hosts);
  row("site_map", s.site_map);
  row("remote_batch", s.remote_batch);
  row("retry", s.retry ? "1" : "0");
  row("waves", s.waves);
  row("max_fail", s.max_fail.none() ? "" : limit_words(s.max_fail));
  row("confirm", s.confirm ? "1" : "0");
  row("metrics", s.metrics);
  row("started_ms", std::to_string(s.started_ms));
  return whole && write_whole_file(dir / kSettingsFile, text);
}

bool read_run_settings(const std::filesystem::path& dir, RunSettings* s, std::string* error) {
  std::string text;
  if (!read_whole_file(dir / kSettingsFile, &text)) {
    *error = "cannot read " + (dir / kSettingsFile).string();
    return false;
  }
  std::map<std::string, std::string> values;
  for (std::string_view line : lines_of(text)) {
    std::size_t tab = line.find('\t');
    if (tab != std::string_view::npos) values[std::string(line.substr(0, tab))] = line.substr(tab + 1);
  }
  std::string why;
  bool ok = fleet_mode_of(values["mode"], &s->mode) && parse_number(values["jobs"], &s->jobs) &&
            parse_number(values["shards"], &s->shards);
  s->list = values["list"];
  s->work = values["work"];
  s->archive = values["archive"];
  s->batch = values["batch"];
  s->hosts = values["hosts"];
  s->site_map = values["site_map"];
  s->remote_batch = values["remote_batch"];
  s->retry = values["retry"] == "1";
  s->waves = values["waves"];
  s->max_fail = {};
  if (!values["max_fail"].empty()) ok = ok && parse_fail_limit(values["max_fail"], &s->max_fail, &why);
  s->confirm = values["confirm"] == "1";
  s->metrics = values["metrics"];
  s->started_ms = std::atoll(values["started_ms"].c_str());
  if (!ok) *error = (dir / kSettingsFile).string() + " is broken";
  return ok;
}

}  // namespace vornel

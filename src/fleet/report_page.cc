#include "fleet/report_page.h"

#include <algorithm>
#include <cstdio>
#include <set>

#include "base/printable_text.h"
#include "base/whole_file.h"
#include "base/sha256.h"
#include "fleet/report_assets.h"
#include "fleet/report_charts.h"
#include "report/device_result.h"

namespace vornel {
namespace {

constexpr char kNone[] = "<span class=\"note\">none</span>";

std::string base64(const std::array<std::uint8_t, 32>& bytes) {
  static constexpr char kDigits[] =
      "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::string out;
  for (std::size_t i = 0; i < bytes.size(); i += 3) {
    std::uint32_t group = std::uint32_t{bytes[i]} << 16;
    if (i + 1 < bytes.size()) group |= std::uint32_t{bytes[i + 1]} << 8;
    if (i + 2 < bytes.size()) group |= bytes[i + 2];
    for (std::size_t k = 0; k < 4; ++k) {
      out += i + k <= bytes.size() ? kDigits[(group >> (18 - 6 * k)) & 63] : '=';
    }
  }
  return out;
}

std::string fixed(double value, const char* format = "%.1f") {
  char text[48];
  std::snprintf(text, sizeof text, format, value);
  return text;
}

std::string duration_words(double seconds) {
  if (seconds < 60) return fixed(seconds, "%.1f s");
  long whole = static_cast<long>(seconds + 0.5);
  char text[64];
  if (whole < 3600) {
    std::snprintf(text, sizeof text, "%ld min %02ld s", whole / 60, whole % 60);
  } else {
    std::snprintf(text, sizeof text, "%ld h %02ld min %02ld s", whole / 3600, whole / 60 % 60,
                  whole % 60);
  }
  return text;
}

// The outcome's name as shown, in a cell that carries its colour.
std::string outcome_cell(const std::string& outcome) {
  int kind = outcome_kind(outcome);
  if (kind == kOutcomeKindCount) return "<td class=\"o ox\">" + html_text(outcome);
  return "<td class=\"o o" + std::to_string(kind) + "\">" + kOutcomeKinds[kind].shown;
}

// rows: the device table's, whose layout the browser puts off until it is
// scrolled near (content-visibility), with room kept for them meanwhile.
std::string style_sheet(std::size_t rows) {
  std::string style = kReportStyle;
  style += ".rows{content-visibility:auto;contain-intrinsic-size:auto " +
           std::to_string(22 * (rows + 1)) + "px}\n";
  for (int i = 0; i < kOutcomeKindCount; ++i) {
    style += ".o" + std::to_string(i) + "::before{background:" + kOutcomeKinds[i].color + "}\n";
  }
  return style + ".ox::before{background:#999}\n";
}

std::string run_section(const RunReport& report) {
  std::string html = "<h1>Fleet run: " + html_text(report.mode) + " of " + html_text(report.list) +
                     "</h1>\n<table class=\"run\">\n";
  auto row = [&](const char* name, const std::string& value) {
    html += std::string("<tr><th>") + name + "<td>" + value + "\n";
  };
  row("Mode", html_text(report.mode));
  row("List", html_text(report.list));
  row("Started", iso8601_utc(report.started_ms));
  row("Duration", duration_words(report.duration_s));
  row("Devices", std::to_string(report.devices.size()));
  row("Ran on", report.remote ? "ssh hosts" : "this machine");
  return html + "</table>\n";
}

std::string outcomes_section(const RunReport& report,
                             const std::vector<std::pair<std::string, int>>& counts) {
  std::string html = "<h2 id=\"outcomes\">Outcomes</h2>\n";
  if (report.devices.empty()) return html + "<p class=\"note\">The list had no device.</p>\n";
  html += outcome_bar_svg(counts);
  html +=
      "<table id=\"counts\"><thead><tr><th>Outcome<th class=\"n\">Devices<th class=\"n\">Share"
      "</thead><tbody>\n";
  for (const auto& [outcome, devices] : counts) {
    if (devices == 0) continue;
    html += "<tr data-outcome=\"" + html_text(outcome) + "\">" + outcome_cell(outcome) +
            "<td class=\"n\">" + std::to_string(devices) + "<td class=\"n\">" +
            fixed(100.0 * devices / static_cast<double>(report.devices.size()), "%.1f %%") + "\n";
  }
  return html + "</tbody><tfoot><tr><th>All<td class=\"n\">" +
         std::to_string(report.devices.size()) + "<td></tfoot></table>\n";
}

// A row per wave or per host: its devices, then how many had each outcome
// the run had. groups: the row's name (HTML) and its devices, in order.
using DeviceGroups = std::vector<std::pair<std::string, std::vector<const ReportDevice*>>>;

std::string breakdown_section(const char* id, const char* title, const char* key_name,
                              const DeviceGroups& groups,
                              const std::vector<std::pair<std::string, int>>& counts) {
  std::vector<std::string> columns;
  std::string html = std::string("<h2 id=\"") + id + "\">" + title + "</h2>\n<table id=\"" + id +
                     "-table\"><thead><tr><th>" + key_name + "<th class=\"n\">Devices";
  for (const auto& [outcome, devices] : counts) {
    if (devices == 0) continue;
    columns.push_back(outcome);
    html += "<th class=\"n\">" + outcome_shown(outcome);
  }
  html += "</thead><tbody>\n";
  for (const auto& [name, devices] : groups) {
    html += "<tr><td>" + name + "<td class=\"n\">" + std::to_string(devices.size());
    for (const std::string& column : columns) {
      long count = std::count_if(devices.begin(), devices.end(), [&](const ReportDevice* device) {
        return device->outcome == column;
      });
      html += "<td class=\"n\">" + std::to_string(count);
    }
    html += "\n";
  }
  return html + "</tbody></table>\n";
}

std::string waves_section(const RunReport& report,
                          const std::vector<std::pair<std::string, int>>& counts) {
  std::map<int, std::vector<const ReportDevice*>> waves;
  for (const ReportDevice& device : report.devices) waves[device.wave].push_back(&device);
  if (waves.empty() || (waves.size() == 1 && waves.begin()->first == 0)) return "";
  DeviceGroups groups;
  for (auto& [wave, devices] : waves) {
    groups.emplace_back(wave > 0 ? std::to_string(wave) : kNone, std::move(devices));
  }
  return breakdown_section("waves", "Waves", "Wave", groups, counts);
}

std::string hosts_section(const RunReport& report,
                          const std::vector<std::pair<std::string, int>>& counts) {
  std::map<std::string, std::vector<const ReportDevice*>> hosts;
  for (const ReportDevice& device : report.devices) hosts[device.host].push_back(&device);
  if (!report.remote && (hosts.empty() || (hosts.size() == 1 && hosts.begin()->first.empty())))
    return "";
  DeviceGroups groups;
  for (auto& [host, devices] : hosts) {
    groups.emplace_back(host.empty() ? kNone : html_text(host), std::move(devices));
  }
  return breakdown_section("hosts", "Hosts", "Host", groups, counts);
}

std::string reasons_section(const RunReport& report) {
  std::vector<ReasonCount> reasons = ranked_reasons(report.devices);
  std::string html = "<h2 id=\"reasons\">Reasons</h2>\n";
  if (reasons.empty()) return html + "<p class=\"note\">Every device ended well.</p>\n";
  html +=
      "<table id=\"reasons-table\"><thead><tr><th class=\"n\">Devices<th>Outcome<th>Reason"
      "</thead><tbody>\n";
  for (const ReasonCount& reason : reasons) {
    html += "<tr><td class=\"n\">" + std::to_string(reason.devices) + outcome_cell(reason.outcome) +
            "<td>" +
            (reason.reason.empty()
                 ? kNone
                 : "<a class=\"why\" href=\"#devices\">" + html_text(reason.reason) + "</a>") +
            "\n";
  }
  return html + "</tbody></table>\n";
}

std::string firmware_section(const RunReport& report) {
  std::vector<FirmwareCount> inventory = firmware_inventory(report.devices);
  std::string html = "<h2 id=\"firmware\">Firmware</h2>\n";
  if (inventory.empty() || inventory.front().version.empty())
    return html + "<p class=\"note\">No firmware version was read.</p>\n";
  html += firmware_chart_svg(inventory);
  html +=
      "<table id=\"firmware-table\"><thead><tr><th class=\"n\">Version<th class=\"n\">Devices"
      "<th class=\"n\">Refused as too old</thead><tbody>\n";
  for (const FirmwareCount& count : inventory) {
    html += "<tr><td class=\"n\">" +
            (count.version.empty() ? "not read" : html_text(count.version)) + "<td class=\"n\">" +
            std::to_string(count.devices) + "<td class=\"n\">" + std::to_string(count.too_old) +
            "\n";
  }
  return html + "</tbody></table>\n";
}

// A unified diff, its lines marked by kind, cut at the limits.
std::string diff_block(std::string_view diff) {
  std::string html = "<pre>";
  std::vector<std::string_view> lines = lines_of(diff);
  std::size_t shown = 0;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    std::string_view line = lines[i];
    if (i == kDiffLinesShown || shown + line.size() > kDiffBytesShown) {
      html += "<span class=\"note\">... " + std::to_string(lines.size() - i) +
              " more lines not shown</span>\n";
      break;
    }
    const char* kind = line.starts_with("@@")                              ? "h"
                       : line.starts_with("+") && !line.starts_with("+++") ? "a"
                       : line.starts_with("-") && !line.starts_with("---") ? "r"
                                                                           : nullptr;
    html += kind ? std::string("<span class=\"") + kind + "\">" + html_text(line) + "</span>\n"
                 : html_text(line) + "\n";
    shown += line.size();
  }
  return html + "</pre>";
}

std::string archive_section(const RunReport& report, const std::vector<bool>& diffed) {
  if (report.history.empty() && report.diffs.empty()) return "";
  std::string html = "<h2 id=\"archive\">Archive</h2>\n";
  if (!report.history.empty()) {
    html += history_chart_svg(report.history);
    html +=
        "<table id=\"history-table\"><thead><tr><th>Run<th>Commit<th class=\"n\">Changed"
        "<th class=\"n\">New<th class=\"n\">Unchanged<th class=\"n\">Not fetched</thead><tbody>\n";
    for (const ArchivePoint& point : report.history) {
      html += "<tr><td>" + html_text(point.when) + "<td>" + html_text(point.commit) +
              "<td class=\"n\">" + std::to_string(point.changed) + "<td class=\"n\">" +
              std::to_string(point.added) + "<td class=\"n\">" + std::to_string(point.unchanged) +
              "<td class=\"n\">" + std::to_string(point.not_fetched) + "\n";
    }
    html += "</tbody></table>\n";
  }
  bool any = false;
  for (std::size_t i = 0; i < report.devices.size(); ++i) {
    if (!diffed[i]) continue;
    if (!any) html += "<h3>Changed in this run</h3>\n";
    any = true;
    const ReportDevice& device = report.devices[i];
    html += "<details id=\"d" + std::to_string(i) + "\"><summary>" + html_text(device.address) +
            "</summary>" + diff_block(report.diffs.at(device.address)) + "</details>\n";
  }
  return html;
}

std::string devices_section(const RunReport& report, const std::vector<bool>& diffed) {
  bool hosts = report.remote, waves = false, configs = !report.history.empty();
  for (const ReportDevice& device : report.devices) {
    hosts = hosts || !device.host.empty();
    waves = waves || device.wave > 0;
    configs = configs || !device.config.empty();
  }
  std::string html =
      "<h2 id=\"devices\">Devices</h2>\n<p class=\"tools\" hidden><input id=\"q\" type=\"search\" "
      "placeholder=\"Address or reason\" aria-label=\"Show the devices whose address or reason "
      "holds\"> <span id=\"shown\"></span></p>\n<div class=\"rows\"><table "
      "id=\"dev\"><thead><tr><th class=\"n\">Line"
      "<th data-find>Address<th>Outcome<th data-find>Reason<th class=\"n\">Firmware";
  if (hosts) html += "<th>Host";
  html += "<th class=\"n\">Shard";
  if (waves) html += "<th class=\"n\">Wave";
  if (configs) html += "<th>Config";
  html += "<th class=\"n\">Time (s)</thead><tbody>\n";
  for (std::size_t i = 0; i < report.devices.size(); ++i) {
    const ReportDevice& device = report.devices[i];
    html += "<tr><td class=\"n\">" + std::to_string(device.line) + "<td>" +
            html_text(device.address) + outcome_cell(device.outcome) + "<td>" +
            html_text(device.reason) + "<td class=\"n\">" + html_text(device.firmware);
    if (hosts) html += "<td>" + html_text(device.host);
    html += "<td class=\"n\">" + (device.shard > 0 ? std::to_string(device.shard) : "");
    if (waves) html += "<td class=\"n\">" + (device.wave > 0 ? std::to_string(device.wave) : "");
    if (configs) {
      html += !diffed[i] ? "<td>" + html_text(device.config)
                         : "<td><a class=\"diff\" href=\"#d" + std::to_string(i) + "\">" +
                               html_text(device.config) + "</a>";
    }
    html += "<td class=\"n\">" + (device.seconds < 0 ? "" : fixed(device.seconds)) + "\n";
  }
  return html + "</tbody></table></div>\n";
}

}  // namespace

std::string outcome_shown(const std::string& outcome) {
  int kind = outcome_kind(outcome);
  return kind < kOutcomeKindCount ? kOutcomeKinds[kind].shown : html_text(outcome);
}

std::string html_text(std::string_view text) {
  std::string printable = printable_text(text);
  std::string out;
  out.reserve(printable.size());
  for (char c : printable) {
    const char* reference = c == '&'    ? "&amp;"
                            : c == '<'  ? "&lt;"
                            : c == '>'  ? "&gt;"
                            : c == '"'  ? "&quot;"
                            : c == '\'' ? "&#39;"
                                        : nullptr;
    if (reference != nullptr) {
      out += reference;
    } else {
      out += c;
    }
  }
  return out;
}

std::string report_html(const RunReport& report) {
  // The devices whose diff is shown, as "d" + their index; an address
  // listed twice shows its diff once.
  std::vector<bool> diffed(report.devices.size());
  std::set<std::string> addresses;
  for (std::size_t i = 0; i < report.devices.size(); ++i) {
    const std::string& address = report.devices[i].address;
    diffed[i] = report.diffs.count(address) && addresses.insert(address).second;
  }
  std::vector<std::pair<std::string, int>> counts = outcome_counts(report.devices);
  std::string style = style_sheet(report.devices.size());
  std::string html =
      "<!DOCTYPE html>\n<html lang=\"en\"><head><meta charset=\"utf-8\">\n"
      "<meta http-equiv=\"Content-Security-Policy\" content=\"default-src 'none'; "
      "script-src 'sha256-" +
      base64(sha256(kReportScript)) + "'; style-src 'sha256-" + base64(sha256(style)) +
      "'; base-uri 'none'; form-action 'none'\">\n"
      "<meta name=\"viewport\" content=\"width=device-width\">\n<title>Fleet run: " +
      html_text(report.mode) + " of " + html_text(report.list) + ", " + iso8601_utc(report.started_ms) +
      "</title>\n<style>" + style + "</style>\n</head><body>\n";
  html += run_section(report);
  html += outcomes_section(report, counts);
  html += waves_section(report, counts);
  html += reasons_section(report);
  html += hosts_section(report, counts);
  html += firmware_section(report);
  html += archive_section(report, diffed);
  html += devices_section(report, diffed);
  return html + "<script>" + kReportScript + "</script>\n</body></html>\n";
}

}  // namespace vornel

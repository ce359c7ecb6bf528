#include "fleet/report_charts.h"

#include <algorithm>
#include <cstdio>

#include "fleet/report_page.h"

namespace vornel {
namespace {

constexpr char kOtherColor[] = "#999";
constexpr char kFirmwareColor[] = "#1565c0";
constexpr char kTooOldColor[] = "#c62828";

std::string number(double value) {
  char text[32];
  std::snprintf(text, sizeof text, "%.1f", value);
  return text;
}

std::string rect(double x, double y, double width, double height, const char* fill,
                 const std::string& title) {
  return "<rect x=\"" + number(x) + "\" y=\"" + number(y) + "\" width=\"" + number(width) +
         "\" height=\"" + number(height) + "\" fill=\"" + fill + "\"><title>" + title +
         "</title></rect>";
}

std::string label(double x, double y, const std::string& text, const char* anchor = "start") {
  return "<text x=\"" + number(x) + "\" y=\"" + number(y) + "\" text-anchor=\"" + anchor + "\">" +
         text + "</text>";
}

std::string svg_open(int width, int height, const std::string& title) {
  return "<svg xmlns=\"http://www.w3.org/2000/svg\" viewBox=\"0 0 " + std::to_string(width) + " " +
         std::to_string(height) + "\" width=\"" + std::to_string(width) + "\" height=\"" +
         std::to_string(height) + "\" role=\"img\" aria-label=\"" + title + "\">";
}

std::string legend(double x, double y, const char* color, const std::string& text) {
  return rect(x, y - 9, 10, 10, color, text) + label(x + 14, y, text);
}

}  // namespace

std::string outcome_bar_svg(const std::vector<std::pair<std::string, int>>& counts) {
  constexpr int kWidth = 800;
  long total = 0;
  for (const auto& count : counts) total += count.second;
  std::string svg = svg_open(kWidth, 28, "Devices by outcome");
  double x = 0;
  for (const auto& [outcome, devices] : counts) {
    if (devices == 0) continue;
    int kind = outcome_kind(outcome);
    double width = kWidth * static_cast<double>(devices) / static_cast<double>(total);
    svg += rect(x, 0, width, 28, kind < kOutcomeKindCount ? kOutcomeKinds[kind].color : kOtherColor,
                outcome_shown(outcome) + ": " + std::to_string(devices));
    x += width;
  }
  return svg + "</svg>";
}

std::string firmware_chart_svg(const std::vector<FirmwareCount>& inventory) {
  std::vector<FirmwareCount> read;
  for (const FirmwareCount& count : inventory) {
    if (!count.version.empty()) read.push_back(count);
  }
  if (read.size() > static_cast<std::size_t>(kFirmwareCharted)) {
    // The versions with most devices, then back in version order.
    std::vector<std::size_t> order(read.size());
    for (std::size_t i = 0; i < order.size(); ++i) order[i] = i;
    std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
      return read[a].devices > read[b].devices;
    });
    order.resize(kFirmwareCharted);
    std::sort(order.begin(), order.end());
    std::vector<FirmwareCount> kept;
    for (std::size_t i : order) kept.push_back(read[i]);
    read = kept;
  }
  int most = 1;
  for (const FirmwareCount& count : read) most = std::max(most, count.devices);
  constexpr int kRow = 18, kLabel = 130, kBars = 520;
  int height = 22 + kRow * static_cast<int>(read.size());
  std::string svg = svg_open(kLabel + kBars + 60, height, "Devices by firmware version");
  svg += legend(kLabel, 12, kFirmwareColor, "devices") +
         legend(kLabel + 90, 12, kTooOldColor, "refused as too old");
  int y = 22;
  for (const FirmwareCount& count : read) {
    std::string version = html_text(count.version);
    std::string title = version + ": " + std::to_string(count.devices) + " devices, " +
                        std::to_string(count.too_old) + " refused as too old";
    double scale = static_cast<double>(kBars) / most;
    double old_width = count.too_old * scale;
    double rest_width = (count.devices - count.too_old) * scale;
    svg += label(kLabel - 6, y + 13, version, "end");
    svg += rect(kLabel, y + 2, rest_width, kRow - 4, kFirmwareColor, title);
    if (count.too_old > 0)
      svg += rect(kLabel + rest_width, y + 2, old_width, kRow - 4, kTooOldColor, title);
    svg += label(kLabel + rest_width + old_width + 4, y + 13, std::to_string(count.devices));
    y += kRow;
  }
  return svg + "</svg>";
}

std::string history_chart_svg(const std::vector<ArchivePoint>& history) {
  std::size_t first = history.size() > static_cast<std::size_t>(kHistoryCharted)
                          ? history.size() - kHistoryCharted
                          : 0;
  struct Part {
    const char* name;
    const char* color;
    int ArchivePoint::*count;
  };
  static constexpr Part kParts[] = {{"unchanged", "#b0bec5", &ArchivePoint::unchanged},
                                    {"changed", "#ef6c00", &ArchivePoint::changed},
                                    {"new", "#1565c0", &ArchivePoint::added},
                                    {"not fetched", "#e57373", &ArchivePoint::not_fetched}};
  int most = 1;
  for (std::size_t i = first; i < history.size(); ++i) {
    int sum = 0;
    for (const Part& part : kParts) sum += history[i].*part.count;
    most = std::max(most, sum);
  }
  constexpr int kWidth = 800, kTop = 24, kHeight = 160;
  double step = static_cast<double>(kWidth) / kHistoryCharted;
  std::string svg = svg_open(kWidth, kTop + kHeight + 4, "Devices per archived run");
  double x = 0;
  for (const Part& part : kParts) {
    svg += legend(x, 12, part.color, part.name);
    x += 110;
  }
  svg += label(kWidth, 12, "most: " + std::to_string(most), "end");
  for (std::size_t i = first; i < history.size(); ++i) {
    const ArchivePoint& point = history[i];
    double left = step * static_cast<double>(i - first), y = kTop + kHeight;
    std::string run = html_text(point.when) + " (" + html_text(point.commit) + "): ";
    for (const Part& part : kParts) {
      double height = kHeight * static_cast<double>(point.*part.count) / most;
      y -= height;
      if (height > 0)
        svg += rect(left + 1, y, step - 2, height, part.color,
                    run + std::to_string(point.*part.count) + " " + part.name);
    }
  }
  return svg + "</svg>";
}

}  // namespace vornel

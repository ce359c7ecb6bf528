#ifndef VORNEL_FLEET_REPORT_CHARTS_H_
#define VORNEL_FLEET_REPORT_CHARTS_H_

#include <string>
#include <utility>
#include <vector>

#include "fleet/run_report.h"

namespace vornel {

// The report page's charts, as inline SVG that scales with the page. Each
// draws what a table beside it says in figures; every text passes html_text().

// One bar split by outcome, as outcome_counts() gives them.
std::string outcome_bar_svg(const std::vector<std::pair<std::string, int>>& counts);

// A bar per firmware version (the kFirmwareCharted with most devices), the
// part refused as too old in red; the devices whose version was not read
// are left out.
std::string firmware_chart_svg(const std::vector<FirmwareCount>& inventory);

// A column per archived run (the last kHistoryCharted): unchanged, changed,
// new and not fetched devices stacked.
std::string history_chart_svg(const std::vector<ArchivePoint>& history);

}  // namespace vornel

#endif  // VORNEL_FLEET_REPORT_CHARTS_H_

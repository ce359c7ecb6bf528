#ifndef VORNEL_FLEET_REPORT_PAGE_H_
#define VORNEL_FLEET_REPORT_PAGE_H_

#include <string>
#include <string_view>

#include "fleet/run_report.h"

namespace vornel {

// The fleet run as one self-contained HTML page (report.html): inline style,
// SVG charts and one inline script, and a Content-Security-Policy that lets
// the browser load nothing and run nothing else (the script and the style
// are named by their SHA-256). Every figure is in an HTML table, so the page
// reads printed and with script off; the script sorts and filters the device
// table. Every text from the report passes html_text().
//
// Shown: the run (mode, list, start, duration, devices), the outcomes as a
// bar and a table, per wave and per host when there are any, the reasons
// ranked, the firmware inventory, the archive's history (the last
// kHistoryCharted runs charted, every run the report holds in the table) and this run's
// diffs, each behind a <details> and cut at kDiffLinesShown lines or
// kDiffBytesShown bytes, and the device table.
std::string report_html(const RunReport& report);

inline constexpr int kHistoryCharted = 60;
// The archived runs a report holds at most, the newest.
inline constexpr int kHistoryKept = 4 * kHistoryCharted;
inline constexpr int kDiffLinesShown = 500;
inline constexpr int kDiffBytesShown = 64 * 1024;
inline constexpr int kFirmwareCharted = 40;  // the versions with most devices

// An outcome as a page shows it ("held back"), or a name not among
// kOutcomeKinds as it is, escaped.
std::string outcome_shown(const std::string& outcome);

// text made printable (base/printable_text.h) and escaped for HTML text and
// quoted attribute values: & < > " ' as character references.
std::string html_text(std::string_view text);

}  // namespace vornel

#endif  // VORNEL_FLEET_REPORT_PAGE_H_

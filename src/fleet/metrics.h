#ifndef VORNEL_FLEET_METRICS_H_
#define VORNEL_FLEET_METRICS_H_

#include <string>
#include <string_view>

#include "fleet/run_report.h"

namespace vornel {

// A fleet run's figures in the Prometheus text exposition format (0.0.4),
// for node_exporter's textfile collector. Every series carries the run's
// mode and list as labels, so that files of several runs can lie side by
// side in the collector's folder:
//   vornel_fleet_devices{outcome}          every outcome of kOutcomeKinds,
//                                          0 included, and any other met
//   vornel_fleet_reasons{outcome,reason}   devices per ranked_reasons() entry
//   vornel_fleet_configs{change}           new, changed, unchanged (only
//                                          with an archive)
//   vornel_fleet_run_duration_seconds
//   vornel_fleet_run_end_timestamp_seconds the start plus the duration, in
//                                          Unix time
// Label values are made printable (base/printable_text.h) and escaped as the
// format asks (backslash and double quote; a line feed is made printable).
std::string metrics_text(const RunReport& report);

// Writes text as the file at path, as the textfile collector asks: into a
// temporary file of the same folder (whose name the collector ignores),
// renamed over path once whole. The file is readable by everyone, so that
// a collector running as another user reads it. False when any step fails;
// path is then as it was.
bool write_metrics_file(const std::string& path, std::string_view text);

}  // namespace vornel

#endif  // VORNEL_FLEET_METRICS_H_

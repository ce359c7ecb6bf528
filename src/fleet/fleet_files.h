#ifndef VORNEL_FLEET_FLEET_FILES_H_
#define VORNEL_FLEET_FLEET_FILES_H_

#include <string>
#include <string_view>

#include "fleet/outcomes.h"

namespace vornel {

// What a judged fleet run is written out as. Every text a list, a device or
// a host put there is shown printable (base/printable_text.h).

// True when the run was cut into more than one wave.
bool has_waves(const FleetRecord& fleet);

// The merged summary: a line per group in list order (with its wave when the
// run had more than one), then the count; for a preflight, the count of
// ready devices and of each reason.
std::string summary_text(const FleetRecord& fleet, const FleetResults& results,
                         std::string_view folder);

// results.csv: RFC 4180 (CRLF, a header row, a field quoted only when it
// holds a comma, a double quote, CR or LF), valid UTF-8 (a byte that isn't
// becomes U+FFFD), and a field that begins with =, +, -, @, TAB or CR
// (which a spreadsheet would take for a formula) after a '. Its wave is
// empty in a run without waves; config and lines_changed are empty for a
// device not fetched, and in a run without an archive.
std::string results_csv(const FleetRecord& fleet, const FleetResults& results);

// The bytes of the groups whose outcome is one of those wanted, as they
// stand in list_text, in list order; empty when there is none. A group that
// ended without its newline gets one before the next.
//   rerun_list.txt      failed, not run, not run to the end, no outcome
//   ready_list.txt      ready (a preflight's)
//   remaining_list.txt  held back by a stop
enum class ListKind { kRerun, kReady, kRemaining };
std::string list_of(ListKind kind, const FleetRecord& fleet, const FleetResults& results,
                    std::string_view list_text);
bool belongs_to(ListKind kind, Outcome outcome);

}  // namespace vornel

#endif  // VORNEL_FLEET_FLEET_FILES_H_

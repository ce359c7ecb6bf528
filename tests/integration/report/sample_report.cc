// Writes the report page, the metrics file and the run it shows (input.json,
// for the checks to count from) of a synthetic fleet run into FOLDER: one
// device of each outcome, hostile names and reasons, two archived runs and a
// changed device's diff.
#include <cstdio>
#include <string>

#include "fleet/metrics.h"
#include "fleet/report_page.h"
#include "fleet/workdir.h"
#include "platform/private_files.h"

namespace {

using vornel::ReportDevice;

std::string json_string(const std::string& text) {
  std::string out = "\"";
  for (unsigned char c : text) {
    if (c == '"' || c == '\\') {
      out += '\\';
      out += static_cast<char>(c);
    } else if (c < 0x20) {
      char escaped[8];
      std::snprintf(escaped, sizeof escaped, "\\u%04x", c);
      out += escaped;
    } else {
      out += static_cast<char>(c);
    }
  }
  return out + "\"";
}

std::string json_device(const ReportDevice& d) {
  return "{\"line\":" + std::to_string(d.line) + ",\"address\":" + json_string(d.address) +
         ",\"outcome\":" + json_string(d.outcome) + ",\"status\":" + std::to_string(d.status) +
         ",\"reason\":" + json_string(d.reason) + ",\"firmware\":" + json_string(d.firmware) +
         ",\"host\":" + json_string(d.host) + ",\"shard\":" + std::to_string(d.shard) +
         ",\"wave\":" + std::to_string(d.wave) + ",\"config\":" + json_string(d.config) +
         ",\"seconds\":" + std::to_string(d.seconds) + "}";
}

vornel::RunReport sample() {
  const std::string kSilent = "This address is not responsive.";
  vornel::RunReport report;
  report.mode = "download";
  report.list = "download_list.txt";
  report.started = "2025-03-01T12:00:00Z";
  report.duration_s = 95.5;
  report.remote = true;
  report.devices = {
      {2, "10.0.0.1", "ok", 0, "", "312", "root@north", 1, 1, "fetched/10.0.0.1.ini", "changed",
       4.2},
      {7, "10.0.0.2", "ok", 0, "", "312", "root@north", 2, 2, "fetched/10.0.0.2.ini", "unchanged",
       3.9},
      {12, "10.0.0.3", "failed", 3, kSilent, "312", "root@south", 3, 2, "", "", 20.4},
      {17, "10.0.0.4", "failed", 6, "Does not support INI files.", "180", "root@south", 4, 2, "",
       "", 1.1},
      {22, "10.0.0.5", "failed", 3, kSilent, "260", "root@north", 5, 2, "", "", 20.3},
      {27, "<script>document.title='owned'</script>", "skipped", 0,
       "the address \x1b[31mis no IPv4 address\x1b[0m", "", "", 0, 0, "", "", -1},
      {32, "10.0.0.7", "ready", 0, "", "260", "root@south", 6, 2, "", "", 2.0},
      {37, "10.0.0.8", "held_back", 0, "the run stopped at \"--max-fail 2\" \\ 2 failures", "",
       "root@north", 7, 3, "", "", -1},
      {42, "10.0.0.9", "not_run", 0, "the run was interrupted", "", "root@south", 8, 3, "", "", -1},
      {47, "10.0.0.10", "not_run_to_the_end", 0, "its host was lost", "", "root@south", 9, 3, "",
       "", -1},
      {52, "10.0.0.11", "no_outcome", 0, "its Vornel ended abnormally", "", "root@north", 10, 3, "",
       "", 7.5},
  };
  report.history = {{"a05aee5", "2025-02-22 12:00:00", 0, 2, 0, 9},
                    {"5d49353", "2025-03-01 12:00:00", 1, 0, 1, 9}};
  report.diffs["10.0.0.1"] =
      "diff --git a/10.0.0.1.ini b/10.0.0.1.ini\n--- a/10.0.0.1.ini\n+++ b/10.0.0.1.ini\n"
      "@@ -1,3 +1,3 @@\n [network]\r\n-gateway=10.0.0.254\r\n+gateway=10.0.0.1\r\n mask=24\r\n";
  return report;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: sample_report FOLDER\n");
    return 2;
  }
  std::string folder = argv[1];
  // As vornel-shard does: the metrics file must still be readable by all.
  vornel::make_new_files_private();
  vornel::RunReport report = sample();
  std::string input = "[\n";
  for (const ReportDevice& device : report.devices) {
    input += (input.size() > 2 ? ",\n" : "") + json_device(device);
  }
  input += "\n]\n";
  bool ok = vornel::write_whole_file(folder + "/report.html", vornel::report_html(report)) &&
            vornel::write_metrics_file(folder + "/metrics.prom", vornel::metrics_text(report)) &&
            vornel::write_whole_file(folder + "/input.json", input);
  if (!ok) std::fprintf(stderr, "sample_report: cannot write into %s\n", folder.c_str());
  return ok ? 0 : 1;
}

// Writes the report page of a synthetic fleet run of N devices to FILE, RUNS
// times, and prints the median time to build and write it and its size:
//   bench_report N FILE [RUNS]
// The run: a download over 8 ssh hosts in 4 waves, devices a twentieth
// silent, a fiftieth refused as too old, a hundredth skipped, a few not run
// or held back, firmware of a dozen versions, an archive of 30 runs, and a
// tenth of the devices changed with a diff of a few lines each.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "fleet/report_page.h"
#include "fleet/workdir.h"

namespace {

vornel::RunReport synthetic_run(int count) {
  vornel::RunReport report;
  report.mode = "download";
  report.list = "download_list.txt";
  report.started_ms = 1740830400000;  // 2025-03-01T12:00:00Z
  report.duration_s = 1234.5;
  report.remote = true;
  unsigned seed = 1;
  auto next = [&seed]() { return (seed = seed * 1103515245u + 12345u) >> 8; };
  for (int i = 0; i < count; ++i) {
    vornel::ReportDevice d;
    d.line = 1 + 4L * i;
    d.address = "10." + std::to_string(i / 65536 % 256) + "." + std::to_string(i / 256 % 256) +
                "." + std::to_string(i % 256);
    d.host = "root@site-" + std::to_string(i % 8);
    d.shard = 1 + i / 16;
    d.wave = i < 1 ? 1 : i < count / 20 ? 2 : i < count / 4 ? 3 : 4;
    d.firmware = std::to_string(230 + 10 * static_cast<int>(next() % 12));
    d.seconds = 2 + (next() % 100) / 10.0;
    unsigned roll = next() % 100;
    if (roll < 5) {
      d.outcome = "failed", d.status = 3, d.reason = "This address is not responsive.";
      d.seconds += 10;
    } else if (roll < 7 || d.firmware < "250") {
      d.outcome = "failed", d.status = 6, d.reason = "Does not support INI files.";
    } else if (roll < 8) {
      d.outcome = "skipped", d.reason = "the group has no SystemPassword line";
      d.firmware.clear(), d.host.clear(), d.shard = 0, d.seconds = -1;
    } else if (roll < 9) {
      d.outcome = "not_run", d.reason = "its host was lost before it began";
      d.firmware.clear(), d.seconds = -1;
    } else {
      d.outcome = "ok", d.fetched = "fetched/" + d.address + ".ini";
      d.config = roll < 19 ? "changed" : "unchanged";
      if (roll < 19) {
        report.diffs[d.address] = "--- a/" + d.address + ".ini\n+++ b/" + d.address +
                                  ".ini\n@@ -3,3 +3,3 @@\n Netmask=255.255.0.0\r\n"
                                  "-Gateway=10.0.0.1\r\n+Gateway=10.0.0.254\r\n DHCP=0\r\n";
      }
    }
    report.devices.push_back(d);
  }
  for (int run = 0; run < 30; ++run) {
    report.history.push_back({"c0ffee" + std::to_string(run % 10),
                              "2024-10-" + std::to_string(1 + run % 28) + " 12:00:00", count / 10,
                              run == 0 ? count : 0, run == 0 ? 0 : count * 8 / 10, count / 10});
  }
  return report;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: bench_report N FILE [RUNS]\n");
    return 2;
  }
  int count = std::atoi(argv[1]);
  int runs = argc > 3 ? std::atoi(argv[3]) : 5;
  vornel::RunReport report = synthetic_run(count);
  std::vector<double> times;
  std::size_t size = 0;
  for (int run = 0; run < runs; ++run) {
    auto start = std::chrono::steady_clock::now();
    std::string html = vornel::report_html(report);
    if (!vornel::write_whole_file(argv[2], html)) {
      std::fprintf(stderr, "bench_report: cannot write %s\n", argv[2]);
      return 1;
    }
    times.push_back(
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    size = html.size();
  }
  std::sort(times.begin(), times.end());
  std::printf("%d devices: written in %.1f ms (median of %d), %zu bytes\n", count,
              times[times.size() / 2] * 1000, runs, size);
  return 0;
}
